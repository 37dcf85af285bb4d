#pragma once

#include "util/PathList.h"

#include <QHash>
#include <QObject>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

/// The lengths of the tracks in the list, read in the background so that neither start-up nor the
/// keys wait for the disk. One worker thread reads the lists asked for, one file at a time, in
/// order, each path once; each result reaches the UI thread by a queued call, so everything but the
/// worker lives on the UI thread. Asking costs the UI thread no more than a shared copy of the list.
class TTrackLengths : public QObject {
    Q_OBJECT
public:
    /// Reads one length; runs on the worker thread; nullopt when the file gives none.
    using Reader = std::function<std::optional<double>(const QString& path)>;

    explicit TTrackLengths(Reader reader, QObject* parent = nullptr);
    /// Stops the worker after the file it is reading; results still queued are dropped.
    ~TTrackLengths() override;
    TTrackLengths(const TTrackLengths&) = delete;
    TTrackLengths& operator=(const TTrackLengths&) = delete;

    /// Queues the paths behind those asked for before; those already read are skipped. Returns at once.
    void Want(const TPathList& paths);
    void Want(const QStringList& paths) { Want(TPathList(paths)); }
    /// The length read for path; nullopt until it is read, or when it gives none.
    std::optional<double> Length(const QString& path) const {
        return FLengths.value(TPathList::Encode(path), std::nullopt);
    }
    /// The same for the path at i in files, without making a text of it.
    std::optional<double> LengthAt(const TPathList& files, qsizetype i) const {
        return FLengths.value(files.BytesAt(i), std::nullopt);
    }
    /// Whether every list asked for has been read to its end and its results delivered.
    bool Settled() const { return FPendingLists == 0; }

signals:
    /// After a length has been stored.
    void LengthRead(const QString& path);
    /// After the last list asked for has been read to its end.
    void AllRead();

private:
    void Work();

    Reader FReader;
    // Read, with or without a length; keyed by the list's own stored paths, which the keys share.
    QHash<QByteArray, std::optional<double>> FLengths;
    int FPendingLists = 0;
    std::mutex FMutex;
    std::condition_variable FWake;
    std::deque<TPathList> FQueue; // guarded by FMutex
    bool FStop = false;           // guarded by FMutex
    std::thread FWorker;          // last: started once everything it uses exists
};
