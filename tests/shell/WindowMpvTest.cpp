// The whole window on the real libmpv control with the null audio output.
#include "WindowFixture.h"

#include "WavWriter.h"
#include "engine/MpvMediaControl.h"
#include "texts/Texts.h"

#include <QDir>
#include <QTest>

namespace {
std::unique_ptr<MediaControl> RealControl(bool untimed) {
    return std::make_unique<MpvMediaControl>(MpvMediaControl::Options{QStringLiteral("null"), untimed});
}
} // namespace

TEST_F(WindowFixture, RealControlPlaysTheFirstFileOfAFolder) {
    QDir().mkpath(Root() + "m");
    ASSERT_TRUE(WriteToneWav(Root() + "m/01 uno.wav", 3));
    ASSERT_TRUE(WriteToneWav(Root() + "m/02 due.wav", 3));
    Start({Root() + "m"}, RealControl(false));
    QTRY_COMPARE_WITH_TIMEOUT(window->Core().Player().State(), int(psPlaying), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QString("01 uno"), 3000);
    EXPECT_EQ(window->Core().Current(), 0);
    window->close();
}

TEST_F(WindowFixture, RealControlPlaysTwoFilesInTurnAndStopsAfterTheLast) {
    QDir().mkpath(Root() + "m");
    ASSERT_TRUE(WriteToneWav(Root() + "m/a.wav", 1.5));
    ASSERT_TRUE(WriteToneWav(Root() + "m/b.wav", 1.5));
    Start({Root() + "m"}, RealControl(true));
    QTRY_COMPARE_WITH_TIMEOUT(window->Core().Current(), 1, 10000);
    // Between tracks the opening state shows the idle texts for a moment; the stop is for good.
    QTRY_VERIFY_WITH_TIMEOUT(!window->Core().TimerActive(), 10000);
    EXPECT_EQ(window->Core().Player().State(), int(psStopped));
    EXPECT_EQ(TempoText(), "-");
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8(kIdleTitle));
    EXPECT_EQ(window->Core().Current(), 1);
}
