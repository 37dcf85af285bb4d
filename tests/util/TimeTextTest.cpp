#include "util/TimeText.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// The program runs with '.'; each test restores the process-wide separator it found.
class TimeTextTest : public testing::Test {
protected:
    void SetUp() override {
        saved = TimeSeparator();
        SetTimeSeparator(u'.');
    }
    void TearDown() override { SetTimeSeparator(saved); }
    QChar saved;
};

TEST_F(TimeTextTest, FieldCountTrimsAndCountsEmptyFields) {
    const struct {
        const char* text;
        int count;
    } cases[] = {
        {"", 0},     {"   ", 0}, {"\t\r\n", 0},  {"5", 1},       {" 5 ", 1},
        {"1..2", 3}, {".", 2},   {"\t1.2\n", 2}, {"1.2.3.4", 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FieldCount(QString::fromUtf8(c.text), u'.'), c.count) << c.text;
}

TEST_F(TimeTextTest, GetFieldCountsFromOneWithinTrimmedText) {
    const struct {
        const char* text;
        int n;
        const char* field;
    } cases[] = {
        {"  1.22.333  ", 0, ""},   {"  1.22.333  ", 1, "1"},
        {"  1.22.333  ", 2, "22"}, {"  1.22.333  ", 3, "333"},
        {"  1.22.333  ", 4, ""},   {"1..2", 2, ""},
        {"1..2", 3, "2"},          {"   ", 1, ""},
        {"a b.c", 1, "a b"},       {"1.2", -1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetField(QString::fromUtf8(c.text), c.n, u'.'), QString::fromUtf8(c.field))
            << c.text << " field " << c.n;
}

TEST_F(TimeTextTest, TimeTextToSecondsReadsOneTwoOrThreeFields) {
    const struct {
        const char* text;
        int seconds;
    } cases[] = {
        {"", 0},
        {"   ", 0},
        {"45", 45},
        {"2.05", 125},
        {"1.02.05", 3725},
        {"1.2.3.4", 3723},
        {"a.30", 30},
        {"2.", 120},
        {"90", 90},
        {"1.75", 135},
        {"-1.30", -30},
        {".", 0},
        {" 2.05\t", 125},
        {"2 .05", 5},
        {"+3", 3},
        {"-", 0},
        {"1e2", 0},
        {"0x10", 0},
        {"2147483647", INT_MAX},
        {"2147483648", 0},
        {"-2147483648", INT_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeTextToSeconds(QString::fromUtf8(c.text)), c.seconds) << c.text;
}

TEST_F(TimeTextTest, TimeTextToSecondsSaturatesInsteadOfWrapping) {
    EXPECT_EQ(TimeTextToSeconds("2147483647.59.59"), INT_MAX);
    EXPECT_EQ(TimeTextToSeconds("-2147483647.0.0"), INT_MIN);
    EXPECT_EQ(TimeTextToSeconds("2147483647.2147483647"), INT_MAX);
}

TEST_F(TimeTextTest, SecondsToTimeTextPadsAllButTheLeadingField) {
    const struct {
        int seconds;
        const char* text;
    } cases[] = {
        {0, "00"},
        {5, "05"},
        {59, "59"},
        {60, "1.00"},
        {125, "2.05"},
        {750, "12.30"},
        {3599, "59.59"},
        {3600, "1.00.00"},
        {3725, "1.02.05"},
        {36125, "10.02.05"},
        {-75, "1.15"},
        {INT_MAX, "596523.14.07"},
        {INT_MIN, "596523.14.08"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SecondsToTimeText(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

TEST_F(TimeTextTest, EveryProducedTextReadsBackForBothSeparators) {
    for (const QChar sep : {QChar(u'.'), QChar(u':')}) {
        SetTimeSeparator(sep);
        for (int n = 0; n <= 100000; ++n) {
            const QString text = SecondsToTimeText(n);
            ASSERT_EQ(TimeTextToSeconds(text), n) << text.toStdString();
        }
        EXPECT_EQ(TimeTextToSeconds(SecondsToTimeText(INT_MAX)), INT_MAX);
    }
}

TEST(TimeSeparatorTest, ConversionsFollowTheProcessSeparator) {
    const QChar saved = TimeSeparator();
    SetTimeSeparator(u':');
    EXPECT_EQ(SecondsToTimeText(3725), "1:02:05");
    EXPECT_EQ(TimeTextToSeconds("1:02:05"), 3725);
    // A dot is no separator then, so "2.05" is one field that is not an integer.
    EXPECT_EQ(TimeTextToSeconds("2.05"), 0);
    SetTimeSeparator(saved);
}

} // namespace
