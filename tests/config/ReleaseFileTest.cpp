// A "Play.ind" written by the last release, kept as it wrote it: positions (one path ending and one
// beginning with a blank, two paths that reduce alike), a section without Path, speeds, bookmarks
// (one removed, one named, two files that reduce alike) and a session. This build reads it and
// writes it back byte for byte, and writes the same operations the same way.

#include "config/BookmarkStore.h"
#include "config/MediaConfigs.h"
#include "config/SessionRecord.h"
#include "config/SpeedConfigs.h"

#include "StoreTestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kChapter1 = QStringLiteral("/libri/Un libro/capitolo 1.mp3");

QByteArray Fixture() {
    QFile file(QStringLiteral(VARNEL_SOURCE_DIR "/tests/config/fixtures/release-Play.ind"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing fixture>");
    return file.readAll();
}

// The key maker the fixture was written with.
TBookmarkStore::KeyMaker FixtureKeys() {
    return [n = 0]() mutable {
        ++n;
        return QStringLiteral("Bl%1-x%2").arg(n + 100, 0, 36).arg(n);
    };
}

QStringList Labels(const QList<Bookmark>& marks) {
    QStringList out;
    for (const Bookmark& m : marks)
        out.append(QStringLiteral("%1:%2:%3").arg(m.number).arg(m.seconds).arg(m.name));
    return out;
}

class ReleaseFileTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        StoreTestFiles::WriteBytes(File(), Fixture());
    }
    QString File() const { return dir.filePath("Play.ind"); }
    std::unique_ptr<TM3MediaConfigs> Store() const {
        return std::make_unique<TM3MediaConfigs>(File(), StoreTestFiles::kComma);
    }

    QTemporaryDir dir;
};

TEST_F(ReleaseFileTest, ReadsEveryKindOfSection) {
    const auto store = Store();
    EXPECT_EQ(store->GetResumeTime("/musica/Brano 01.mp3"), 83.4);
    EXPECT_EQ(store->GetResumeTime("/musica/brano01.mp3"), 12);
    EXPECT_EQ(store->GetResumeTime("/musica/Fine spazio.mp3 "), 7.25);
    EXPECT_EQ(store->GetResumeTime("/musica/Fine spazio.mp3"), 0) << "the blank makes it another file";
    EXPECT_EQ(store->GetResumeTime("/musica/ Inizio spazio.mp3"), 41);
    EXPECT_EQ(store->ReadText("nopath", "Note", ""), "written by hand");

    const TSpeedConfigs speeds(*store);
    EXPECT_EQ(speeds.RateOf("/libri/Un libro"), 1.3);
    EXPECT_EQ(speeds.RateOf("/libri/un-libro"), 0.8);
    EXPECT_EQ(speeds.RateOf("/libri/Cartella "), 2);
    EXPECT_EQ(speeds.RateOf("/libri/Cartella"), std::nullopt);

    const TBookmarkStore marks(*store);
    EXPECT_EQ(Labels(marks.Of(kChapter1)), QStringList({"1:10:", "2:300:Ricetta"}));
    EXPECT_EQ(Labels(marks.Of("/libri/unlibro/capitolo1.mp3")), QStringList{"1:4:"});

    const std::optional<SessionState> session = TSessionRecord(*store).Load();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->arguments, QStringList({"/libri/Un libro", "/musica/Brano 01.mp3"}));
    EXPECT_EQ(session->sortType, 2);
    EXPECT_EQ(session->order,
              QStringList({"/libri/Un libro/capitolo 2.mp3", "/musica/Brano 01.mp3", kChapter1}));
    EXPECT_EQ(session->index, 2);
    EXPECT_EQ(session->current, kChapter1);
    EXPECT_EQ(session->seconds, 131.5);
}

TEST_F(ReleaseFileTest, WritesItBackByteForByte) {
    {
        const auto store = Store();
        // Writes that change nothing leave the file as the release wrote it.
        store->SetResumeTime("/musica/Fine spazio.mp3 ", 7.25);
        TSpeedConfigs(*store).SetRate("/libri/Cartella ", 2);
        ASSERT_TRUE(store->SaveToDisk());
    }
    EXPECT_EQ(StoreTestFiles::ReadBytes(File()), Fixture());
}

TEST_F(ReleaseFileTest, TheSameStepsWriteTheSameFile) {
    ASSERT_TRUE(QFile::remove(File()));
    const auto store = Store();
    // The steps that wrote the fixture.
    store->WriteText("nopath", "Note", "written by hand");
    store->SetResumeTime("/musica/Brano 01.mp3", 83.4);
    store->SetResumeTime("/musica/brano01.mp3", 12);
    store->SetResumeTime("/musica/Fine spazio.mp3 ", 7.25);
    store->SetResumeTime("/musica/ Inizio spazio.mp3", 41);
    TSpeedConfigs speeds(*store);
    speeds.SetRate("/libri/Un libro", 1.3);
    speeds.SetRate("/libri/un-libro", 0.8);
    speeds.SetRate("/libri/Cartella ", 2);
    TBookmarkStore marks(*store, FixtureKeys());
    const std::optional<Bookmark> first = marks.Add(kChapter1, 125.5);
    marks.Add(kChapter1, 10);
    const std::optional<Bookmark> named = marks.Add(kChapter1, 300);
    ASSERT_TRUE(first && named);
    marks.Rename(kChapter1, named->key, "Ricetta");
    marks.Remove(kChapter1, first->key);
    marks.Add("/libri/unlibro/capitolo1.mp3", 4);
    TSessionRecord session(*store);
    session.Begin({"/libri/Un libro", "/musica/Brano 01.mp3"}, 2,
                  {"/libri/Un libro/capitolo 2.mp3", "/musica/Brano 01.mp3", kChapter1});
    session.NotePlace(2, kChapter1, 131.5);
    ASSERT_TRUE(store->SaveToDisk());

    // The session's id is new in every run; everything else is the release's text.
    const QString id = store->ReadText("Session:last", "Id", "");
    QByteArray expected = Fixture();
    expected.replace("mxgno2jp-b6l5b", id.toLatin1());
    EXPECT_EQ(StoreTestFiles::ReadBytes(File()), expected);
}

} // namespace
