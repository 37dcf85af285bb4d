#pragma once

#include "FakeMediaControl.h"
#include "FixedPlatform.h"
#include "config/SettingsModule.h"
#include "shell/VarnelPlayer.h"

#include <QApplication>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTreeView>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

/// The whole main window on a fixed platform, with the settings files in a temporary folder and
/// the fake media control (or a real one the test passes).
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture();
    ~WindowFixture() override;

    /// Opens the stores; configure runs before the window exists (options, remembered positions).
    void OpenSettings(const std::function<void(SettingsModule&)>& configure = {});
    /// Builds the window on the fake control and loads the arguments.
    void Start(const QStringList& arguments, std::unique_ptr<MediaControl> control = {});
    /// Creates an empty file (and its folders) below the temporary folder; returns its path.
    QString Touch(const QString& relative);
    QString Root() const { return FDir.path() + QLatin1Char('/'); }

    void Press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    /// Runs posted events (the automatic advance among them).
    static void Settle();

    QLineEdit* Tempo() const;
    QTreeView* Lista() const;
    QStatusBar* Status() const;
    QString TempoText() const;
    QString StatusText() const;
    QStringList ListRows() const;
    int SelectedRow() const;

    FixedPlatform platform;
    std::unique_ptr<SettingsModule> settings;
    FakeMediaControl* control = nullptr; // owned by the window's player
    std::unique_ptr<TVarnelPlayer> window;

private:
    QTemporaryDir FDir;
};
