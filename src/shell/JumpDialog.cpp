#include "shell/JumpDialog.h"

#include "shell/AccessibleLineEdit.h"
#include "texts/Texts.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

TJumpDialog::TJumpDialog(const QString& caption, const QString& prompt, const QString& value, QWidget* parent)
    : QDialog(parent), FEdit(new TSpokenLineEdit(value, this)) {
    setObjectName(QStringLiteral("JumpDialog"));
    setWindowTitle(caption);
    setMinimumWidth(320); // room for the whole caption in the title bar
    auto* label = new QLabel(prompt, this);
    label->setBuddy(FEdit);
    FEdit->setObjectName(QStringLiteral("JumpEdit"));
    FEdit->setMaxLength(255);
    FEdit->setAccessibleName(prompt);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QString::fromLatin1(kOkButtonText), QDialogButtonBox::AcceptRole);
    QPushButton* cancel =
        buttons->addButton(QString::fromLatin1(kCancelButtonText), QDialogButtonBox::RejectRole);
    ok->setObjectName(QStringLiteral("JumpOk"));
    cancel->setObjectName(QStringLiteral("JumpCancel"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(FEdit);
    layout->addWidget(buttons);
    FEdit->installEventFilter(this);
}

bool TJumpDialog::eventFilter(QObject* watched, QEvent* e) {
    // The value is selected right after the field has taken the focus: a screen reader then finds it
    // selected when it reads the field and hears no change of selection. Selected earlier (also by the
    // focus a dialog hands its focus widget as it shows), the change is spoken ahead of the field, which
    // then says the value a second time. The field is the first in the tab order, so it gets the focus.
    if (watched == FEdit && e->type() == QEvent::FocusIn && !FSelected) {
        FSelected = true;
        QTimer::singleShot(0, FEdit, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, e);
}

QString TJumpDialog::Value() const {
    return FEdit->text();
}

void TJumpDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
