#pragma once

#include "ui/HelpText.h"

#include <QDialog>

class QPlainTextEdit;

/// The key help window: one text field filling it, showing the keys of the focused control.
class TVarnelHelp : public QDialog {
    Q_OBJECT

public:
    explicit TVarnelHelp(QWidget* parent = nullptr);

    /// Sets the caption and loads the help of context with the caret at its start; throws
    /// std::runtime_error when the help text is missing (the window is then left empty).
    void ShowHelp(const QString& context, int language);

    QPlainTextEdit* Memo1 = nullptr;
};
