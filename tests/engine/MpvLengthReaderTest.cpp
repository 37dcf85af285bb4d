// The reader of an entry's length off the UI thread: it never holds up the caller, answers on the
// owner's thread, and answers only what is still asked.
#include "engine/MpvLengthReader.h"

#include "MpvTestSupport.h"
#include "support/EventDrain.h"

#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace {

/// A length reader the test holds inside its read until it lets go.
class HeldReader {
public:
    std::optional<double> Read(const QString& path) {
        std::unique_lock lock(FMutex);
        FThreads.push_back(QThread::currentThread());
        FEntered.push_back(path);
        FChanged.notify_all();
        FChanged.wait(lock, [this] { return FReleased; });
        return path.size();
    }
    void Release() {
        const std::lock_guard lock(FMutex);
        FReleased = true;
        FChanged.notify_all();
    }
    /// Waits until `count` reads have begun.
    void AwaitEntered(std::size_t count) {
        std::unique_lock lock(FMutex);
        FChanged.wait(lock, [&] { return FEntered.size() >= count; });
    }
    std::vector<QThread*> Threads() {
        const std::lock_guard lock(FMutex);
        return FThreads;
    }

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::vector<QThread*> FThreads;
    std::vector<QString> FEntered;
    bool FReleased = false;
};

TEST(MpvLengthReader, AnswersOnTheOwnersThreadWhileTheCallerGoesOn) {
    QObject owner;
    HeldReader held;
    MpvLengthReader reader(owner, [&](const QString& path) { return held.Read(path); });
    std::vector<std::optional<double>> answers;
    QThread* answeredOn = nullptr;
    reader.Read("abc", [&](std::optional<double> length) {
        answers.push_back(length);
        answeredOn = QThread::currentThread();
    });
    // Returned while the read is still held: the caller never waits for the file.
    held.AwaitEntered(1);
    EXPECT_TRUE(reader.Pending());
    ASSERT_EQ(held.Threads().size(), 1u);
    EXPECT_NE(held.Threads().front(), QThread::currentThread());
    held.Release();
    ASSERT_TRUE(WaitUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers, (std::vector<std::optional<double>>{3.0}));
    EXPECT_EQ(answeredOn, owner.thread());
    EXPECT_FALSE(reader.Pending());
}

TEST(MpvLengthReader, OnlyTheLastQuestionIsAnswered) {
    QObject owner;
    HeldReader held;
    MpvLengthReader reader(owner, [&](const QString& path) { return held.Read(path); });
    std::vector<QString> answered;
    const auto note = [&](const QString& name) {
        return [&answered, name](std::optional<double>) { answered.push_back(name); };
    };
    reader.Read("first", note("first"));
    held.AwaitEntered(1);
    reader.Read("second", note("second")); // asked again while the first is read
    reader.Cancel();
    reader.Read("third", note("third"));
    held.Release();
    // The answers are queued in the order read, so the last one comes after every earlier one.
    ASSERT_TRUE(WaitUntil([&] { return !answered.empty(); }));
    DrainEvents();
    EXPECT_EQ(answered, (std::vector<QString>{"third"}));

    reader.Read("fourth", note("fourth"));
    reader.Cancel();
    reader.Read("fifth", note("fifth"));
    ASSERT_TRUE(WaitUntil([&] { return answered.size() == 2; }));
    EXPECT_EQ(answered.back(), "fifth");
}

TEST(MpvLengthReader, NothingIsAnsweredOnceItIsGone) {
    QObject owner;
    HeldReader held;
    bool answered = false;
    {
        MpvLengthReader reader(owner, [&](const QString& path) { return held.Read(path); });
        reader.Read("abc", [&](std::optional<double>) { answered = true; });
        held.AwaitEntered(1);
        held.Release(); // its answer is queued, maybe, as the reader goes
    }
    DrainEvents();
    EXPECT_FALSE(answered);
}

} // namespace
