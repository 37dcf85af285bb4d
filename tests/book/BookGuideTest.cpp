#include "book/BookGuide.h"

#include "book/TrackLengths.h"
#include "support/CoreFixture.h"
#include "texts/Texts.h"

#include <QEventLoop>
#include <QHash>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QString kBook = QStringLiteral("/b/book.m4b");

class BookGuideTest : public CoreFixture {
protected:
    BookGuideTest() {
        MakeCore();
        fake = control;
        player = &core->Player();
        lengths = std::make_unique<TTrackLengths>([this](const QString& path) -> std::optional<double> {
            if (!known.contains(path))
                return std::nullopt;
            return known.value(path);
        });
    }

    /// Plays path (of the given length and chapters) from position, at rate, and returns the guide.
    TBookGuide& Play(const QString& path, double length, QList<MediaChapter> chapters, double position,
                     double rate = 1.0, int language = LangItalian) {
        fake->durations[path] = length;
        fake->chapters[path] = std::move(chapters);
        player->PlayFile(path);
        DrainEvents();
        fake->position = position;
        fake->rate = rate;
        fake->positionPuts.clear();
        guide = std::make_unique<TBookGuide>(*core, *lengths, language);
        return *guide;
    }

    /// Plays entry index of the core's list (of the given length) from position, at rate.
    TBookGuide& PlayEntry(int index, double length, double position, double rate = 1.0,
                          int language = LangItalian) {
        fake->durations[core->Files().at(index)] = length;
        core->PlayAt(index, false);
        DrainEvents();
        fake->position = position;
        fake->rate = rate;
        guide = std::make_unique<TBookGuide>(*core, *lengths, language);
        return *guide;
    }

    /// Reads the lengths of files and waits until they are all delivered.
    void ReadLengths() {
        lengths->Want(core->Files());
        if (lengths->Settled())
            return;
        QEventLoop loop;
        QObject::connect(lengths.get(), &TTrackLengths::AllRead, &loop, &QEventLoop::quit);
        loop.exec();
    }

    FakeMediaControl* fake = nullptr;
    TMyPlayer* player = nullptr;
    QHash<QString, double> known; // what the length reader finds
    std::unique_ptr<TTrackLengths> lengths;
    std::unique_ptr<TBookGuide> guide;
};

const QList<MediaChapter> kThree = {{0.0, "Prologo"}, {60.0, "La tempesta"}, {120.0, ""}};

TEST_F(BookGuideTest, ChapterKeysMoveByTheRulesAndSayWhereTheyLanded) {
    enum Key { Next, Previous };
    struct Case {
        const char* name;
        QList<MediaChapter> chapters;
        double position;
        Key key;
        std::optional<double> put; // none: nothing moves
        const char* said;
    };
    const Case cases[] = {
        {"NextFromInsideTheFirst", kThree, 10.0, Next, 60.0, "Capitolo 2 di 3: La tempesta"},
        {"NextWithoutTitleSaysNoColon", kThree, 61.0, Next, 120.0, "Capitolo 3 di 3"},
        {"NextFromAHairBeforeAStartSkipsIt", kThree, 59.95, Next, 120.0, "Capitolo 3 di 3"},
        {"NextAtTheLastMovesNothing", kThree, 130.0, Next, std::nullopt, "Ultimo capitolo"},
        {"PreviousPastThreeSecondsGoesToTheStart", kThree, 64.0, Previous, 60.0,
         "Capitolo 2 di 3: La tempesta"},
        {"PreviousWithinThreeSecondsGoesBackOne", kThree, 62.9, Previous, 0.0, "Capitolo 1 di 3: Prologo"},
        {"PreviousInTheFirstChapterStaysInIt", kThree, 1.0, Previous, 0.0, "Capitolo 1 di 3: Prologo"},
        {"NoChaptersNext", {}, 50.0, Next, std::nullopt, "Nessun capitolo"},
        {"NoChaptersPrevious", {}, 50.0, Previous, std::nullopt, "Nessun capitolo"},
        // Times outside the file are clamped into it: a negative start is 0, one past the end is the end.
        {"NegativeFirstStartIsZero", {{-4.0, "A"}, {50.0, "B"}}, 20.0, Previous, 0.0, "Capitolo 1 di 2: A"},
        {"StartPastTheEndIsTheEnd", {{0.0, "A"}, {900.0, "B"}}, 20.0, Next, 200.0, "Capitolo 2 di 2: B"},
        {"UnorderedChaptersAreTakenInTimeOrder",
         {{60.0, "B"}, {0.0, "A"}},
         10.0,
         Next,
         60.0,
         "Capitolo 2 di 2: B"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TBookGuide& g = Play(kBook, 200.0, c.chapters, c.position);
        const QString said = c.key == Next ? g.NextChapter() : g.PreviousChapter();
        EXPECT_EQ(said, QString::fromUtf8(c.said));
        if (c.put)
            EXPECT_EQ(fake->positionPuts, QList<double>({*c.put}));
        else
            EXPECT_TRUE(fake->positionPuts.isEmpty());
    }
}

TEST_F(BookGuideTest, ChapterKeysSpeakSpanishAndStaySilentWithNothingPlaying) {
    TBookGuide& g = Play(kBook, 200.0, kThree, 10.0, 1.0, LangSpanish);
    EXPECT_EQ(g.NextChapter(), QStringLiteral("Capítulo 2 de 3: La tempesta"));
    EXPECT_EQ(g.NextChapter(), QStringLiteral("Capítulo 3 de 3")); // the position read back counts
    EXPECT_EQ(g.NextChapter(), QStringLiteral("Último capítulo"));
    player->CloseMedia();
    fake->positionPuts.clear();
    EXPECT_EQ(g.NextChapter(), QString());
    EXPECT_EQ(g.PreviousChapter(), QString());
    EXPECT_EQ(g.TrackLeft(), QString());
    EXPECT_TRUE(fake->positionPuts.isEmpty());
}

TEST_F(BookGuideTest, TrackLeftIsListeningTimeAtTheCurrentSpeed) {
    struct Case {
        const char* name;
        double length;
        QList<MediaChapter> chapters;
        double position;
        double rate;
        int language;
        const char* said;
    };
    const Case cases[] = {
        {"BelowAnHourAsTheTimeField", 200.0, {}, 75.0, 1.0, LangItalian, "Fine del brano tra 2 min  5 sec"},
        {"DoubleSpeedHalvesIt", 200.0, {}, 80.0, 2.0, LangItalian, "Fine del brano tra 1 min  0 sec"},
        {"AnHourOrMoreInHoursAndMinutes",
         4000.0,
         {},
         215.0,
         1.0,
         LangSpanish,
         "Fin de la pista en 1 hora 3 min"},
        {"HoursPlural", 9000.0, {}, 0.0, 1.0, LangItalian, "Fine del brano tra 2 ore 30 min"},
        {"SlowSpeedLengthensPastAnHour",
         3000.0,
         {},
         0.0,
         0.5,
         LangItalian,
         "Fine del brano tra 1 ora 40 min"},
        {"ChapterAndTrack", 200.0, kThree, 70.0, 1.0, LangItalian,
         "Fine del capitolo tra 50 sec, fine del brano tra 2 min  10 sec"},
        {"LastChapterEndsWithTheTrack", 200.0, kThree, 150.0, 2.0, LangSpanish,
         "Fin del capítulo en 25 sec, fin de la pista en 25 sec"},
        {"UnknownRateCountsAsNormal", 200.0, {}, 100.0, 0.0, LangItalian, "Fine del brano tra 1 min  40 sec"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Play(kBook, c.length, c.chapters, c.position, c.rate, c.language).TrackLeft(),
                  QString::fromUtf8(c.said));
    }
}

TEST_F(BookGuideTest, ListLeftAddsLaterTracksAndSaysAtLeastWhileLengthsAreUnknown) {
    const QString t1 = Touch("b/1.mp3"), t2 = Touch("b/2.mp3"), t3 = Touch("b/3.mp3"), t4 = Touch("b/4.mp3");
    core->LoadCommandLine({Root() + "b"});
    known = {{t1, 100.0}, {t2, 200.0}, {t3, 3600.0}};
    // Nothing read yet: only this track's rest, and no share of a total nobody knows.
    EXPECT_EQ(PlayEntry(1, 200.0, 50.0).ListLeft(),
              QStringLiteral("Fine della lista tra almeno 2 min  30 sec"));
    ReadLengths();
    // The fourth track gives no length: still "at least", with what is known.
    EXPECT_EQ(guide->ListLeft(), QStringLiteral("Fine della lista tra almeno 1 ora 2 min"));
    // A track added later is read when asked again; the unreadable one stays unknown.
    known.insert(t4, 50.0);
    const QString t5 = Touch("c/5.mp3");
    known.insert(t5, 10.0);
    ASSERT_TRUE(core->OpenAndPlay(t5));
    ReadLengths();
    EXPECT_EQ(PlayEntry(4, 10.0, 10.0).ListLeft(), QStringLiteral("Fine della lista tra almeno 0 sec"));
}

TEST_F(BookGuideTest, ListLeftWithEveryLengthKnownSaysTheShareHeard) {
    const QString t1 = Touch("b/1.mp3"), t2 = Touch("b/2.mp3"), t3 = Touch("b/3.mp3"), t5 = Touch("b/5.mp3");
    core->LoadCommandLine({Root() + "b"});
    known = {{t1, 100.0}, {t2, 200.0}, {t3, 3600.0}, {t5, 10.0}};
    ReadLengths();
    // (150 + 3600 + 10) / 2 at double speed, heard (100 + 50) of 3910.
    EXPECT_EQ(PlayEntry(1, 200.0, 50.0, 2.0, LangSpanish).ListLeft(),
              QStringLiteral("Fin de la lista en 31 min  20 sec, escuchado el 3%"));
    EXPECT_EQ(PlayEntry(3, 10.0, 10.0).ListLeft(),
              QStringLiteral("Fine della lista tra 0 sec, ascoltato il 100%"));
}

} // namespace
