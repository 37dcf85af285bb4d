#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

struct AVFormatContext;

/// A media file opened by libavformat under the one open rule: a regular local file, read through
/// the descriptor the rule checked (so the file judged is the file read), by a media format's
/// demuxer, which may open no other file or address. libavformat's own notes stay off stderr.
class TMediaInput {
public:
    /// The file (in the file system's encoding), opened; null when it cannot be, or is no media the
    /// rule allows. probeBytes: how much the format probe may read, 0 for libavformat's own amount.
    static std::unique_ptr<TMediaInput> Open(const QByteArray& file, std::int64_t probeBytes = 0);
    ~TMediaInput();
    TMediaInput(const TMediaInput&) = delete;
    TMediaInput& operator=(const TMediaInput&) = delete;

    AVFormatContext* Format() const { return FFormat; }

private:
    class TReader;
    explicit TMediaInput(std::unique_ptr<TReader> reader);

    std::unique_ptr<TReader> FReader;
    AVFormatContext* FFormat = nullptr; // closed before the reader goes
};
