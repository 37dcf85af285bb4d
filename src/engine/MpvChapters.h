#pragma once

#include "engine/MediaControl.h"

#include <QList>

struct MpvEventData;

/// The chapters the control reports for the current file: mpv's `chapter-list` when the file has
/// chapters of its own, otherwise those of a CUE sheet beside it. Like the name and the length, what
/// mpv says describes the entry it started last, which may be a prepared one not yet set.
class MpvChapters {
public:
    QList<MediaChapter> List() const { return FFromFile.isEmpty() ? FFromSheet : FFromFile; }

    /// A file is set: its sheet, if any, is read now (a small file beside it).
    void SetFile(const QString& path);
    void Clear();

    void OnStartFile() { FSeen.clear(); }
    void OnProperty(const MpvEventData& event, bool current);
    void Adopt() { FFromFile = FSeen; }

private:
    QList<MediaChapter> FFromFile;
    QList<MediaChapter> FFromSheet;
    QList<MediaChapter> FSeen;
};
