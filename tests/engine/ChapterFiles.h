#pragma once

// Books with chapters for the tests, written here: silent MP3 audio remuxed by libavformat into the
// container asked for, with its chapters, as a ripper or an encoder would leave them.

#include "SilentMp3.h"

#include <QFile>
#include <QString>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <utility>
#include <vector>

struct ChapterMark {
    double start;
    const char* title;
};

/// Writes `seconds` of silence at path in container `format` ("mp3", "mp4", "matroska", "ogg"...)
/// with chapters, each ending where the next starts; returns false when anything failed.
inline bool WriteChapterBook(const QString& path, const char* format, double seconds,
                             const std::vector<ChapterMark>& marks) {
    av_log_set_level(AV_LOG_ERROR); // its notes on the headerless source are no failure
    const QString source = path + QStringLiteral(".src.mp3");
    if (!WriteSilentMp3(source, seconds, Mp3Tag::None))
        return false;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, QFile::encodeName(source).constData(), nullptr, nullptr) < 0)
        return false;
    AVFormatContext* out = nullptr;
    const QByteArray target = QFile::encodeName(path);
    bool ok = avformat_find_stream_info(in, nullptr) >= 0 &&
              avformat_alloc_output_context2(&out, nullptr, format, target.constData()) >= 0;
    AVStream* stream = ok ? avformat_new_stream(out, nullptr) : nullptr;
    ok = stream && avcodec_parameters_copy(stream->codecpar, in->streams[0]->codecpar) >= 0;
    if (ok) {
        stream->codecpar->codec_tag = 0;
        stream->time_base = AVRational{1, 48000};
        out->chapters = static_cast<AVChapter**>(av_calloc(marks.size(), sizeof(AVChapter*)));
        for (std::size_t i = 0; i < marks.size() && out->chapters; ++i) {
            auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
            if (!chapter)
                break;
            chapter->id = static_cast<std::int64_t>(i + 1);
            chapter->time_base = AVRational{1, 1000};
            chapter->start = static_cast<std::int64_t>(marks[i].start * 1000);
            chapter->end =
                static_cast<std::int64_t>((i + 1 < marks.size() ? marks[i + 1].start : seconds) * 1000);
            av_dict_set(&chapter->metadata, "title", marks[i].title, 0);
            out->chapters[out->nb_chapters++] = chapter;
        }
        ok = out->nb_chapters == marks.size() &&
             avio_open(&out->pb, target.constData(), AVIO_FLAG_WRITE) >= 0 &&
             avformat_write_header(out, nullptr) >= 0;
    }
    AVPacket* packet = av_packet_alloc();
    while (ok && packet && av_read_frame(in, packet) >= 0) {
        av_packet_rescale_ts(packet, in->streams[0]->time_base, stream->time_base);
        packet->stream_index = 0;
        packet->pos = -1;
        ok = av_interleaved_write_frame(out, packet) >= 0;
        av_packet_unref(packet);
    }
    ok = ok && packet && av_write_trailer(out) >= 0;
    av_packet_free(&packet);
    if (out && out->pb)
        avio_closep(&out->pb);
    avformat_free_context(out);
    avformat_close_input(&in);
    QFile::remove(source);
    return ok;
}
