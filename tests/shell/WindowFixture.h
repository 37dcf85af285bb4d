#pragma once

#include "CurrentFolderGuard.h"
#include "EventDrain.h"
#include "FakeMediaControl.h"
#include "FixedPlatform.h"
#include "ModalAnswer.h"
#include "config/SettingsModule.h"
#include "shell/VarnelPlayer.h"

#include <QApplication>
#include <QDialog>
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
public: // to the case tables of parameterised tests too
    WindowFixture();
    ~WindowFixture() override;

    /// Opens the stores; configure runs before the window exists (options, remembered positions).
    void OpenSettings(const std::function<void(TSettingsModule&)>& configure = {});
    /// Builds the window on the fake control and loads the arguments.
    void Start(const QStringList& arguments, std::unique_ptr<MediaControl> control = {});
    /// Starts on the folder l/ with a, b and c, each remembered at `remembered` seconds by an earlier run.
    void StartThree(double remembered = 33);
    double Remembered(const QString& path) const { return settings->MediaConfigs().GetResumeTime(path); }
    /// Creates an empty file (and its folders) below the temporary folder; returns its path.
    QString Touch(const QString& relative);
    QString Root() const { return FDir.path() + QLatin1Char('/'); }

    void Press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    /// Answers the jump dialog that the next call opens: types value over the offered time and confirms
    /// or cancels; look sees the dialog first, once its field has taken the focus.
    static void AnswerJump(const QString& value, bool accept = true,
                           const std::function<void(QDialog*, QLineEdit*)>& look = {});

    QLineEdit* Tempo() const;
    QTreeView* Lista() const;
    QStatusBar* Status() const;
    QString TempoText() const;
    QString StatusText() const;
    QStringList ListRows() const;
    int SelectedRow() const;

    FixedPlatform platform;
    std::unique_ptr<TSettingsModule> settings;
    FakeMediaControl* control = nullptr; // owned by the window's player
    TTrackLengths::Reader lengthReader;  // set before Start: reads the list's lengths in place of the files
    std::unique_ptr<TVarnelPlayer> window;
    QString a, b, c; // the files of StartThree

private:
    CurrentFolderGuard FFolder; // for the tests that run from a folder of their own
    QTemporaryDir FDir;
};
