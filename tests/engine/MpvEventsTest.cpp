#include "engine/MpvEvents.h"

#include <gtest/gtest.h>
#include <mpv/client.h>

namespace {

mpv_event EndFileEvent(mpv_event_end_file& end) {
    mpv_event event{};
    event.event_id = MPV_EVENT_END_FILE;
    event.data = &end;
    return event;
}

TEST(MpvEvents, EndReasonsAndErrorsClassify) {
    struct Case {
        int reason;
        int error;
        MpvEndOutcome expected;
    };
    const Case cases[] = {
        {MPV_END_FILE_REASON_EOF, 0, MpvEndOutcome::MediaEnded},
        {MPV_END_FILE_REASON_ERROR, MPV_ERROR_LOADING_FAILED, MpvEndOutcome::Failed},
        {MPV_END_FILE_REASON_ERROR, MPV_ERROR_UNKNOWN_FORMAT, MpvEndOutcome::Failed},
        {MPV_END_FILE_REASON_ERROR, MPV_ERROR_NOTHING_TO_PLAY, MpvEndOutcome::Failed},
        {MPV_END_FILE_REASON_ERROR, MPV_ERROR_AO_INIT_FAILED, MpvEndOutcome::Stopped},
        {MPV_END_FILE_REASON_STOP, 0, MpvEndOutcome::Stopped},
        {MPV_END_FILE_REASON_QUIT, 0, MpvEndOutcome::Stopped},
        {MPV_END_FILE_REASON_REDIRECT, 0, MpvEndOutcome::Redirected},
        {77, 0, MpvEndOutcome::Stopped},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClassifyEndFile(c.reason, c.error), c.expected)
            << "reason " << c.reason << " error " << c.error;
}

TEST(MpvEvents, CopiesEndFileFields) {
    mpv_event_end_file end{};
    end.reason = MPV_END_FILE_REASON_ERROR;
    end.error = MPV_ERROR_LOADING_FAILED;
    end.playlist_entry_id = 42;
    const MpvEventData data = CopyMpvEvent(EndFileEvent(end));
    EXPECT_EQ(data.kind, MpvEventKind::EndFile);
    EXPECT_EQ(data.entryId, 42);
    EXPECT_EQ(data.endReason, MPV_END_FILE_REASON_ERROR);
    EXPECT_EQ(data.endError, MPV_ERROR_LOADING_FAILED);
}

TEST(MpvEvents, CopiesLoadReplyEntryId) {
    char key[] = "playlist_entry_id";
    char* keys[] = {key};
    mpv_node value{};
    value.format = MPV_FORMAT_INT64;
    value.u.int64 = 7;
    mpv_node_list map{1, &value, keys};
    mpv_event_command reply{};
    reply.result.format = MPV_FORMAT_NODE_MAP;
    reply.result.u.list = &map;
    mpv_event event{};
    event.event_id = MPV_EVENT_COMMAND_REPLY;
    event.reply_userdata = MakeRequestTag(MpvRequest::Load, 3);
    event.data = &reply;

    const MpvEventData data = CopyMpvEvent(event);
    EXPECT_EQ(data.kind, MpvEventKind::CommandReply);
    EXPECT_EQ(data.entryId, 7);
    EXPECT_EQ(RequestKind(data.userdata), MpvRequest::Load);
    EXPECT_EQ(RequestSequence(data.userdata), 3u);
}

TEST(MpvEvents, CopiesPropertyValuesAndUnavailability) {
    double seconds = 12.5;
    mpv_event_property number{const_cast<char*>("time-pos"), MPV_FORMAT_DOUBLE, &seconds};
    mpv_event event{};
    event.event_id = MPV_EVENT_PROPERTY_CHANGE;
    event.reply_userdata = static_cast<std::uint64_t>(MpvProperty::TimePos);
    event.data = &number;
    MpvEventData data = CopyMpvEvent(event);
    EXPECT_EQ(data.property, MpvProperty::TimePos);
    EXPECT_TRUE(data.hasValue);
    EXPECT_DOUBLE_EQ(data.number, 12.5);

    const char* title = "Caf\xc3\xa9";
    mpv_event_property text{const_cast<char*>("media-title"), MPV_FORMAT_STRING, &title};
    event.reply_userdata = static_cast<std::uint64_t>(MpvProperty::MediaTitle);
    event.data = &text;
    data = CopyMpvEvent(event);
    EXPECT_EQ(data.text, QString::fromUtf8("Caf\xc3\xa9"));

    mpv_event_property none{const_cast<char*>("time-pos"), MPV_FORMAT_NONE, nullptr};
    event.data = &none;
    EXPECT_FALSE(CopyMpvEvent(event).hasValue);
}

TEST(MpvEvents, RequestTagsKeepKindAndSequenceApart) {
    const std::uint64_t sequences[] = {0, 1, 255, (std::uint64_t{1} << 56) - 1};
    for (std::uint64_t sequence : sequences) {
        for (MpvRequest kind : {MpvRequest::Other, MpvRequest::Load, MpvRequest::Seek}) {
            const std::uint64_t tag = MakeRequestTag(kind, sequence);
            EXPECT_EQ(RequestKind(tag), kind);
            EXPECT_EQ(RequestSequence(tag), sequence);
        }
    }
}

} // namespace
