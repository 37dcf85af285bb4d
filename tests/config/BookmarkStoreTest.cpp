#include "config/BookmarkStore.h"

#include "TouchFile.h"
#include "config/MediaConfigs.h"
#include "config/SessionRecord.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class BookmarkStoreTest : public testing::Test {
protected:
    QString Touch(const char* relative) {
        TouchFile(QFile::encodeName(dir.path()), relative);
        return dir.path() + u'/' + QString::fromUtf8(relative);
    }
    QString File() const { return dir.path() + "/Play.ind"; }
    std::unique_ptr<TM3MediaConfigs> Store() const {
        return std::make_unique<TM3MediaConfigs>(File(), QLocale(QLocale::Italian, QLocale::Italy));
    }
    static TBookmarkStore::KeyMaker Counter(const char* prefix) {
        return [prefix, n = 0]() mutable { return QStringLiteral("B%1%2").arg(prefix).arg(++n); };
    }
    static QStringList Labels(const QList<Bookmark>& marks) {
        QStringList out;
        for (const Bookmark& m : marks)
            out.append(QStringLiteral("%1:%2:%3").arg(m.number).arg(m.seconds).arg(m.name));
        return out;
    }

    QTemporaryDir dir;
};

TEST_F(BookmarkStoreTest, KeepsEachFilesMarksInTimeOrderAndEditsThem) {
    const QString a = Touch("a.mp3");
    const QString b = Touch("x/a.mp3"); // reduces to another section name
    const QString c = Touch("xa.mp3");  // ... and this one to the same as b's
    const auto store = Store();
    TBookmarkStore marks(*store, Counter("k"));
    const std::optional<Bookmark> late = marks.Add(a, 725.4);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->number, 1);
    const std::optional<Bookmark> early = marks.Add(a, 10);
    ASSERT_TRUE(early);
    EXPECT_EQ(early->number, 1) << "numbered in time order";
    marks.Add(b, 3);
    marks.Add(c, 4);
    marks.Rename(a, late->key, QStringLiteral(" Ricetta\npassaggio "));
    EXPECT_EQ(Labels(marks.Of(a)), QStringList({"1:10:", "2:725.4:Ricetta passaggio"}));
    EXPECT_EQ(Labels(marks.Of(b)), QStringList{"1:3:"});
    EXPECT_EQ(Labels(marks.Of(c)), QStringList{"1:4:"});
    marks.Remove(a, early->key);
    marks.Rename(a, early->key, QStringLiteral("gone")); // a removed mark stays removed
    EXPECT_EQ(Labels(marks.Of(a)), QStringList{"1:725.4:Ricetta passaggio"});
    EXPECT_TRUE(marks.Of(dir.path() + "/none.mp3").isEmpty());
    // A relative name or a link finds the same file's marks.
    ASSERT_TRUE(QFile::link(a, dir.path() + "/link.mp3"));
    EXPECT_EQ(marks.Of(dir.path() + "/link.mp3").size(), 1);

    ASSERT_TRUE(store->SaveToDisk());
    EXPECT_EQ(Labels(TBookmarkStore(*Store()).Of(a)), QStringList{"1:725.4:Ricetta passaggio"});
}

TEST_F(BookmarkStoreTest, TwoInstancesMergeTheirMarks) {
    const QString a = Touch("a.mp3");
    const auto first = Store();
    const auto second = Store();
    TBookmarkStore one(*first, Counter("one"));
    TBookmarkStore two(*second, Counter("two"));
    const std::optional<Bookmark> kept = one.Add(a, 10);
    const std::optional<Bookmark> removed = one.Add(a, 20);
    ASSERT_TRUE(first->SaveToDisk());
    two.Add(a, 30);
    ASSERT_TRUE(second->SaveToDisk());
    one.Remove(a, removed->key);
    one.Rename(a, kept->key, "inizio");
    one.Add(a, 40);
    ASSERT_TRUE(first->SaveToDisk());
    two.Add(a, 50);
    ASSERT_TRUE(second->SaveToDisk());
    EXPECT_EQ(Labels(TBookmarkStore(*Store()).Of(a)),
              QStringList({"1:10:inizio", "2:30:", "3:40:", "4:50:"}));
}

TEST_F(BookmarkStoreTest, AnOlderFileComesBackWholeAndAnOlderBuildKeepsTheNewSections) {
    const QString kept = Touch("kept.mp3");
    const QByteArray older = "[homeoldbmp3]\r\nPath=/home/old/b.mp3\r\nTime=83,4\r\n\r\n"
                             "[nopath]\r\nTime=5\r\nNote=by hand\r\n\r\n";
    {
        QFile f(File());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(older);
    }
    {
        const auto store = Store();
        TBookmarkStore(*store).Add(kept, 12);
        TSessionRecord(*store).Begin({kept}, 0, {kept});
        ASSERT_TRUE(store->SaveToDisk());
    }
    QFile f(File());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    f.close();
    EXPECT_TRUE(written.startsWith(older)) << written.constData();

    // What an older build does at exit: its own writes and the purge of gone files.
    const auto old = Store();
    EXPECT_EQ(old->GetResumeTime("/home/old/b.mp3"), 83.4);
    old->SetPurgeProbe([](const QString&) { return TFileProbe::Entry::Missing; }, std::chrono::seconds(60));
    old->SetResumeTime(kept, 7);
    old->Purge();
    ASSERT_TRUE(old->SaveToDisk());
    const auto reread = Store();
    EXPECT_EQ(TBookmarkStore(*reread).Of(kept).size(), 1);
    EXPECT_TRUE(TSessionRecord(*reread).Load());
    EXPECT_EQ(reread->ReadText("nopath", "Note", ""), "by hand");
}

TEST_F(BookmarkStoreTest, PurgeDropsOnlyTheMarksOfFilesGoneForGood) {
    const struct {
        const char* name;
        TFileProbe::Entry entry;
        bool kept;
    } cases[] = {
        {"present", TFileProbe::Entry::File, true},
        {"missing", TFileProbe::Entry::Missing, false},
        {"folder", TFileProbe::Entry::Folder, false},
        {"unknown", TFileProbe::Entry::Unknown, true}, // a share that failed to answer proves nothing
    };
    const auto store = Store();
    TBookmarkStore marks(*store);
    QHash<QString, TFileProbe::Entry> answers;
    for (const auto& c : cases) {
        const QString path = dir.path() + '/' + c.name + ".mp3";
        answers.insert(path, c.entry);
        marks.Add(path, 1);
    }
    marks.Purge([&](const QString& p) { return answers.value(p, TFileProbe::Entry::Unknown); },
                std::chrono::seconds(60));
    ASSERT_TRUE(store->SaveToDisk());
    const auto after = Store();
    TBookmarkStore reread(*after);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reread.Of(dir.path() + '/' + c.name + ".mp3").size(), c.kept ? 1 : 0);
    }
}

// Loading trims values: a path that begins or ends with a blank is kept whole by its quotes.
TEST_F(BookmarkStoreTest, ANameWithABlankAtEitherEndKeepsItsMarksAcrossARestartAndThePurge) {
    const QString trailing = Touch("Fine spazio.mp3 ");
    const QString leading = Touch(" Inizio spazio.mp3");
    const QString plain = Touch("Fine spazio.mp3"); // the trailing one's name, trimmed
    {
        const auto store = Store();
        TBookmarkStore marks(*store);
        marks.Add(trailing, 10);
        marks.Add(leading, 20);
        marks.Add(plain, 30);
        TSessionRecord record(*store);
        record.Begin({trailing}, 0, {trailing});
        record.NotePlace(0, trailing, 4.5);
        ASSERT_TRUE(store->SaveToDisk());
    }
    {
        const auto store = Store();
        TBookmarkStore(*store).Purge(TFileProbe::SystemLookup, std::chrono::seconds(60));
        ASSERT_TRUE(store->SaveToDisk());
    }
    const auto store = Store();
    const TBookmarkStore marks(*store);
    EXPECT_EQ(Labels(marks.Of(trailing)), QStringList{"1:10:"});
    EXPECT_EQ(Labels(marks.Of(leading)), QStringList{"1:20:"});
    EXPECT_EQ(Labels(marks.Of(plain)), QStringList{"1:30:"});
    const std::optional<SessionState> session = TSessionRecord(*store).Load();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->arguments, QStringList{trailing});
    EXPECT_EQ(session->current, trailing);
    EXPECT_EQ(session->seconds, 4.5);
}

TEST_F(BookmarkStoreTest, AnOlderUnquotedSectionIsStillRead) {
    const QString a = Touch("a.mp3");
    const QByteArray older = "[Bookmarks:" + TM3MediaConfigs::SectionName(a).toLatin1() +
                             "]\r\nFile=" + a.toUtf8() + "\r\nBk1-x=12.5 Inizio\r\n\r\n";
    {
        QFile f(File());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(older);
    }
    EXPECT_EQ(Labels(TBookmarkStore(*Store()).Of(a)), QStringList{"1:12.5:Inizio"});
}

// Three files that reduce to one name hold "x", "x~2" and "x~3"; the purge of the middle one
// leaves a gap in the numbers that must not hide the third.
TEST_F(BookmarkStoreTest, TheMarksAfterAPurgedAlikeNameAreStillFound) {
    const QString a = Touch("x/a.mp3");
    const QString b = Touch("xa.mp3");
    const QString c = Touch("x.a.mp3");
    ASSERT_EQ(TM3MediaConfigs::SectionName(a), TM3MediaConfigs::SectionName(c));
    const auto store = Store();
    TBookmarkStore marks(*store, Counter("k"));
    marks.Add(a, 1);
    marks.Add(b, 2);
    marks.Add(c, 3);
    ASSERT_TRUE(QFile::remove(b));
    marks.Purge(TFileProbe::SystemLookup, std::chrono::seconds(60));
    EXPECT_TRUE(marks.Of(b).isEmpty());
    EXPECT_EQ(Labels(marks.Of(c)), QStringList{"1:3:"});
    marks.Add(c, 4);
    EXPECT_EQ(Labels(marks.Of(c)), QStringList({"1:3:", "2:4:"})) << "one section per file";
    ASSERT_TRUE(store->SaveToDisk());
    EXPECT_EQ(Labels(TBookmarkStore(*Store()).Of(c)), QStringList({"1:3:", "2:4:"}));
}

} // namespace
