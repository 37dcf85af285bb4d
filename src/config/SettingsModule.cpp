#include "config/SettingsModule.h"

#include "util/IgnoreFailure.h"

#include "config/PathSections.h"
#include "config/StoreError.h"
#include "config/StoreFile.h"
#include "config/StorePurge.h"
#include "texts/Texts.h"
#include "util/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace {

const QString OptionsFileName = QStringLiteral("Play.cfg");
const QString ResumeFileName = QStringLiteral("Play.ind");
const QString ConfigSubfolder = QStringLiteral("varnel");

QString WithSeparator(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// Folders the system's packages own. Root may write there, but a program installed in one is
// shared by every user, and its settings must not land among the system's files.
bool IsSystemFolder(const QString& folder) {
    static const char* const kSystemFolders[] = {"/usr",   "/bin",    "/sbin", "/lib", "/lib32",
                                                 "/lib64", "/libx32", "/opt",  "/snap"};
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    path = WithSeparator(path);
    for (const char* system : kSystemFolders) {
        if (path.startsWith(WithSeparator(QString::fromLatin1(system))))
            return true;
    }
    return false;
}

// A file moved to the user's folder names the file it left in a section of its own, so that a start
// takes it back only for that file: a copy installed for the user keeps its own files there too.
const QString MovedPrefix = QStringLiteral("Moved:");
const QString FromKey = QStringLiteral("From");

// Called by a store whose saves move to the user's folder: says so, and marks the file moved.
TSectionedStore::MovedHandler MovedTeller(TSectionedStore& store) {
    return [&store](const QString& from, const QString& to, const QString& why) {
        QDir().mkpath(QFileInfo(to).path());
        std::fprintf(stderr, "varnel: %s; %s is saved in %s from now on\n", qPrintable(why),
                     qPrintable(QFileInfo(from).fileName()), qPrintable(to));
        const TPathSections moved(store, MovedPrefix, FromKey);
        store.WriteText(moved.Find(from).value_or(moved.FreeName(from)), FromKey, TPathSections::Quote(from));
    };
}

} // namespace

QString TSettingsModule::NewestFile(const QString& home, const QString& away) {
    if (home == away || !StoreFile::StampOf(away).exists)
        return home;
    try {
        TSectionedStore moved(away, QLocale::c());
        const std::optional<QString> marker = TPathSections(moved, MovedPrefix, FromKey).Find(home);
        if (!marker)
            return home; // not moved from here: another copy's file
        const StoreFile::Stamp left = StoreFile::StampOf(home);
        moved.DropSection(*marker);
        // The moved file held everything this one held when it moved, and every save since; a file
        // here that is newer still was written by a later run, which took it back already.
        if (!left.exists || left.modified <= StoreFile::StampOf(away).modified) {
            try {
                StoreFile::Replace(home, moved.Serialize());
            } catch (const StoreError&) {
                return away; // read where it is until it can come back
            }
        }
        // Once home, the mark goes: a later save of the other copy's must not bring it back again.
        moved.SaveToDisk();
    } catch (...) {
        // Unreadable: the file here is all there is.
    }
    return home;
}

TSettingsModule::TSettingsModule(Platform& platform)
    : FLanguage(LanguageFromId(platform.UserLanguageId())),
      FAppFolder(SettingsFolder(platform.ExecutableFolder())) {
    const QLocale regional = platform.RegionalLocale();
    const QString fallback = UserFolder();
    // Where the last run left them: moved to the user's folder when this one could not be written.
    FGeneral = std::make_unique<TM3GeneralConfigs>(
        NewestFile(FAppFolder + OptionsFileName, fallback + OptionsFileName), regional,
        [&platform] { return platform.Now(); });
    FMedia = std::make_unique<TM3MediaConfigs>(
        NewestFile(FAppFolder + ResumeFileName, fallback + ResumeFileName), regional);
    // A folder that turns read-only while the program runs must not take the positions with it.
    if (fallback != FAppFolder) {
        FGeneral->SetFallback(fallback + OptionsFileName, MovedTeller(*FGeneral));
        FMedia->SetFallback(fallback + ResumeFileName, MovedTeller(*FMedia));
    }
}

void TSettingsModule::Finish() {
    // The purge only ever drops entries of files that are gone, so whatever part of it ran, or
    // none, "Play.ind" is still written: the positions of this run are worth more than a tidy file.
    IgnoreFailure([&] { PurgeGone(*FMedia); });
    FMedia->SaveToDisk();
    FGeneral->SaveToDisk();
}

QString TSettingsModule::SettingsFolder(const QString& executableFolder) {
    // The portable layout the program has always had: the files live beside it when it may write
    // there. An installed program (read-only or system folder) keeps them in the user's configuration.
    if (!executableFolder.isEmpty()) {
        const QFileInfo folder(executableFolder);
        if (folder.isDir() && folder.isWritable() && !IsSystemFolder(executableFolder))
            return WithSeparator(executableFolder);
    }
    const QString folder = UserFolder();
    // A folder that cannot be made only means the files cannot be saved; that failure is ignored.
    QDir().mkpath(folder);
    return folder;
}

QString TSettingsModule::UserFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return WithSeparator(base) + ConfigSubfolder + u'/';
}
