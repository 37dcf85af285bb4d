#pragma once

#include <QAccessibleWidget>

class QComboBox;

/// The accessible face of a drop-down list that screen readers speak with its current choice.
///
/// Qt 6.4 exposes the choice of a closed list only as the name, which a reader replaces with the label, and
/// offers no selection on the bus; a reader that looks for the choice in the text then says the label and
/// "combo box" and nothing more. This one also offers the current choice as read-only text and otherwise
/// behaves as Qt's: the same role, name, the popup list as the only child, and the press action. A new
/// choice arrives as that text inserted whole and selected, as in a list one types into, since that is the
/// one change of a closed list such a reader speaks.
class AccessibleComboBox : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleComboBox(QComboBox* combo);
    ~AccessibleComboBox() override;
    AccessibleComboBox(const AccessibleComboBox&) = delete;
    AccessibleComboBox& operator=(const AccessibleComboBox&) = delete;

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

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

private:
    QComboBox* comboBox() const;

    QMetaObject::Connection FChoiceChanged;
};

/// Makes every drop-down list of the program that the user cannot type into use AccessibleComboBox. Call
/// after the application object exists and before the lists are built; safe to call more than once.
void InstallComboBoxAccessibility();
