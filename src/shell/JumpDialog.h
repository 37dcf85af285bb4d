#pragma once

#include <QDialog>

class QLineEdit;

/// The one-line input of the jump command: caption, prompt, an edit field prefilled and wholly
/// selected, "OK" (default) and "Cancel".
class TJumpDialog : public QDialog {
    Q_OBJECT
public:
    TJumpDialog(const QString& caption, const QString& prompt, const QString& value,
                QWidget* parent = nullptr);

    QString Value() const;

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QLineEdit* FEdit;
    bool FSelected = false;
};
