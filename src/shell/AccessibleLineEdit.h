#pragma once

#include <QAccessibleWidget>
#include <QLineEdit>

/// The accessible face of a single-line edit that screen readers speak whole.
///
/// Qt 6.4's own line-edit interface reports text-attribute runs of length zero, and a screen reader that
/// speaks only what the runs cover drops the last character ("15 se" for "15 sec"). This one reports the
/// whole text as one run and otherwise behaves as Qt's: the same role, states, name and editing.
class AccessibleLineEdit : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface {
public:
    explicit AccessibleLineEdit(QLineEdit* edit);

    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    QLineEdit* lineEdit() const;
};

/// A plain line edit that screen readers speak whole. Qt answers for the class QLineEdit itself before any
/// factory of ours is asked, so a field must be of a class of its own to get AccessibleLineEdit.
class TSpokenLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
};

/// Makes every line edit of a class derived from QLineEdit of the program use AccessibleLineEdit. Safe to
/// call more than once.
void InstallLineEditAccessibility();
