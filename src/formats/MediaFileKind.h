#pragma once

#include <QString>

// Which names the program plays in a way of its own. Decided by the name alone, in any case: a
// file's bytes are read only once it is opened, by the reader its name chose.

/// True for the names played through the synthesiser (MidiPcmStream): ".mid", ".midi" and ".rmi".
bool IsMidiFileName(const QString& path);
/// True for the metafile names read by TAsxPlaylist: ".asx" and ".wax".
bool IsAsxFileName(const QString& path);
