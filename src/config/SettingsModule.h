#pragma once

#include "config/GeneralConfigs.h"
#include "config/MediaConfigs.h"

#include <memory>

class Platform;

/// The settings module: the process-wide language, program folder and the two stores, created
/// before the main window and written after it.
class TSettingsModule {
public:
    /// Start-up step 1: chooses the language, finds the folder, opens "Play.cfg" and "Play.ind".
    /// Throws StoreError when a store file exists but cannot be read.
    explicit TSettingsModule(Platform& platform);

    /// Final shutdown: the one purge of gone files (PurgeGone, in a bounded time), then
    /// "Play.ind", then "Play.cfg"; a failure of any step is ignored and the next still runs.
    void Finish();

    int Language() const { return FLanguage; }
    /// Folder of the two files, ending with '/'.
    const QString& AppFolder() const { return FAppFolder; }
    TM3GeneralConfigs& GeneralConfigs() { return *FGeneral; }
    TM3MediaConfigs& MediaConfigs() { return *FMedia; }

    /// The folder the files live in: the executable's when writable and not a system folder
    /// (/usr, /opt, ...), else $XDG_CONFIG_HOME/varnel/.
    static QString SettingsFolder(const QString& executableFolder);
    /// $XDG_CONFIG_HOME/varnel/ (~/.config/varnel/ without it), ending with '/'; not made here.
    static QString UserFolder();
    /// The file a start reads: home, after bringing back over it the file that a run moved to away
    /// because home's folder could not be written, when that one is the newer. away when it could
    /// not be brought back; home whenever away was not moved from it.
    static QString NewestFile(const QString& home, const QString& away);

private:
    int FLanguage = 0;
    QString FAppFolder;
    std::unique_ptr<TM3GeneralConfigs> FGeneral;
    std::unique_ptr<TM3MediaConfigs> FMedia;
};
