#include "playlist/TrackListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(TrackListModelTest, ShowsFileNameAndFullPath) {
    // Kept as bytes, shown as the same text: letters beyond ASCII and beyond the BMP too.
    const TPathList files(
        QStringList{"/music/one/a.mp3", "relative/b.wav", "c.mp3", "/odd/dir/", "/x/canción.del.año 🎵.ogg"});
    TTrackListModel model(&files);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model.rowCount(), 5);
    ASSERT_EQ(model.columnCount(), 2);
    const QString names[] = {"a.mp3", "b.wav", "c.mp3", "", "canción.del.año 🎵.ogg"};
    for (int row = 0; row < 5; ++row) {
        for (const int role : {int(Qt::DisplayRole), int(Qt::AccessibleTextRole)}) {
            EXPECT_EQ(model.data(model.index(row, TTrackListModel::NameColumn), role).toString(), names[row]);
            EXPECT_EQ(model.data(model.index(row, TTrackListModel::PathColumn), role).toString(), files[row]);
        }
        EXPECT_FALSE(model.data(model.index(row, 0), Qt::DecorationRole).isValid());
    }
    EXPECT_FALSE(model.data(model.index(5, 0)).isValid());
    EXPECT_FALSE(model.headerData(0, Qt::Horizontal).isValid());
    EXPECT_EQ(model.rowCount(model.index(0, 0)), 0);
}

TEST(TrackListModelTest, ResetFollowsTheList) {
    TPathList files;
    TTrackListModel model(&files);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    EXPECT_EQ(model.rowCount(), 0);
    files = TPathList(QStringList{"/m/a.mp3", "/m/b.mp3"});
    model.Reset();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.data(model.index(1, 0)).toString(), "b.mp3");
    files.clear();
    model.Reset();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(TrackListModelTest, NoListMeansNoRows) {
    TTrackListModel model(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.data(model.index(0, 0)).isValid());
}

} // namespace
