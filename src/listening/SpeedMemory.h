#pragma once

#include <QString>

class TMyPlayer;
class TSpeedConfigs;

/// The speed per book: the rate the listener sets is remembered for the folder of the playing
/// file, and a file of that folder starts at it. A folder with none keeps the rate that plays.
class TSpeedMemory {
public:
    TSpeedMemory(TMyPlayer& player, TSpeedConfigs& store);

    /// The folder a file's speed belongs to: its resolved folder, without the final '/'.
    static QString FolderOf(const QString& file);
    /// Remembers the player's rate for file's folder; nothing for an empty file or an unread rate.
    void Remember(const QString& file);
    /// Sets the rate remembered for file's folder; true when that changed the rate.
    bool Apply(const QString& file);

private:
    TMyPlayer& FPlayer;
    TSpeedConfigs& FStore;
};
