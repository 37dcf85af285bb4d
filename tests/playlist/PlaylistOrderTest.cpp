#include "playlist/PlaylistOrder.h"

#include "CaseName.h"
#include "GrowthCheck.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

QCollator CaseInsensitiveCollator(const char* localeName) {
    QCollator collator{QLocale(QString::fromLatin1(localeName))};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Sorted under the collator's order, and the same entries as before.
void ExpectSortedPermutation(const QStringList& sorted, QStringList original, const QCollator& collator) {
    ASSERT_EQ(sorted.size(), original.size());
    const auto less = [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; };
    std::sort(original.begin(), original.end(), less);
    for (qsizetype i = 0; i < sorted.size(); ++i)
        ASSERT_EQ(collator.compare(sorted[i], original[i]), 0) << "at " << i << ": " << qPrintable(sorted[i]);
    QStringList a = sorted;
    QStringList b = original;
    a.sort();
    b.sort();
    EXPECT_EQ(a, b);
}

QStringList RandomPaths(int count, quint32 seed) {
    // Few letters in both cases and some accents, so that ties and case-only differences are common.
    static const QString letters = QStringLiteral("aAbBcCéÉzZ/._ 9");
    QRandomGenerator random(seed);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        QString path = QStringLiteral("/m/");
        const int length = random.bounded(1, 6);
        for (int k = 0; k < length; ++k)
            path += letters[random.bounded(int(letters.size()))];
        paths.append(path);
    }
    return paths;
}

class SortPathsTest : public testing::TestWithParam<const char*> {};

TEST_P(SortPathsTest, MatchesStdSortOnRandomData) {
    const QCollator collator = CaseInsensitiveCollator(GetParam());
    for (const int count : {0, 1, 2, 3, 17, 500, 5000}) {
        const QStringList original = RandomPaths(count, quint32(count) + 7);
        QStringList sorted = original;
        SortPaths(sorted, collator);
        ExpectSortedPermutation(sorted, original, collator);
    }
}

TEST_P(SortPathsTest, IgnoresCase) {
    QStringList files{"/m/b.mp3", "/m/A.mp3", "/m/B.mp3", "/m/a.mp3"};
    SortPaths(files, CaseInsensitiveCollator(GetParam()));
    EXPECT_EQ(files[0].toLower(), "/m/a.mp3");
    EXPECT_EQ(files[1].toLower(), "/m/a.mp3");
    EXPECT_EQ(files[2].toLower(), "/m/b.mp3");
    EXPECT_EQ(files[3].toLower(), "/m/b.mp3");
}

// Sorted, reversed and all-equal input is where a middle-pivot quicksort written carelessly goes
// quadratic or recurses as deep as the list is long; the figures for 100,000 paths are in the benchmarks.
TEST_P(SortPathsTest, WorstCaseInputsSortInNLogNTime) {
    const QCollator collator = CaseInsensitiveCollator(GetParam());
    const auto inputs = [](int count) {
        QStringList ascending;
        for (int i = 0; i < count; ++i)
            ascending.append(QStringLiteral("/music/track %1.mp3").arg(i, 6, 10, QLatin1Char('0')));
        QStringList descending(ascending.crbegin(), ascending.crend());
        return std::vector<std::pair<const char*, QStringList>>{
            {"ascending", ascending},
            {"descending", descending},
            {"equal", QStringList(count, "/music/Same.MP3")},
            {"random", RandomPaths(count, 99)}};
    };
    const auto small = inputs(2000);
    const auto large = inputs(2000 * GrowthCheck::kInputFactor);
    for (std::size_t k = 0; k < small.size(); ++k) {
        const auto sortOf = [&](const QStringList& input) {
            return GrowthCheck::BestOfThree([&] {
                QStringList files = input;
                SortPaths(files, collator);
                const bool sorted =
                    std::is_sorted(files.cbegin(), files.cend(), [&](const QString& a, const QString& b) {
                        return collator.compare(a, b) < 0;
                    });
                EXPECT_TRUE(sorted) << small[k].first;
            });
        };
        GrowthCheck::ExpectLinearGrowth(sortOf(small[k].second), sortOf(large[k].second), small[k].first);
    }
}

// "C" takes the comparing path, the others the sort-key path.
INSTANTIATE_TEST_SUITE_P(Locales, SortPathsTest, testing::Values("C", "en_US", "de_DE", "it_IT"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return CaseName::FromText(info.param);
                         });

TEST(ShuffleRandomTest, DrawsFollowTheFormula) {
    // Worked out by hand from seed = seed * 134775813 + 1 and draw = (seed * count) >> 32.
    TShuffleRandom tens(12345);
    for (const quint32 expected : {3u, 2u, 0u, 5u, 6u, 3u})
        EXPECT_EQ(tens.Below(10), expected);
    TShuffleRandom thousands(12345);
    for (const quint32 expected : {385u, 289u, 79u, 553u, 633u, 341u})
        EXPECT_EQ(thousands.Below(1000), expected);
    TShuffleRandom wrapping(0xFFFFFFFFu);
    for (const quint32 expected : {6u, 1u, 3u, 0u})
        EXPECT_EQ(wrapping.Below(7), expected);
}

TEST(ShuffleTest, SwapsEveryPositionWithAnyPosition) {
    // Expected orders computed independently; a Fisher-Yates shuffle gives different ones.
    const std::pair<quint32, QString> cases[] = {{12345u, "abfedc"}, {86399999u, "bdcfea"}};
    for (const auto& [seed, expected] : cases) {
        QStringList files{"a", "b", "c", "d", "e", "f"};
        Shuffle(files, 0, seed);
        EXPECT_EQ(files.join(QString()), expected) << seed;
    }
}

TEST(ShuffleTest, ReturnsTheNewIndexOfTheCurrentPath) {
    QStringList original;
    for (int i = 0; i < 40; ++i)
        original.append(QStringLiteral("/m/%1.mp3").arg(i));
    for (const quint32 seed : {0u, 1u, 12345u, 86399999u}) {
        for (const int current : {0, 7, 39}) {
            QStringList files = original;
            const int index = Shuffle(files, current, seed);
            ASSERT_GE(index, 0);
            ASSERT_LT(index, files.size());
            EXPECT_EQ(files[index], original[current]) << seed << " " << current;
            QStringList a = files;
            a.sort();
            QStringList b = original;
            b.sort();
            EXPECT_EQ(a, b);
        }
    }
}

TEST(ShuffleTest, FindsTheFirstPathEqualIgnoringCase) {
    QStringList files{"/m/x.mp3", "/M/X.MP3", "/m/y.mp3", "/m/X.mp3"};
    const int index = Shuffle(files, 3, 777);
    const auto first = std::find_if(files.cbegin(), files.cend(), [](const QString& path) {
        return path.compare(QStringLiteral("/m/x.mp3"), Qt::CaseInsensitive) == 0;
    });
    EXPECT_EQ(index, first - files.cbegin());
}

TEST(ShuffleTest, EmptyAndOutOfRange) {
    QStringList empty;
    EXPECT_EQ(Shuffle(empty, 5, 1), 5);
    EXPECT_TRUE(empty.isEmpty());
    for (const int current : {-1, 3, 100}) {
        QStringList files{"a", "b", "c"};
        EXPECT_EQ(Shuffle(files, current, 1), 0) << current;
    }
}

// The track list is sorted and shuffled as the plain lists are, its paths moved and not made again:
// the lengths read keep sharing them, so a large list reordered costs no second copy of its paths.
TEST(ShuffleTest, TheTrackListMovesItsOwnPathsIntoTheSameOrders) {
    const QStringList texts = RandomPaths(300, 99);
    const TPathList original(texts);
    QSet<const char*> bytes;
    for (qsizetype i = 0; i < original.size(); ++i)
        bytes.insert(original.BytesAt(i).constData());
    const auto expectMoved = [&](const TPathList& reordered) {
        for (qsizetype i = 0; i < reordered.size(); ++i)
            ASSERT_TRUE(bytes.contains(reordered.BytesAt(i).constData())) << "made again at " << i;
    };

    QStringList sortedTexts = texts;
    SortPaths(sortedTexts, CaseInsensitiveCollator("it_IT"));
    TPathList sorted = original;
    SortPaths(sorted, CaseInsensitiveCollator("it_IT"));
    EXPECT_EQ(sorted.ToStringList(), sortedTexts);
    expectMoved(sorted);

    QStringList shuffledTexts = texts;
    const int expectedIndex = Shuffle(shuffledTexts, 17, 86399999u);
    TPathList shuffled = original;
    EXPECT_EQ(Shuffle(shuffled, 17, 86399999u), expectedIndex);
    EXPECT_EQ(shuffled.ToStringList(), shuffledTexts);
    expectMoved(shuffled);
}

} // namespace
