#pragma once

#include "daisy/DaisyBook.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <libxml/tree.h>

#include <utility>
#include <vector>

/// An audio clip as a SMIL file writes it, its source not yet checked.
struct TSmilClip {
    QString FSrc;
    double FBegin = 0;
    double FEnd = 0;
    TDaisyRole FRole = TDaisyRole::Text;
};

struct TSmilContents {
    std::vector<TSmilClip> FClips;
    /// For each id asked for and found: the clips [first, end) of the element, or of the par or
    /// seq around it when it is a text or audio element.
    QHash<QString, std::pair<int, int>> FTargets;
    std::vector<TDaisyProblem> FProblems;
};

/// The audio clips of a SMIL file (DAISY 2.02 or 3) in document order, each with the role its
/// par or seq gives it (2.02 system-required, 3 customTest and bookStruct). `name` is how
/// problems name the file.
TSmilContents ReadSmil(const xmlDoc* doc, const QSet<QString>& wantedIds, const QString& name);
