#pragma once

#include <QDir>
#include <QString>

/// Puts back the current folder it found when it goes, for tests that change it.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() : FSaved(QDir::currentPath()) {}
    ~CurrentFolderGuard() { QDir::setCurrent(FSaved); }

private:
    QString FSaved;
};
