#pragma once

// What the tests of the libmpv control share: waiting for events, the state log, sample files.

#include "engine/MpvMediaControl.h"

#include "RawSamples.h"
#include "WavWriter.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

inline constexpr int kDeadlineMs = 8000;

/// Pumps the event loop until `done` holds or the deadline passes; returns whether it held.
inline bool WaitUntil(const std::function<bool()>& done, int ms = kDeadlineMs) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

/// Waits until everything mpv raised for the requests made so far has been handled, so that what
/// has not been reported by then did not happen; returns false at the deadline.
inline bool WaitForBarrier(MpvMediaControl& control) {
    // Shared: a barrier that misses the deadline may still be passed after this has returned.
    const auto reached = std::make_shared<bool>(false);
    control.Barrier([reached] { *reached = true; });
    return WaitUntil([&reached] { return *reached; });
}

/// Records every PlayStateChange with what the getter said while the signal was delivered, for as
/// long as it lives.
class StateLog {
public:
    explicit StateLog(MediaControl& control)
        : FConnection(QObject::connect(
              &control, &MediaControl::PlayStateChange, &control,
              [this, &control](int state) { FSeen.emplace_back(state, control.PlayState()); })) {}
    ~StateLog() { QObject::disconnect(FConnection); }
    StateLog(const StateLog&) = delete;
    StateLog& operator=(const StateLog&) = delete;

    std::vector<int> States() const {
        std::vector<int> out;
        for (const auto& [signalled, getter] : FSeen)
            out.push_back(signalled);
        return out;
    }
    bool GetterAgreedEveryTime() const {
        return std::all_of(FSeen.begin(), FSeen.end(), [](const auto& p) { return p.first == p.second; });
    }
    bool Saw(int state) const { return Count(state) > 0; }
    int Count(int state) const {
        const std::vector<int> s = States();
        return static_cast<int>(std::count(s.begin(), s.end(), state));
    }
    void Clear() { FSeen.clear(); }

private:
    std::vector<std::pair<int, int>> FSeen;
    QMetaObject::Connection FConnection;
};

/// Writes a 16-bit WAV of the given samples (interleaved when `channels` is 2); returns false when
/// it cannot be written.
inline bool WriteSamplesWav(const QString& path, const std::vector<std::int16_t>& samples, int rate,
                            int channels = 1) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto le32 = [](std::uint32_t v) {
        const char b[4] = {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
        return QByteArray(b, 4);
    };
    const auto le16 = [](std::uint16_t v) {
        const char b[2] = {char(v & 0xFF), char(v >> 8)};
        return QByteArray(b, 2);
    };
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    const auto frameBytes = static_cast<std::uint16_t>(2 * channels);
    QByteArray out = "RIFF" + le32(36 + dataBytes) + "WAVEfmt " + le32(16) + le16(1) +
                     le16(static_cast<std::uint16_t>(channels)) + le32(static_cast<std::uint32_t>(rate)) +
                     le32(static_cast<std::uint32_t>(rate) * frameBytes) + le16(frameBytes) + le16(16) +
                     "data" + le32(dataBytes);
    for (std::int16_t s : samples)
        out += le16(static_cast<std::uint16_t>(s));
    return file.write(out) == out.size();
}

/// A temporary folder of generated tones and controls on the null output.
class MpvMediaControlTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

    QString Tone(const QString& name, double seconds) {
        const QString path = FDir.path() + QLatin1Char('/') + name; // filePath() refuses ":x"
        EXPECT_TRUE(WriteToneWav(path, seconds)) << path.toStdString();
        return path;
    }

    // Untimed: decoding runs as fast as it can, for tests where real time is not the point.
    static std::unique_ptr<MpvMediaControl> Fast() {
        return std::make_unique<MpvMediaControl>(MpvMediaControl::Options{"null", true});
    }
    static std::unique_ptr<MpvMediaControl> RealTime() {
        return std::make_unique<MpvMediaControl>(MpvMediaControl::Options{"null", false});
    }

    static bool Reaches(MpvMediaControl& c, int state) {
        return WaitUntil([&] { return c.PlayState() == state; });
    }

    QTemporaryDir FDir;
};
