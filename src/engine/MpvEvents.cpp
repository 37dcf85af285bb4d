#include "engine/MpvEvents.h"

#include <mpv/client.h>

namespace {

const mpv_node* MapValue(const mpv_node& map, const char* key) {
    if (map.format != MPV_FORMAT_NODE_MAP || !map.u.list)
        return nullptr;
    for (int i = 0; i < map.u.list->num; ++i) {
        if (qstrcmp(map.u.list->keys[i], key) == 0)
            return &map.u.list->values[i];
    }
    return nullptr;
}

QList<MediaChapter> CopyChapters(const mpv_node& list) {
    QList<MediaChapter> chapters;
    if (list.format != MPV_FORMAT_NODE_ARRAY || !list.u.list)
        return chapters;
    for (int i = 0; i < list.u.list->num; ++i) {
        const mpv_node& entry = list.u.list->values[i];
        const mpv_node* time = MapValue(entry, "time");
        if (!time || (time->format != MPV_FORMAT_DOUBLE && time->format != MPV_FORMAT_INT64))
            continue;
        MediaChapter chapter;
        chapter.start =
            time->format == MPV_FORMAT_DOUBLE ? time->u.double_ : static_cast<double>(time->u.int64);
        if (const mpv_node* title = MapValue(entry, "title"); title && title->format == MPV_FORMAT_STRING)
            chapter.title = QString::fromUtf8(title->u.string);
        chapters.append(chapter);
    }
    return chapters;
}

void CopyProperty(const mpv_event_property& prop, MpvEventData& out) {
    if (prop.format == MPV_FORMAT_DOUBLE && prop.data) {
        out.hasValue = true;
        out.number = *static_cast<const double*>(prop.data);
        return;
    }
    if (prop.format == MPV_FORMAT_STRING && prop.data) {
        out.hasValue = true;
        out.text = QString::fromUtf8(*static_cast<const char* const*>(prop.data));
        return;
    }
    if (prop.format == MPV_FORMAT_NODE && prop.data) {
        out.hasValue = true;
        out.chapters = CopyChapters(*static_cast<const mpv_node*>(prop.data));
    }
}

std::int64_t LoadedEntryId(const mpv_event_command& reply) {
    if (reply.result.format != MPV_FORMAT_NODE_MAP || !reply.result.u.list)
        return 0;
    const mpv_node_list& map = *reply.result.u.list;
    for (int i = 0; i < map.num; ++i) {
        if (qstrcmp(map.keys[i], "playlist_entry_id") == 0 && map.values[i].format == MPV_FORMAT_INT64)
            return map.values[i].u.int64;
    }
    return 0;
}

} // namespace

MpvEventData CopyMpvEvent(const mpv_event& event) {
    MpvEventData out;
    out.error = event.error;
    out.userdata = event.reply_userdata;
    switch (event.event_id) {
    case MPV_EVENT_COMMAND_REPLY:
        out.kind = MpvEventKind::CommandReply;
        if (event.data)
            out.entryId = LoadedEntryId(*static_cast<const mpv_event_command*>(event.data));
        break;
    case MPV_EVENT_START_FILE:
        out.kind = MpvEventKind::StartFile;
        if (event.data)
            out.entryId = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        break;
    case MPV_EVENT_END_FILE:
        out.kind = MpvEventKind::EndFile;
        if (event.data) {
            const auto* end = static_cast<const mpv_event_end_file*>(event.data);
            out.entryId = end->playlist_entry_id;
            out.endReason = end->reason;
            out.endError = end->error;
        }
        break;
    case MPV_EVENT_FILE_LOADED:
        out.kind = MpvEventKind::FileLoaded;
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        out.kind = MpvEventKind::PlaybackRestart;
        break;
    case MPV_EVENT_PROPERTY_CHANGE:
        out.kind = MpvEventKind::PropertyChange;
        out.property = static_cast<MpvProperty>(event.reply_userdata);
        if (event.data)
            CopyProperty(*static_cast<const mpv_event_property*>(event.data), out);
        break;
    case MPV_EVENT_IDLE:
        out.kind = MpvEventKind::Idle;
        break;
    case MPV_EVENT_LOG_MESSAGE:
        out.kind = MpvEventKind::LogMessage;
        if (event.data) {
            const auto* message = static_cast<const mpv_event_log_message*>(event.data);
            out.logPrefix = QString::fromUtf8(message->prefix);
            out.text = QString::fromUtf8(message->text);
        }
        break;
    default:
        break;
    }
    return out;
}

MpvEndOutcome ClassifyEndFile(int reason, int error) {
    switch (reason) {
    case MPV_END_FILE_REASON_EOF:
        return MpvEndOutcome::MediaEnded;
    case MPV_END_FILE_REASON_ERROR:
        // A broken output would fail every track alike; running through the list helps nobody.
        if (error == MPV_ERROR_AO_INIT_FAILED)
            return MpvEndOutcome::Stopped;
        return MpvEndOutcome::Failed;
    case MPV_END_FILE_REASON_REDIRECT:
        return MpvEndOutcome::Redirected;
    default:
        return MpvEndOutcome::Stopped;
    }
}

bool IsAudioOutputOpening(const MpvEventData& event) {
    return event.logPrefix == QLatin1String("cplayer") && event.text.startsWith(QLatin1String("AO: ["));
}
