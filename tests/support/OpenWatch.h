#pragma once

#include <QByteArray>
#include <QSet>

#include <sys/inotify.h>
#include <unistd.h>

#include <cstddef>

/// Records the names of the files opened in one folder from the moment it is made, by anyone: the
/// kernel queues each open as it happens, so what has returned by the time Opened() is asked has
/// been recorded. Tells whether a reader followed a list or a reference to a file beside it.
class OpenWatch {
public:
    explicit OpenWatch(const QByteArray& folder) : FFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        FValid = FFd >= 0 && inotify_add_watch(FFd, folder.constData(), IN_OPEN) >= 0;
    }
    ~OpenWatch() {
        if (FFd >= 0)
            ::close(FFd);
    }
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    bool Valid() const { return FValid; }
    /// The names opened so far.
    const QSet<QByteArray>& Opened() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(FFd, buffer, sizeof buffer);
            if (got <= 0)
                return FOpened;
            for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0)
                    FOpened.insert(QByteArray(event->name));
                at += sizeof(inotify_event) + event->len;
            }
        }
    }

private:
    int FFd;
    bool FValid = false;
    QSet<QByteArray> FOpened;
};
