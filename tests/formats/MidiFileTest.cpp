#include "formats/MidiFile.h"

#include "MidiWriter.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

QByteArray Be(std::uint32_t value, int bytes) {
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}
QByteArray Raw(const char* bytes, int size) {
    return QByteArray(bytes, size);
}
QByteArray Header(int format, int tracks, int division) {
    return "MThd" + Be(6, 4) + Be(format, 2) + Be(tracks, 2) + Be(division, 2);
}
QByteArray Track(const QByteArray& body) {
    return "MTrk" + Be(static_cast<std::uint32_t>(body.size()), 4) + body;
}
QByteArray At(std::uint32_t delta, const QByteArray& event) {
    return MidiVarLength(delta) + event;
}
QByteArray Tempo(std::uint32_t micros) {
    return Raw("\xFF\x51\x03", 3) + Be(micros, 3);
}
QByteArray NoteOn(int key, int channel = 0) {
    return Be(0x90 | channel, 1) + Be(key, 1) + Be(100, 1);
}
QByteArray NoteOff(int key, int channel = 0) {
    return Be(0x80 | channel, 1) + Be(key, 1) + Be(0, 1);
}
const QByteArray kEnd = Raw("\xFF\x2F\x00", 3);

std::optional<MidiFile> Parse(const QByteArray& bytes) {
    return MidiFile::Parse(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
}

/// Times of the note-on events, in file order.
std::vector<double> NoteOnTimes(const MidiFile& file) {
    std::vector<double> out;
    for (const MidiEvent& e : file.Events()) {
        if ((e.status & 0xF0) == 0x90)
            out.push_back(e.seconds);
    }
    return out;
}

struct TimingCase {
    std::string name;
    QByteArray bytes;
    double duration;
    std::vector<double> noteOns;
};

void PrintTo(const TimingCase& c, std::ostream* out) {
    *out << c.name;
}

class MidiFileTiming : public ::testing::TestWithParam<TimingCase> {};

TEST_P(MidiFileTiming, LengthAndNoteTimesFollowTheTempoMap) {
    const TimingCase& c = GetParam();
    const std::optional<MidiFile> file = Parse(c.bytes);
    ASSERT_TRUE(file.has_value());
    EXPECT_NEAR(file->DurationSeconds(), c.duration, 1e-9);
    const std::vector<double> times = NoteOnTimes(*file);
    ASSERT_EQ(times.size(), c.noteOns.size());
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_NEAR(times[i], c.noteOns[i], 1e-9) << "note " << i;
}

std::vector<TimingCase> TimingCases() {
    std::vector<TimingCase> cases;
    // No tempo event: 120 beats a minute.
    cases.push_back({"DefaultTempo",
                     Header(0, 1, 480) + Track(At(0, NoteOn(60)) + At(960, NoteOff(60)) + At(960, kEnd)),
                     2.0,
                     {0.0}});
    cases.push_back({"SlowTempoAndTrackEndPastTheLastNote",
                     MidiTuneBytes({{480, 480, 60, 100, 0}}, 480, 1'000'000, 4 * 480),
                     4.0,
                     {1.0}});
    // One second at 120, then 240 beats a minute: four more beats take one more second.
    cases.push_back({"TempoChangeMidway",
                     Header(0, 1, 96) + Track(At(0, NoteOn(60)) + At(192, Tempo(250'000)) +
                                              At(0, NoteOn(62)) + At(192, NoteOn(64)) + At(192, kEnd)),
                     2.0,
                     {0.0, 1.0, 1.5}});
    // The tempo track and the notes in separate tracks: the map applies to every track.
    cases.push_back({"TempoTrackGovernsTheOthers",
                     Header(1, 2, 480) + Track(At(960, Tempo(1'000'000)) + At(0, kEnd)) +
                         Track(At(0, NoteOn(60)) + At(1920, NoteOn(62)) + At(0, kEnd)),
                     3.0,
                     {0.0, 3.0}});
    // 25 frames a second, 40 ticks a frame: a millisecond a tick, whatever the tempo says.
    cases.push_back(
        {"SmpteTimingIgnoresTempo",
         Header(0, 1, 0xE728) + Track(At(0, Tempo(2'000'000)) + At(2500, NoteOn(60)) + At(500, kEnd)),
         3.0,
         {2.5}});
    // Independent sequences play one after the other, each starting at 120 beats a minute.
    cases.push_back({"Format2SequencesFollowEachOther",
                     Header(2, 2, 480) + Track(At(0, Tempo(250'000)) + At(0, NoteOn(60)) + At(960, kEnd)) +
                         Track(At(0, NoteOn(62)) + At(960, kEnd)),
                     1.5,
                     {0.0, 0.5}});
    // Running status: the data bytes of the later notes reuse the note-on status.
    cases.push_back({"RunningStatus",
                     Header(0, 1, 480) + Track(At(0, NoteOn(60)) + At(480, Raw("\x40\x64", 2)) +
                                               At(480, Raw("\x43\x64", 2)) + At(480, kEnd)),
                     1.5,
                     {0.0, 0.5, 1.0}});
    // A tempo of zero would squash the rest of the song into one instant; it is ignored.
    cases.push_back(
        {"ZeroTempoIgnored",
         Header(0, 1, 480) + Track(At(0, Tempo(0)) + At(0, NoteOn(60)) + At(960, NoteOn(62)) + At(0, kEnd)),
         1.0,
         {0.0, 1.0}});
    // Some writers end a track without its end event.
    cases.push_back({"TrackWithoutEndEvent",
                     Header(0, 1, 480) + Track(At(0, NoteOn(60)) + At(480, NoteOff(60))),
                     0.5,
                     {0.0}});
    // A header longer than six bytes and an unknown chunk before the track are skipped.
    cases.push_back({"LongHeaderAndUnknownChunk",
                     "MThd" + Be(8, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2) + Be(0, 2) + "XTRA" + Be(3, 4) +
                         "abc" + Track(At(480, NoteOn(60)) + At(480, kEnd)),
                     1.0,
                     {0.5}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, MidiFileTiming, ::testing::ValuesIn(TimingCases()),
                         [](const auto& info) { return info.param.name; });

TEST(MidiFile, EventsAtOneTickKeepTheOrderOfTheFile) {
    // An off and an on of the same key at the same tick: played the other way round the note dies.
    const QByteArray bytes = Header(1, 2, 480) +
                             Track(At(0, NoteOn(60)) + At(480, NoteOff(60)) + At(0, kEnd)) +
                             Track(At(480, NoteOn(60)) + At(480, kEnd));
    const std::optional<MidiFile> file = Parse(bytes);
    ASSERT_TRUE(file.has_value());
    std::vector<int> statuses;
    for (const MidiEvent& e : file->Events())
        statuses.push_back(e.status);
    EXPECT_EQ(statuses, (std::vector<int>{0x90, 0x80, 0x90}));
}

TEST(MidiFile, RmidWrapperHoldsTheSameSong) {
    const QByteArray plain = MidiTuneBytes({{0, 480, 60, 100, 0}, {480, 480, 64, 100, 0}});
    for (const QByteArray& midi : {plain, plain + QByteArray(1, '\0')}) { // even and odd data sizes
        // A chunk before the data one, as some writers put an INFO list first.
        QByteArray rmid = RmidBytes(midi);
        const QByteArray list = "LIST" + QByteArray("\x04\0\0\0", 4) + "INFO";
        rmid.insert(12, list);
        const auto riffSize = static_cast<std::uint32_t>(rmid.size() - 8);
        for (int i = 0; i < 4; ++i)
            rmid[4 + i] = static_cast<char>((riffSize >> (8 * i)) & 0xFF);
        const std::optional<MidiFile> a = Parse(midi);
        const std::optional<MidiFile> b = Parse(rmid);
        ASSERT_TRUE(a && b);
        EXPECT_DOUBLE_EQ(a->DurationSeconds(), b->DurationSeconds());
        EXPECT_EQ(a->Events().size(), b->Events().size());
    }
}

TEST(MidiFile, SysexReachesTheSynthesiserWithoutItsFraming) {
    const QByteArray gmOn = Raw("\xF0\x05\x7E\x7F\x09\x01\xF7", 7);
    const std::optional<MidiFile> file =
        Parse(Header(0, 1, 480) + Track(At(0, gmOn) + At(0, NoteOn(60)) + At(480, kEnd)));
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(file->Events().size(), 2u);
    const MidiEvent& sysex = file->Events()[0];
    EXPECT_EQ(sysex.status, 0xF0);
    ASSERT_EQ(sysex.sysexLength, 4u);
    const std::vector<std::uint8_t> body(file->SysexData().begin() + sysex.sysexOffset,
                                         file->SysexData().begin() + sysex.sysexOffset + sysex.sysexLength);
    EXPECT_EQ(body, (std::vector<std::uint8_t>{0x7E, 0x7F, 0x09, 0x01}));
}

struct MalformedCase {
    std::string name;
    QByteArray bytes;
};

void PrintTo(const MalformedCase& c, std::ostream* out) {
    *out << c.name;
}

class MidiFileMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MidiFileMalformed, IsRefused) {
    EXPECT_FALSE(Parse(GetParam().bytes).has_value());
}

QByteArray Le32(std::uint32_t value) {
    QByteArray out;
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    return out;
}

/// `midi` in a RIFF wrapper of its true length, with the chunks given before and after its data.
QByteArray Rmid(const QByteArray& before, const QByteArray& midi, const QByteArray& after) {
    const QByteArray body = "RMID" + before + "data" + Le32(static_cast<std::uint32_t>(midi.size())) + midi +
                            QByteArray(midi.size() % 2, '\0') + after;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

std::vector<MalformedCase> MalformedCases() {
    const QByteArray note = At(0, NoteOn(60)) + At(480, kEnd);
    const QByteArray good = Header(0, 1, 480) + Track(note);
    const QByteArray lyingList = "LIST" + Le32(0x7FFFFFF0) + "INFO";
    std::vector<MalformedCase> cases = {
        {"Empty", {}},
        {"Text", "this is not a song\n"},
        {"HeaderCutShort", good.left(10)},
        {"HeaderLengthBeyondTheFile", "MThd" + Be(0x7FFFFFFF, 4) + good.mid(8)},
        {"HeaderLengthTooSmall", "MThd" + Be(4, 4) + Be(0, 2) + Be(1, 2) + Track(note)},
        {"FormatThree", Header(3, 1, 480) + Track(note)},
        {"NoTracksDeclared", Header(0, 0, 480) + Track(note)},
        {"TooManyTracksDeclared", Header(1, 60000, 480) + Track(note)},
        {"ZeroDivision", Header(0, 1, 0) + Track(note)},
        {"SmpteRateThatDoesNotExist", Header(0, 1, 0xEA28) + Track(note)},
        {"SmpteWithZeroTicksAFrame", Header(0, 1, 0xE700) + Track(note)},
        {"NoTrackChunk", Header(0, 1, 480)},
        {"TrackLengthBeyondTheFile", Header(0, 1, 480) + "MTrk" + Be(0xFFFFFFF0, 4) + note},
        {"TrackLengthOneTooMany",
         Header(0, 1, 480) + "MTrk" + Be(static_cast<std::uint32_t>(note.size() + 1), 4) + note},
        {"DeltaOfFiveBytes", Header(0, 1, 480) + Track(Raw("\x81\x80\x80\x80\x00", 5) + NoteOn(60) + kEnd)},
        {"DeltaCutShort", Header(0, 1, 480) + Track(NoteOn(60).prepend('\0') + Raw("\x81", 1))},
        {"RunningStatusWithNothingToRunOn",
         Header(0, 1, 480) + Track(At(0, Raw("\x3C\x64", 2)) + At(0, kEnd))},
        {"MetaLengthBeyondTheTrack", Header(0, 1, 480) + Track(At(0, Raw("\xFF\x01\x7F", 3) + "abc"))},
        {"MetaLengthOfFiveBytes", Header(0, 1, 480) + Track(At(0, Raw("\xFF\x01\x8F\xFF\xFF\xFF\x7F", 7)))},
        {"SysexLengthBeyondTheTrack", Header(0, 1, 480) + Track(At(0, Raw("\xF0\x40\x7E\xF7", 4)))},
        {"TempoOfTwoBytes", Header(0, 1, 480) + Track(At(0, Raw("\xFF\x51\x02\x07\xA1", 5)) + At(0, kEnd))},
        {"DataByteWithTheHighBitSet", Header(0, 1, 480) + Track(At(0, Raw("\x90\x3C\xE4", 3)) + At(0, kEnd))},
        {"RealTimeByteInATrack", Header(0, 1, 480) + Track(At(0, Raw("\xF8", 1)) + At(0, kEnd))},
        {"NoteCutShort", Header(0, 1, 480) + Track(At(0, Raw("\x90\x3C", 2)))},
        // 36 bytes: a tempo, then a meta event that claims 32 MiB of a 14-byte track.
        {"ThirtySixBytesWithAHugeMetaLength",
         Header(0, 1, 480) + "MTrk" + Be(14, 4) +
             Raw("\0\xFF\x51\x03\x07\xA1\x20\0\xFF\x7F\x8F\xFF\xFF\x7F", 14)},
        // Longest deltas at the slowest tempo and one tick a beat: years of silence.
        {"LongerThanAnyStreamCanHold",
         Header(0, 1, 1) + Track(At(0, Tempo(0xFFFFFF)) + At(0x0FFFFFFF, NoteOn(60)) + At(0, kEnd))},
        {"RiffThatIsNotRmid", "RIFF" + Raw("\x04\0\0\0", 4) + "WAVE"},
        {"RmidSizeBeyondTheFile", "RIFF" + Raw("\xFF\xFF\0\0", 4) + "RMIDdata" + Raw("\x0E\0\0\0", 4) + good},
        {"RmidDataChunkBeyondRiff", "RIFF" + Raw("\x0C\0\0\0", 4) + "RMIDdata" + Raw("\xFF\0\0\0", 4) + good},
        {"RmidWithoutData", "RIFF" + Raw("\x0C\0\0\0", 4) + "RMIDLIST" + Raw("\0\0\0\0", 4)},
        // The RIFF length true, one chunk's false: the first one, or the last one after the data.
        {"RmidChunkBeforeDataBeyondRiff", Rmid(lyingList, good, {})},
        {"RmidChunkAfterDataBeyondRiff", Rmid({}, good, lyingList)},
    };
    // More events than the bound: a million and one all-notes-off messages.
    QByteArray many;
    for (std::size_t i = 0; i <= MidiFile::kMaxEvents; ++i)
        many.append(Raw("\0\xB0\x7B\0", 4));
    cases.push_back({"MoreEventsThanTheBound", Header(0, 1, 480) + Track(many)});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, MidiFileMalformed, ::testing::ValuesIn(MalformedCases()),
                         [](const auto& info) { return info.param.name; });

TEST(MidiFile, RmidWithTrueChunksAroundItsDataIsRead) {
    const QByteArray midi = MidiTuneBytes({{0, 480, 60, 100, 0}});
    const QByteArray info = "LIST" + Le32(4) + "INFO";
    const std::optional<MidiFile> plain = Parse(midi);
    const std::optional<MidiFile> wrapped = Parse(Rmid(info, midi, info + "JUNK" + Le32(1) + "x\0"));
    ASSERT_TRUE(plain && wrapped);
    EXPECT_DOUBLE_EQ(plain->DurationSeconds(), wrapped->DurationSeconds());
    EXPECT_EQ(plain->Events().size(), wrapped->Events().size());
}

TEST(MidiFile, FileLargerThanTheBoundIsRefusedUnread) {
    std::vector<std::uint8_t> huge(MidiFile::kMaxFileBytes + 1, 0);
    const QByteArray good = MidiTuneBytes({{0, 480, 60, 100, 0}});
    std::copy(good.begin(), good.end(), huge.begin());
    EXPECT_FALSE(MidiFile::Parse(huge).has_value());
    huge.resize(good.size());
    EXPECT_TRUE(MidiFile::Parse(huge).has_value());
}

} // namespace
