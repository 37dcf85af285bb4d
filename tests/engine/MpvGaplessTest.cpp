// Consecutive files of one format follow each other on one open audio output, while the states
// reported stay those of separate files.
#include "MpvTestSupport.h"

#include <QMetaObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kRate = 8000;

std::vector<std::int16_t> Constant(double seconds, std::int16_t value) {
    return std::vector<std::int16_t>(static_cast<size_t>(seconds * kRate), value);
}

std::vector<std::int16_t> Join(std::vector<std::int16_t> a, const std::vector<std::int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

/// Runs through a list as the main window does: when a file ends, a posted call sets the next
/// one with its remembered position and hints the one after it.
class ListRunner {
public:
    struct Entry {
        QString path;
        double remembered = 0.0; // what the resume store says when the entry is set
        double hinted = 0.0;     // what it said when the entry was hinted
    };

    ListRunner(MediaControl& control, std::vector<Entry> entries) : c(control), list(std::move(entries)) {
        QObject::connect(&c, &MediaControl::PlayStateChange, &c, [this](int state) {
            if (state == psMediaEnded)
                QMetaObject::invokeMethod(
                    &c, [this] { Next(); }, Qt::QueuedConnection);
        });
    }
    void Start() { PlayCurrent(); }
    bool Finished() const { return finished; }

private:
    void Next() {
        if (current + 1 >= list.size()) {
            c.Close();
            finished = true;
            return;
        }
        ++current;
        PlayCurrent();
    }
    void PlayCurrent() {
        c.SetUrl(list[current].path);
        c.SetCurrentPosition(list[current].remembered);
        if (current + 1 < list.size())
            c.SetNextUrl(list[current + 1].path, list[current + 1].hinted);
        else
            c.SetNextUrl(QString(), 0.0);
    }

    MediaControl& c;
    std::vector<Entry> list;
    size_t current = 0;
    bool finished = false;
};

class MpvGapless : public MpvMediaControlTest {
protected:
    QString Samples(const QString& name, const std::vector<std::int16_t>& samples) {
        const QString path = FDir.filePath(name);
        EXPECT_TRUE(WriteSamplesWav(path, samples, kRate)) << path.toStdString();
        return path;
    }
    /// Plays the list to its end on the "pcm" output and returns every sample the output got.
    std::vector<std::int16_t> Run(const std::vector<ListRunner::Entry>& entries, std::vector<int>* states) {
        const QString output = FDir.filePath("out.raw");
        {
            // In real time, as a listener hears it: decoding at full speed could finish a short
            // file before the posted call that sets it runs.
            MpvMediaControl c(MpvMediaControl::Options{"pcm", false, output});
            StateLog log(c);
            ListRunner runner(c, entries);
            runner.Start();
            EXPECT_TRUE(WaitUntil([&] { return runner.Finished(); }));
            EXPECT_TRUE(WaitForBarrier(c));
            *states = log.States();
        } // the output file is complete once the control is gone
        return ReadRawSamples(output);
    }

    static std::vector<int> Played(int files) {
        std::vector<int> out;
        for (int i = 0; i < files; ++i)
            out.insert(out.end(), {psTransitioning, psPlaying, psMediaEnded, psStopped});
        out.push_back(psStopped);
        out.pop_back(); // the Close after the last end changes nothing: it is stopped already
        return out;
    }
};

TEST_F(MpvGapless, SameFormatFilesFollowOnOneOpenOutput) {
    // In real time, as a listener hears them: the output opens once for the three files.
    const QString pa = Tone("a.wav", 0.6), pb = Tone("b.wav", 0.6), pc = Tone("c.wav", 0.6);
    auto c = RealTime();
    StateLog log(*c);
    ListRunner runner(*c, {{pa}, {pb}, {pc}});
    runner.Start();
    ASSERT_TRUE(WaitUntil([&] { return runner.Finished(); }));
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), Played(3));
    EXPECT_TRUE(log.GetterAgreedEveryTime());
    EXPECT_EQ(c->AudioOutputOpenings(), 1);
    EXPECT_EQ(c->MediaName(), QString());

    // Without the hint each file opens the output anew, which is the gap a listener hears.
    auto plain = RealTime();
    plain->SetUrl(pa);
    ASSERT_TRUE(WaitUntil([&] { return plain->PlayState() == psStopped; }));
    plain->SetUrl(pb);
    ASSERT_TRUE(WaitUntil([&] { return plain->PlayState() == psStopped; }));
    EXPECT_EQ(plain->AudioOutputOpenings(), 2);
}

TEST_F(MpvGapless, TheNextFileStartsAtItsOwnRememberedPlace) {
    // mpv reopens its output for a file that starts elsewhere than at 0, so the change is not
    // gapless then; but nothing before the remembered place may be heard.
    const auto a = Constant(0.5, 1000);
    const auto b = Join(Constant(0.25, 2000), Constant(0.5, 3000));
    const QString pa = Samples("a.wav", a), pb = Samples("b.wav", b);
    std::vector<int> states;
    const std::vector<std::int16_t> heard = Run({{pa}, {pb, 0.25, 0.25}}, &states);
    EXPECT_EQ(states, Played(2));
    EXPECT_EQ(std::count(heard.begin(), heard.end(), 2000), 0) << "the opening of the second file was heard";
    const auto tail = Constant(0.5, 3000);
    ASSERT_GE(heard.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), heard.end() - static_cast<long>(tail.size())));
}

TEST_F(MpvGapless, APlaceChangedSinceTheHintIsStillHonoured) {
    // Hinted at 0.25 s, but by the time it is set its remembered place is the start.
    const auto a = Constant(0.5, 1000);
    const auto b = Join(Constant(0.25, 2000), Constant(0.5, 3000));
    const QString pa = Samples("a.wav", a), pb = Samples("b.wav", b);
    std::vector<int> states;
    const std::vector<std::int16_t> heard = Run({{pa}, {pb, 0.0, 0.25}}, &states);
    EXPECT_EQ(states, Played(2));
    ASSERT_GE(heard.size(), b.size());
    EXPECT_TRUE(std::equal(b.begin(), b.end(), heard.end() - static_cast<long>(b.size())))
        << "the second file did not play from its start";
}

TEST_F(MpvGapless, AnUnreadableNextFileEndsAsAFailureAndTheListGoesOn) {
    const auto a = Constant(0.3, 1000);
    const auto c = Constant(0.3, 3000);
    const QString pa = Samples("a.wav", a), pc = Samples("c.wav", c);
    const QString broken = FDir.filePath("broken.wav");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("RIFF but nothing a decoder could read");
    }
    std::vector<int> states;
    const std::vector<std::int16_t> heard = Run({{pa}, {broken}, {pc}}, &states);
    EXPECT_EQ(states, (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped, psTransitioning,
                                        psMediaEnded, psStopped, psTransitioning, psPlaying, psMediaEnded,
                                        psStopped}));
    ASSERT_GE(heard.size(), c.size());
    EXPECT_TRUE(std::equal(c.begin(), c.end(), heard.end() - static_cast<long>(c.size())));
}

TEST_F(MpvGapless, ANextFileNobodySetsIsNotPlayed) {
    // The list stops after the first file although the second was hinted (as when the end
    // arrives while the window is busy): the second must not go on playing unseen.
    const QString pa = Tone("a.wav", 0.3);
    const QString pb = Tone("b.wav", 30.0);
    auto c = RealTime();
    StateLog log(*c);
    c->SetUrl(pa);
    c->SetNextUrl(pb, 0.0);
    ASSERT_TRUE(WaitUntil([&] { return log.Saw(psStopped); }));
    // Time, not a barrier: how far an unseen second file got is what would give it away below.
    QTest::qWait(2500);
    ASSERT_TRUE(WaitForBarrier(*c));
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped}));
    EXPECT_EQ(c->PlayState(), psStopped);
    // Setting it now loads it anew from its start and reports it as any other file.
    log.Clear();
    c->SetUrl(pb);
    ASSERT_TRUE(Reaches(*c, psPlaying));
    ASSERT_TRUE(WaitUntil([&] { return c->CurrentPosition() > 0.05; }));
    EXPECT_LT(c->CurrentPosition(), 1.0) << "the second file had kept playing";
    EXPECT_EQ(log.States(), (std::vector<int>{psTransitioning, psPlaying}));
}

} // namespace
