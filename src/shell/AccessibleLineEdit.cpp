#include "shell/AccessibleLineEdit.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {
QAccessibleInterface* LineEditFactory(const QString&, QObject* object) {
    auto* edit = qobject_cast<QLineEdit*>(object);
    // A spin box speaks for its own edit field, as Qt has it; exposing the field too makes it speak twice.
    if (edit == nullptr || edit->objectName() == QLatin1String("qt_spinbox_lineedit"))
        return nullptr;
    return new AccessibleLineEdit(edit);
}

// At program load, so that ours is asked before any widget exists: Qt creates and keeps a widget's
// interface as soon as the widget is built, while only the base class is complete.
void InstallAtLoad() {
    InstallLineEditAccessibility();
}
Q_CONSTRUCTOR_FUNCTION(InstallAtLoad)
} // namespace

void InstallLineEditAccessibility() {
    QAccessible::installFactory(LineEditFactory);
}

AccessibleLineEdit::AccessibleLineEdit(QLineEdit* edit)
    : QAccessibleWidget(edit, QAccessible::EditableText) {}

QLineEdit* AccessibleLineEdit::lineEdit() const {
    return static_cast<QLineEdit*>(widget());
}

QString AccessibleLineEdit::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return lineEdit()->displayText();
    return QAccessibleWidget::text(t);
}

void AccessibleLineEdit::setText(QAccessible::Text t, const QString& text) {
    if (t != QAccessible::Value) {
        QAccessibleWidget::setText(t, text);
        return;
    }
    if (!lineEdit()->isReadOnly())
        lineEdit()->setText(text);
}

QAccessible::State AccessibleLineEdit::state() const {
    QAccessible::State st = QAccessibleWidget::state();
    const QLineEdit* edit = lineEdit();
    st.readOnly = edit->isReadOnly();
    st.editable = !edit->isReadOnly();
    st.passwordEdit = edit->echoMode() != QLineEdit::Normal;
    st.selectableText = true;
    if (edit->hasSelectedText())
        st.selected = true;
    return st;
}

void* AccessibleLineEdit::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface && !lineEdit()->isReadOnly())
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void AccessibleLineEdit::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !lineEdit()->hasSelectedText())
        return;
    *startOffset = lineEdit()->selectionStart();
    *endOffset = *startOffset + lineEdit()->selectedText().size();
}

int AccessibleLineEdit::selectionCount() const {
    return lineEdit()->hasSelectedText() ? 1 : 0;
}

void AccessibleLineEdit::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void AccessibleLineEdit::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        lineEdit()->deselect();
}

void AccessibleLineEdit::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        lineEdit()->setSelection(startOffset, endOffset - startOffset);
}

int AccessibleLineEdit::cursorPosition() const {
    return lineEdit()->cursorPosition();
}

void AccessibleLineEdit::setCursorPosition(int position) {
    lineEdit()->setCursorPosition(position);
}

QString AccessibleLineEdit::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset)
        return {};
    return lineEdit()->displayText().mid(startOffset, endOffset - startOffset);
}

int AccessibleLineEdit::characterCount() const {
    return static_cast<int>(lineEdit()->displayText().size());
}

QRect AccessibleLineEdit::characterRect(int offset) const {
    const QString shown = lineEdit()->displayText();
    if (offset < 0 || offset >= shown.size())
        return {};
    QStyleOptionFrame option;
    option.initFrom(lineEdit());
    const QRect contents =
        lineEdit()->style()->subElementRect(QStyle::SE_LineEditContents, &option, lineEdit());
    const QFontMetrics metrics(lineEdit()->font());
    const int left =
        contents.left() + lineEdit()->textMargins().left() + metrics.horizontalAdvance(shown.left(offset));
    const QRect local(left, contents.top(), metrics.horizontalAdvance(shown.at(offset)), contents.height());
    return QRect(lineEdit()->mapToGlobal(local.topLeft()), local.size());
}

int AccessibleLineEdit::offsetAtPoint(const QPoint& point) const {
    return lineEdit()->cursorPositionAt(lineEdit()->mapFromGlobal(point));
}

void AccessibleLineEdit::scrollToSubstring(int startIndex, int endIndex) {
    lineEdit()->setCursorPosition(endIndex);
    lineEdit()->setCursorPosition(startIndex);
}

QString AccessibleLineEdit::attributes(int, int* startOffset, int* endOffset) const {
    // One run over the whole text, wherever asked: a reader that speaks run by run then says every character.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void AccessibleLineEdit::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, {});
}

void AccessibleLineEdit::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void AccessibleLineEdit::replaceText(int startOffset, int endOffset, const QString& text) {
    if (lineEdit()->isReadOnly())
        return;
    QString edited = lineEdit()->text();
    edited.replace(startOffset, endOffset - startOffset, text);
    lineEdit()->setText(edited);
}
