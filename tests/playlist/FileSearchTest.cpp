// The arguments searched on a thread: the first file as soon as it is found, the whole list at the end.
#include "playlist/FileSearch.h"
#include "support/TouchFile.h"
#include "util/FileNameCodec.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

class FileSearchTest : public ::testing::Test {
protected:
    QString Touch(const QString& relative) {
        TouchFile(QFile::encodeName(FDir.path()), relative.toUtf8());
        return Root() + relative;
    }
    QString Root() const { return FDir.path() + QLatin1Char('/'); }

    QTemporaryDir FDir;
};

MediaTest Mp3s() {
    return [](const QString& name) { return name.endsWith(QLatin1String(".mp3")); };
}

/// A media test that holds the search at one name until released, so the test sees it mid-way.
class Gate {
public:
    explicit Gate(QString at) : FAt(std::move(at)) {}
    MediaTest Test() {
        return [this](const QString& name) {
            niceSeen = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
            if (name == FAt) {
                std::unique_lock lock(FLock);
                FChanged.wait(lock, [this] { return FOpen; });
            }
            return name.endsWith(QLatin1String(".mp3"));
        };
    }
    void Open() {
        const std::lock_guard lock(FLock);
        FOpen = true;
        FChanged.notify_all();
    }

    std::atomic<int> niceSeen{0}; // the searching thread's, at the last name tested

private:
    QString FAt;
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FOpen = false;
};

TEST_F(FileSearchTest, TheFirstFileIsToldBeforeTheSearchEndsAndTheWholeListKeepsTheOrderFound) {
    const QString first = Touch("tree/a/1.mp3");
    const QString second = Touch("tree/a/2.mp3");
    const QString third = Touch("tree/b/3.mp3");
    Touch("tree/b/notes.txt");
    Gate gate(QStringLiteral("3.mp3"));
    TFileSearch search({Root() + "tree", Root() + "missing"}, gate.Test());

    EXPECT_EQ(search.First(), first);
    EXPECT_FALSE(search.Ended()); // held at b/3.mp3
    gate.Open();
    EXPECT_EQ(search.Whole().ToStringList(), QStringList({first, second, third}));
    EXPECT_TRUE(search.Ended());
    EXPECT_TRUE(search.Whole().isEmpty()); // handed over once
}

TEST_F(FileSearchTest, BatchesAreTakenInTurnAndTheFollowerHearsOfEach) {
    const QString first = Touch("t/a/1.mp3");
    const QString second = Touch("t/a/2.mp3");
    const QString third = Touch("t/b/3.mp3");
    Gate gate(QStringLiteral("3.mp3"));
    // Every file is handed on as it is found.
    TFileSearch search({Root() + "t"}, gate.Test(), std::chrono::milliseconds(0));
    ASSERT_EQ(search.First(), first);

    std::mutex lock;
    std::condition_variable changed;
    int news = 0;
    const auto waitForNews = [&](int count) {
        std::unique_lock hold(lock);
        changed.wait(hold, [&] { return news >= count; });
    };
    search.Follow([&] {
        const std::lock_guard hold(lock);
        ++news;
        changed.notify_all();
    });
    waitForNews(1); // something was there to take: told at once
    QStringList taken;
    bool over = true;
    // Held at 3.mp3, the search has handed on 1 and 2 and nothing else.
    while (taken.size() < 2) {
        int seen = 0;
        {
            const std::lock_guard hold(lock);
            seen = news;
        }
        auto [batch, ended] = search.TakeFound();
        taken.append(batch.ToStringList());
        over = ended;
        if (taken.size() < 2)
            waitForNews(seen + 1);
    }
    EXPECT_EQ(taken, QStringList({first, second}));
    EXPECT_FALSE(over);

    gate.Open();
    EXPECT_EQ(search.Whole().ToStringList(), QStringList({third}));
    auto [rest, ended] = search.TakeFound();
    EXPECT_TRUE(rest.isEmpty());
    EXPECT_TRUE(ended);
}

TEST_F(FileSearchTest, ASearchToldToGiveWayGoesOnAtALowerPriority) {
    Touch("t/a/1.mp3");
    Touch("t/a/2.mp3");
    Touch("t/b/3.mp3");
    const int before = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    Gate gate(QStringLiteral("2.mp3"));
    TFileSearch search({Root() + "t"}, gate.Test());
    EXPECT_EQ(search.First(), Root() + "t/a/1.mp3");
    EXPECT_EQ(gate.niceSeen.load(), before);
    search.GiveWay();
    gate.Open();
    EXPECT_EQ(search.Whole().size(), 3);
    EXPECT_EQ(gate.niceSeen.load(), std::max(before, 10)); // at b/3.mp3, after the second file was found
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), before); // this thread untouched
}

TEST_F(FileSearchTest, AStoppedSearchEntersNoFurtherFolder) {
    const QString first = Touch("t/a/1.mp3");
    const QString second = Touch("t/a/2.mp3");
    Touch("t/b/3.mp3");
    Touch("t/c/4.mp3");
    Gate gate(QStringLiteral("2.mp3"));
    TFileSearch search({Root() + "t", Root() + "t/c"}, gate.Test());
    ASSERT_EQ(search.First(), first);
    search.Stop(); // while it tests a/2.mp3
    gate.Open();
    EXPECT_EQ(search.Whole().ToStringList(), QStringList({first, second})); // a's files, then neither b nor c
}

TEST_F(FileSearchTest, ASearchThatFindsNothingEndsWithNoFirstFile) {
    Touch("empty/readme.txt");
    TFileSearch search({Root() + "empty", QString(), Root() + "missing.mp3"}, Mp3s());
    EXPECT_TRUE(search.First().isEmpty());
    EXPECT_TRUE(search.Ended());
    EXPECT_TRUE(search.Whole().isEmpty());
    bool told = false;
    search.Follow([&told] { told = true; }); // over already: at once, here
    EXPECT_TRUE(told);
}

TEST_F(FileSearchTest, AFileNamedOnTheCommandLineIsTheFirstWhateverItsName) {
    const QString named = Touch("song.ogg");
    const QString inFolder = Touch("d/x.mp3");
    TFileSearch search({named, Root() + "d"}, Mp3s());
    EXPECT_EQ(search.First(), named);
    EXPECT_EQ(search.Whole().ToStringList(), QStringList({named, inFolder}));
}

TEST_F(FileSearchTest, NamesThatAreNotTextAreFoundByTheirOwnBytes) {
    // Latin-1 names, as old archives and FAT cards hold them, in a folder whose name is not text either.
    const QByteArray folder = QFile::encodeName(FDir.path()) + "/d\xF6r/";
    TouchFile(QFile::encodeName(FDir.path()), "d\xF6r/caf\xE9.mp3");
    TouchFile(QFile::encodeName(FDir.path()), "d\xF6r/na\xEFve.mp3");
    TFileSearch search({Root()}, Mp3s());
    const TPathList found = search.Whole();
    ASSERT_EQ(found.size(), 2);
    EXPECT_EQ(EncodeFileName(found.at(0)), folder + "caf\xE9.mp3");
    EXPECT_EQ(EncodeFileName(found.at(1)), folder + "na\xEFve.mp3");
    EXPECT_EQ(access(EncodeFileName(found.at(0)).constData(), R_OK), 0);
    EXPECT_EQ(found.indexOf(found.at(1)), 1);
}

} // namespace
