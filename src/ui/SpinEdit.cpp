#include "ui/SpinEdit.h"

#include "util/Platform.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    SetValue(FMinValue);
}

int TSpinEdit::Value() const {
    bool ok = false;
    const int value = lineEdit()->text().toInt(&ok, 10);
    return ok ? value : FMinValue;
}

int TSpinEdit::Clamped(qint64 value) const {
    return static_cast<int>(std::clamp<qint64>(value, FMinValue, FMaxValue));
}

void TSpinEdit::SetValue(int value) {
    lineEdit()->setText(QString::number(Clamped(value)));
}

void TSpinEdit::ClampText() {
    const QString clamped = QString::number(Clamped(Value()));
    if (lineEdit()->text() != clamped)
        lineEdit()->setText(clamped);
}

void TSpinEdit::SetRange(int minValue, int maxValue) {
    FMinValue = minValue;
    FMaxValue = std::max(minValue, maxValue);
}

void TSpinEdit::stepBy(int steps) {
    SetValue(Clamped(static_cast<qint64>(Value()) + static_cast<qint64>(steps) * FIncrement));
    selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (Value() < FMaxValue)
        enabled |= StepUpEnabled;
    if (Value() > FMinValue)
        enabled |= StepDownEnabled;
    return enabled;
}

bool TSpinEdit::IsAllowedCharacter(QChar c) const {
    if (c >= u'0' && c <= u'9')
        return true;
    if (c == u'+' || c == u'-')
        return true;
    return QString(c) == Platform::Current().RegionalLocale().decimalPoint();
}

static bool IsControlCharacter(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    // Enter belongs to the dialog's default button; Ctrl chords are editing commands (paste, undo).
    const bool isEnter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool isCommand = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (isEnter || isCommand || typed.isEmpty() || IsControlCharacter(typed.front())) {
        QAbstractSpinBox::keyPressEvent(event);
        return;
    }
    // An Alt chord that reached the field matched no accelerator; the line edit would type its letter.
    const bool isAltChord = event->modifiers() & Qt::AltModifier;
    const bool allAllowed =
        std::all_of(typed.begin(), typed.end(), [this](QChar c) { return IsAllowedCharacter(c); });
    if (isAltChord || !allAllowed) {
        Platform::Current().Beep();
        event->accept();
        return;
    }
    QAbstractSpinBox::keyPressEvent(event);
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    ClampText();
}
