#include "config/SettingsModule.h"

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

} // namespace

SettingsModule::SettingsModule(Platform& platform)
    : FLanguage(LanguageFromId(platform.UserLanguageId())),
      FAppFolder(SettingsFolder(platform.ExecutableFolder())) {
    const QLocale regional = platform.RegionalLocale();
    FGeneral = std::make_unique<TM3GeneralConfigs>(FAppFolder + OptionsFileName, regional,
                                                   [&platform] { return platform.Now(); });
    FMedia = std::make_unique<TM3MediaConfigs>(FAppFolder + ResumeFileName, regional);
    // A folder that turns read-only while the program runs must not take the positions with it.
    const QString fallback = UserFolder();
    if (fallback != FAppFolder) {
        const auto told = [](const QString& from, const QString& to, const QString& why) {
            QDir().mkpath(QFileInfo(to).path());
            std::fprintf(stderr, "varnel: %s; %s is saved in %s from now on\n", qPrintable(why),
                         qPrintable(QFileInfo(from).fileName()), qPrintable(to));
        };
        FGeneral->SetFallback(fallback + OptionsFileName, told);
        FMedia->SetFallback(fallback + ResumeFileName, told);
    }
}

void SettingsModule::Finish() {
    // The purge only ever drops entries of files that are gone, so whatever part of it ran, or
    // none, "Play.ind" is still written: the positions of this run are worth more than a tidy file.
    try {
        PurgeGone(*FMedia);
    } catch (...) {
    }
    FMedia->SaveToDisk();
    FGeneral->SaveToDisk();
}

QString SettingsModule::SettingsFolder(const QString& executableFolder) {
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

QString SettingsModule::UserFolder() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return WithSeparator(base) + ConfigSubfolder + u'/';
}
