// The window prepares the entry after the one it plays, and on the real control the change to it
// looks to the window exactly like any other.
#include "WindowFixture.h"

#include "WavWriter.h"
#include "engine/MpvMediaControl.h"

#include <QDir>
#include <QMetaObject>
#include <QTest>

#include <vector>

namespace {
using Hints = QList<QPair<QString, double>>;

std::unique_ptr<MediaControl> RealControl() {
    return std::make_unique<MpvMediaControl>(MpvMediaControl::Options{QStringLiteral("null"), false});
}
} // namespace

TEST_F(WindowFixture, EveryPlayPreparesTheNextEntryWithItsRememberedPlace) {
    const QString a = Touch("l/a.mp3"), b = Touch("l/b.mp3"), c = Touch("l/c.mp3");
    OpenSettings([&](TSettingsModule& s) { s.MediaConfigs().SetResumeTime(c, 42); });
    Start({Root() + "l"});
    EXPECT_EQ(control->nextHints, Hints({{b, 0.0}}));
    Press(Tempo(), Qt::Key_Down);
    Press(Tempo(), Qt::Key_Down);
    // At the last entry nothing follows, and the hint is taken back.
    EXPECT_EQ(control->nextHints, Hints({{b, 0.0}, {c, 42.0}, {QString(), 0.0}}));
    Press(Tempo(), Qt::Key_Up);
    EXPECT_EQ(control->nextHints.last(), (QPair<QString, double>{c, 0.0})) << "forgotten when it was left";
    // A failing hint changes nothing else.
    control->failing = {"SetNextUrl"};
    Press(Tempo(), Qt::Key_Down);
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(control->opened.last(), c);
}

TEST_F(WindowFixture, RealControlChangesTrackAsBeforeAndTheNextStartsAtItsPlace) {
    QDir().mkpath(Root() + "m");
    const QString a = Root() + "m/a.wav", b = Root() + "m/b.wav";
    ASSERT_TRUE(WriteToneWav(a, 0.5));
    ASSERT_TRUE(WriteToneWav(b, 4.0));
    OpenSettings([&](TSettingsModule& s) {
        s.MediaConfigs().SetResumeTime(a, 0.1);
        s.MediaConfigs().SetResumeTime(b, 2.0);
    });
    auto media = RealControl();
    std::vector<int> states;
    QObject::connect(media.get(), &MediaControl::PlayStateChange, media.get(),
                     [&states](int state) { states.push_back(state); });
    Start({Root() + "m"}, std::move(media));
    QTRY_COMPARE_WITH_TIMEOUT(window->Core().Current(), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(window->Core().Player().State(), int(psPlaying), 10000);
    // mpv lands on a whole sample, which may read a hair before the place asked for.
    EXPECT_GE(window->Core().Player().Position(), 2.0 - 1e-3);
    EXPECT_EQ(settings->MediaConfigs().GetResumeTime(a), 0.0) << "the track left is forgotten";
    EXPECT_EQ(settings->MediaConfigs().GetResumeTime(b), 2.0);
    EXPECT_EQ(states, (std::vector<int>{psTransitioning, psPlaying, psMediaEnded, psStopped, psTransitioning,
                                        psPlaying}));
    EXPECT_TRUE(window->Core().TimerActive());
    window->close();
}

TEST_F(WindowFixture, RealControlDownWhileTheNextTrackLoadsSkipsOnlyThatOne) {
    QDir().mkpath(Root() + "m");
    ASSERT_TRUE(WriteToneWav(Root() + "m/a.wav", 0.5));
    for (const char* name : {"m/b.wav", "m/c.wav", "m/d.wav"})
        ASSERT_TRUE(WriteToneWav(Root() + name, 5.0));
    auto media = RealControl();
    MediaControl* real = media.get();
    int openings = 0;
    QObject::connect(real, &MediaControl::PlayStateChange, real, [&](int state) {
        // The second opening is the automatic advance to b: Down arrives while it loads.
        if (state == psTransitioning && ++openings == 2)
            QMetaObject::invokeMethod(
                real, [this] { Press(Tempo(), Qt::Key_Down); }, Qt::QueuedConnection);
    });
    Start({Root() + "m"}, std::move(media));
    QTRY_COMPARE_WITH_TIMEOUT(window->Core().Current(), 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(real->PlayState() == psPlaying && real->CurrentPosition() > 0.5, 10000);
    // Half a second into c, well before its end: a second, wrong change would have shown.
    EXPECT_EQ(window->Core().Current(), 2);
    EXPECT_EQ(real->MediaName(), QString("c.wav"));
    EXPECT_LT(real->CurrentPosition(), 4.0);
    window->close();
}
