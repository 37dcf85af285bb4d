#include "return/SessionRestore.h"

#include "CurrentFolderGuard.h"
#include "TouchFile.h"
#include "config/SectionedStore.h"
#include "config/SessionRecord.h"
#include "util/FileIdentity.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

class SessionRestoreTest : public testing::Test {
public: // to the case tables too
    QString Touch(const char* relative) {
        TouchFile(QFile::encodeName(dir.path()), relative);
        return Root() + QString::fromUtf8(relative);
    }
    QString Root() const { return dir.path() + u'/'; }
    std::unique_ptr<TSectionedStore> Store() const {
        return std::make_unique<TSectionedStore>(Root() + "Play.ind", QLocale::c());
    }
    std::optional<RestoredSession> Rebuild(const TSectionedStore& store) const {
        const std::optional<SessionState> state = TSessionRecord(const_cast<TSectionedStore&>(store)).Load();
        if (!state)
            return std::nullopt;
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        return RebuildSession(
            *state, [](const QString& name) { return name.endsWith(".mp3"); }, collator);
    }

    CurrentFolderGuard folder;
    QTemporaryDir dir;
};

// Each case starts a session, notes a place, changes the disk, and restores in a later run from
// another current folder.
TEST_F(SessionRestoreTest, RebuildsTheListInItsOrderAtItsPlace) {
    struct Case {
        const char* name;
        int sortType;
        std::function<QStringList(SessionRestoreTest&)> arguments; // run from Root()
        std::function<QStringList(const QStringList&)> played;     // the list as the run played it
        int index;                                                 // the place noted
        std::function<void(const QStringList&)> change;            // on disk, between the runs
        QStringList expected;                                      // names, in order; empty: nothing
        int current;
        double seconds;
    };
    const auto reversed = [](const QStringList& built) {
        QStringList r(built.crbegin(), built.crend());
        return r;
    };
    const auto same = [](const QStringList& built) { return built; };
    const auto nothing = [](const QStringList&) {};
    const auto removeFile = [](int i) { return [i](const QStringList& l) { QFile::remove(l[i]); }; };
    const Case cases[] = {
        {"FoldersGivenRelative",
         0,
         [](SessionRestoreTest& t) {
             t.Touch("books/a.mp3");
             t.Touch("books/b.mp3");
             t.Touch("books/c.txt");
             t.Touch("x.mp3");
             return QStringList{"books", "x.mp3"};
         },
         same,
         1,
         nothing,
         {"a.mp3", "b.mp3", "x.mp3"},
         1,
         65.5},
        {"ShuffledComesBackInItsOrder",
         2,
         [](SessionRestoreTest& t) {
             for (const char* n : {"s/1.mp3", "s/2.mp3", "s/3.mp3", "s/4.mp3"})
                 t.Touch(n);
             return QStringList{"s"};
         },
         reversed,
         2,
         nothing,
         {"4.mp3", "3.mp3", "2.mp3", "1.mp3"},
         2,
         65.5},
        {"AGoneFileLeavesTheOthersInOrder",
         2,
         [](SessionRestoreTest& t) {
             for (const char* n : {"g/1.mp3", "g/2.mp3", "g/3.mp3"})
                 t.Touch(n);
             return QStringList{"g"};
         },
         reversed,
         2,
         removeFile(1),
         {"3.mp3", "1.mp3"},
         1,
         65.5},
        {"TheCurrentGoneStartsTheNextFromItsStart",
         0,
         [](SessionRestoreTest& t) {
             for (const char* n : {"c/1.mp3", "c/2.mp3", "c/3.mp3"})
                 t.Touch(n);
             return QStringList{"c"};
         },
         same,
         1,
         removeFile(1),
         {"1.mp3", "3.mp3"},
         1,
         0},
        {"AFileFoundAnewFollows",
         2,
         [](SessionRestoreTest& t) {
             t.Touch("n/1.mp3");
             t.Touch("n/2.mp3");
             return QStringList{"n"};
         },
         reversed,
         0,
         [](const QStringList& l) { TouchFile(QFile::encodeName(QFileInfo(l[0]).path()), "0.mp3"); },
         {"2.mp3", "1.mp3", "0.mp3"},
         0,
         65.5},
        {"NothingLeft",
         0,
         [](SessionRestoreTest& t) {
             t.Touch("z/1.mp3");
             return QStringList{"z", "z/1.mp3"};
         },
         same,
         0,
         [](const QStringList& l) { QDir(QFileInfo(l[0]).path()).removeRecursively(); },
         {},
         0,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(Root() + "Play.ind");
        QDir::setCurrent(dir.path());
        const QStringList arguments = c.arguments(*this);
        QStringList built;
        for (const QString& a : arguments)
            AddArgument(
                a, [](const QString& n) { return n.endsWith(".mp3"); }, built);
        const QStringList played = c.played(built);
        {
            auto store = Store();
            TSessionRecord record(*store);
            record.Begin(arguments, c.sortType, TPathList(played));
            record.NotePlace(c.index, played[c.index], 65.5);
            ASSERT_TRUE(store->SaveToDisk());
        }
        c.change(played);
        QDir::setCurrent(QDir::rootPath());
        const auto store = Store();
        const std::optional<RestoredSession> restored = Rebuild(*store);
        if (c.expected.isEmpty()) {
            EXPECT_FALSE(restored);
            continue;
        }
        ASSERT_TRUE(restored);
        QStringList names;
        for (const QString& f : restored->files) {
            EXPECT_TRUE(QFileInfo(f).isAbsolute()) << f.toStdString();
            names.append(QFileInfo(f).fileName());
        }
        EXPECT_EQ(names, c.expected);
        EXPECT_EQ(restored->current, c.current);
        EXPECT_EQ(restored->seconds, c.seconds);
    }
}

TEST_F(SessionRestoreTest, NoRecordAndAPlaceWrittenOverAnotherSessionGiveNothingOfIt) {
    const auto store = Store();
    EXPECT_FALSE(TSessionRecord(*store).Load());

    const QString one = Touch("1.mp3");
    const QString two = Touch("2.mp3");
    // Two instances on one file: the second start wins, and the first, still playing, takes the
    // record back whole when it notes its place after its save brought the other's in.
    const auto first = Store();
    const auto second = Store();
    TSessionRecord a(*first);
    TSessionRecord b(*second);
    a.Begin({one}, 0, {one});
    ASSERT_TRUE(first->SaveToDisk());
    b.Begin({two}, 0, {two});
    b.NotePlace(0, two, 12);
    ASSERT_TRUE(second->SaveToDisk());
    a.NotePlace(0, one, 40); // written over b's session by the save that follows
    ASSERT_TRUE(first->SaveToDisk());
    std::optional<SessionState> mixed = TSessionRecord(*Store()).Load();
    ASSERT_TRUE(mixed);
    EXPECT_EQ(mixed->arguments, QStringList{two});
    EXPECT_EQ(mixed->index, -1) << "a place of another session is not this one's";
    a.NotePlace(0, one, 45);
    ASSERT_TRUE(first->SaveToDisk());
    const std::optional<SessionState> taken = TSessionRecord(*Store()).Load();
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->arguments, QStringList{one});
    EXPECT_EQ(taken->current, one);
    EXPECT_EQ(taken->seconds, 45);
}

} // namespace
