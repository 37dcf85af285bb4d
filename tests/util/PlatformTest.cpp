#include "util/Platform.h"

#include "support/FixedPlatform.h"

#include <QByteArray>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(LanguageIdFromPosixLocale, MapsLocaleNamesToWindowsIdentifiers) {
    const struct {
        const char* locale;
        int id;
    } cases[] = {
        {"es_ES.UTF-8", 3082},
        {"es_ES@tradnl", 1034},
        {"es_ES.UTF-8@tradnl", 1034},
        {"es_ES@euro", 3082},
        {"es", 3082},
        {"es_MX.UTF-8", 2058},
        {"es_GT", 4106},
        {"es_AR.ISO-8859-1", 11274},
        {"es_PR", 20490},
        {"es_US.UTF-8", 21514},
        {"es_419", 22538},
        {"es_CU", 23562},
        {"es-MX", 2058},
        {"it_IT.UTF-8", 1040},
        {"it_CH", 2064},
        {"it", 1040},
        {"en_US.UTF-8", 1033},
        {"C", 1033},
        {"POSIX", 1033},
        {"C.UTF-8", 1033},
        {"", 0},
        {"xx_YY", 0},
        {"es_ZZ", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageIdFromPosixLocale(QString::fromUtf8(c.locale)), c.id) << c.locale;
}

// Sets or unsets the three locale variables for one test and puts the old values back.
class LocaleEnvironment {
public:
    LocaleEnvironment() {
        for (int i = 0; i < 3; ++i)
            if (qEnvironmentVariableIsSet(kNames[i]))
                saved[i] = qgetenv(kNames[i]);
    }
    ~LocaleEnvironment() {
        for (int i = 0; i < 3; ++i)
            Set(i, saved[i]);
    }
    void Set(int i, const std::optional<QByteArray>& value) {
        if (value)
            qputenv(kNames[i], *value);
        else
            qunsetenv(kNames[i]);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};

private:
    std::optional<QByteArray> saved[3];
};

TEST(UserPosixLocaleName, FirstNonEmptyOfLcAllLcMessagesLang) {
    using V = std::optional<QByteArray>;
    const struct {
        V lcAll, lcMessages, lang;
        const char* expected;
    } cases[] = {
        {"it_IT.UTF-8", "es_MX.UTF-8", "en_US.UTF-8", "it_IT.UTF-8"},
        {std::nullopt, "es_MX.UTF-8", "en_US.UTF-8", "es_MX.UTF-8"},
        {"", "", "es_AR", "es_AR"},
        {std::nullopt, std::nullopt, "it_CH", "it_CH"},
        {std::nullopt, std::nullopt, std::nullopt, ""},
    };
    LocaleEnvironment environment;
    for (const auto& c : cases) {
        environment.Set(0, c.lcAll);
        environment.Set(1, c.lcMessages);
        environment.Set(2, c.lang);
        EXPECT_EQ(UserPosixLocaleName(), QString::fromUtf8(c.expected)) << c.expected;
    }
}

TEST(UserPosixLocaleName, RealPlatformReadsTheLanguageFromTheEnvironment) {
    LocaleEnvironment environment;
    environment.Set(0, std::nullopt);
    environment.Set(1, "es_CL.UTF-8");
    environment.Set(2, "it_IT.UTF-8");
    EXPECT_EQ(Platform::Current().UserLanguageId(), 13322);
}

TEST(Platform, ExecutableFolderIsThisTestsFolder) {
    const QString folder = Platform::Current().ExecutableFolder();
    ASSERT_TRUE(folder.endsWith(u'/')) << folder.toStdString();
    EXPECT_TRUE(QFileInfo::exists(folder + "util_tests")) << folder.toStdString();
}

TEST(Platform, TestPlatformReplacesTheRealOneWhileItLives) {
    Platform* real = &Platform::Current();
    {
        FixedPlatform fixed;
        EXPECT_EQ(&Platform::Current(), &fixed);
        Platform::Current().Beep();
        EXPECT_EQ(fixed.beeps, 1);
    }
    EXPECT_EQ(&Platform::Current(), real);
}

} // namespace
