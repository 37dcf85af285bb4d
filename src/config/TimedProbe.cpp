#include "config/TimedProbe.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Shared by the caller and the asking thread; whichever lets go last frees it.
struct Answers {
    std::mutex mutex;
    std::condition_variable finished;
    QHash<QString, TFileProbe::Entry> found;
    bool done = false;
    std::atomic<bool> stop = false;
};

} // namespace

QHash<QString, TFileProbe::Entry> ProbeWithin(const QStringList& paths, const QStringList& folders,
                                              const TFileProbe::Lookup& lookup,
                                              std::chrono::milliseconds budget) {
    if (paths.isEmpty())
        return {};
    const auto deadline = std::chrono::steady_clock::now() + budget;
    auto answers = std::make_shared<Answers>();
    try {
        // Everything by value: the thread may outlive this call and the store.
        std::thread([answers, paths, folders, lookup] {
            try {
                TFileProbe probe(lookup);
                for (const QString& folder : folders) {
                    if (answers->stop)
                        break;
                    probe.ListFolder(folder);
                }
                for (const QString& path : paths) {
                    if (answers->stop)
                        break;
                    const TFileProbe::Entry entry = probe.Find(path);
                    const std::lock_guard lock(answers->mutex);
                    answers->found.insert(path, entry);
                }
            } catch (...) {
                // What was answered so far stands; the rest stays unchecked.
            }
            const std::lock_guard lock(answers->mutex);
            answers->done = true;
            answers->finished.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return {}; // no thread to ask on: nothing is checked, so nothing is forgotten
    }
    std::unique_lock lock(answers->mutex);
    answers->finished.wait_until(lock, deadline, [&] { return answers->done; });
    answers->stop = true;
    return answers->found;
}

QStringList FoldersWorthListing(const QStringList& paths) {
    // One listing answers a folder's many files at the cost of a few questions.
    constexpr int kListingPays = 16;
    QHash<QString, int> perFolder;
    QStringList folders;
    for (const QString& path : paths) {
        const qsizetype slash = path.lastIndexOf(u'/');
        if (slash > 0 && ++perFolder[path.first(slash)] == kListingPays)
            folders.append(path.first(slash));
    }
    return folders;
}
