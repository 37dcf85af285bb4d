#include "config/ChangeJournal.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Replays into a log, so the order and what was kept can be read off.
struct Log {
    QStringList lines;
    TChangeJournal::Replay Says(const char* text) {
        return [this, text] { lines.append(QString::fromLatin1(text)); };
    }
};

TEST(TChangeJournal, ALaterChangeOfASubjectReplacesTheEarlierWhereItStood) {
    Log log;
    TChangeJournal journal;
    journal.Record("a", "a.k", log.Says("a.k=1"));
    journal.Record({}, "p", log.Says("p=1"));
    journal.Record("a", "a.k", log.Says("a.k=2"));
    journal.Record({}, {}, log.Says("drop b"));
    journal.Record({}, {}, log.Says("drop b"));
    journal.ReplayAll();
    EXPECT_EQ(log.lines, QStringList({"a.k=2", "p=1", "drop b", "drop b"}))
        << "a change without subject stays";
}

TEST(TChangeJournal, CancellingAGroupDropsItsChangesUntilRecordedAgain) {
    Log log;
    TChangeJournal journal;
    journal.Record("a", "a.k", log.Says("a.k=1"));
    journal.Record("b", "b.k", log.Says("b.k=1"));
    journal.Record("a", "a.j", log.Says("a.j=1"));
    journal.Cancel("a");
    journal.Record({}, {}, log.Says("drop a"));
    journal.Record("a", "a.k", log.Says("a.k=2")); // a new write after the drop
    journal.Cancel("none");
    journal.ReplayAll();
    EXPECT_EQ(log.lines, QStringList({"b.k=1", "drop a", "a.k=2"}));
    EXPECT_FALSE(journal.IsEmpty());
    journal.Clear();
    EXPECT_TRUE(journal.IsEmpty());
    log.lines.clear();
    journal.Record("a", "a.k", log.Says("a.k=3"));
    journal.ReplayAll();
    EXPECT_EQ(log.lines, QStringList{"a.k=3"}) << "nothing of before the clear is replaced or replayed";
}

} // namespace
