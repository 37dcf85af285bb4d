#include "ui/Donation.h"

#include "ModalAnswer.h"
#include "config/GeneralConfigs.h"
#include "support/FixedPlatform.h"
#include "texts/Texts.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

class DonationTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // A store as the program opens it at start-up: from the file the last run wrote.
    std::unique_ptr<TM3GeneralConfigs> Start() {
        return std::make_unique<TM3GeneralConfigs>(dir.filePath(QStringLiteral("Play.cfg")), platform.locale,
                                                   [this] { return platform.now; });
    }

    // Runs the reminder, closing whatever box it shows with OK; true when a box was shown.
    bool RunReminder(TM3GeneralConfigs& configs, int language = LangItalian) {
        ModalAnswer answer([this](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            shownCaption = box->windowTitle();
            shownText = box->text();
            shownIcon = box->icon();
            shownButtons = box->buttons().size();
            box->button(QMessageBox::Ok)->click();
        });
        DonationReminder(configs, language, nullptr);
        return answer.Seen();
    }

    FixedPlatform platform;
    QTemporaryDir dir;
    QString shownCaption;
    QString shownText;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    qsizetype shownButtons = 0;
};

TEST_F(DonationTest, ReminderComesOncePerCalendarMonth) {
    // Each run starts from the file the previous one saved.
    const struct {
        QDate today;
        bool shown;
    } runs[] = {
        {QDate(2026, 3, 15), true},  // first start ever
        {QDate(2026, 3, 31), false}, // same month
        {QDate(2027, 3, 1), false},  // same month of a later year: only the month counts
        {QDate(2027, 4, 1), true},   {QDate(2027, 4, 2), false}, {QDate(2027, 12, 24), true},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.today.toString(Qt::ISODate).toStdString());
        platform.now = QDateTime(run.today, QTime(9, 0));
        auto configs = Start();
        EXPECT_EQ(RunReminder(*configs), run.shown);
        EXPECT_FALSE(configs->DonateDue()) << "due again right after the run";
        configs->SaveToDisk();
    }
}

TEST_F(DonationTest, FirstStartInDecemberShowsNothingSinceNoDateCountsAsDecember) {
    platform.now = QDateTime(QDate(2026, 12, 8), QTime(10, 30));
    auto configs = Start();
    EXPECT_FALSE(RunReminder(*configs));
    EXPECT_EQ(configs->Serialize(), QByteArray()) << "nothing stored when not shown";
}

TEST_F(DonationTest, ReminderIsAnInformationBoxInTheUsersLanguage) {
    const struct {
        int language;
        TextId caption;
        TextId text;
    } cases[] = {{LangItalian, TextId::DonationCaption, TextId::DonationText},
                 {LangSpanish, TextId::DonationCaption, TextId::DonationText}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        platform.now = QDateTime(QDate(2026, 5, 1), QTime(8, 0));
        auto configs = Start();
        ASSERT_TRUE(RunReminder(*configs, c.language));
        EXPECT_EQ(shownCaption, Text(c.caption, c.language));
        EXPECT_EQ(shownText, Text(c.text, c.language));
        EXPECT_EQ(shownIcon, QMessageBox::Information);
        EXPECT_EQ(shownButtons, 1);
    }
    EXPECT_EQ(shownCaption, QString::fromUtf8("Varnel - Donar es útil!"));
}

TEST(Donate, OpensTheDonationPageUnchanged) {
    FixedPlatform platform;
    Donate();
    ASSERT_EQ(platform.opened.size(), 1);
    const QUrl& url = platform.opened.front();
    EXPECT_EQ(url.toString(QUrl::FullyEncoded), QString::fromLatin1(kDonationAddress));
    EXPECT_EQ(url.path(QUrl::FullyEncoded) + u'?' + url.query(QUrl::FullyEncoded),
              QStringLiteral("/paypal.asp?id=Varnel&am=5.00"));
    EXPECT_EQ(platform.beeps, 0);
}

} // namespace
