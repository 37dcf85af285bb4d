#include "ui/AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {
QAccessibleInterface* ComboBoxFactory(const QString& className, QObject* object) {
    // Asked before Qt's own factory only once that exists, and by the class name Qt itself answers to, so
    // the list is ours even when Qt asks while the widget is still being built.
    if (className != QLatin1String("QComboBox"))
        return nullptr;
    auto* combo = qobject_cast<QComboBox*>(object);
    // A list the user types into is a text field first; Qt's own interface speaks that one well.
    if (combo == nullptr || combo->isEditable())
        return nullptr;
    return new AccessibleComboBox(combo);
}
} // namespace

void InstallComboBoxAccessibility() {
    QAccessible::installFactory(ComboBoxFactory);
}

AccessibleComboBox::AccessibleComboBox(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {
    addControllingSignal(QLatin1String("activated(int)"));
    // The old text is not reported removed: a reader holding it selected would take that for the user
    // deleting a selection and say so.
    FChoiceChanged = QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo] {
        QAccessibleTextInsertEvent event(combo, 0, combo->currentText());
        QAccessible::updateAccessibility(&event);
    });
}

AccessibleComboBox::~AccessibleComboBox() {
    QObject::disconnect(FChoiceChanged);
}

QComboBox* AccessibleComboBox::comboBox() const {
    return static_cast<QComboBox*>(widget());
}

QString AccessibleComboBox::text(QAccessible::Text t) const {
    // The name is the choice, as Qt has it on this desktop: the reader takes the label from the relation.
    if (t == QAccessible::Name || t == QAccessible::Value)
        return comboBox()->currentText();
    return QAccessibleWidget::text(t);
}

int AccessibleComboBox::childCount() const {
    return comboBox()->view() ? 1 : 0;
}

QAccessibleInterface* AccessibleComboBox::child(int index) const {
    if (index != 0 || comboBox()->view() == nullptr)
        return nullptr;
    return QAccessible::queryAccessibleInterface(comboBox()->view());
}

int AccessibleComboBox::indexOfChild(const QAccessibleInterface* child) const {
    return child != nullptr && child->object() == comboBox()->view() ? 0 : -1;
}

void* AccessibleComboBox::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QStringList AccessibleComboBox::actionNames() const {
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
}

void AccessibleComboBox::doAction(const QString& actionName) {
    if (actionName == showMenuAction() || actionName == pressAction()) {
        if (comboBox()->view()->isVisible())
            comboBox()->hidePopup();
        else
            comboBox()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}

void AccessibleComboBox::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    // The whole choice is selected, so that a reader speaks it when it is inserted.
    *startOffset = 0;
    *endOffset = selectionIndex == 0 ? characterCount() : 0;
}

int AccessibleComboBox::selectionCount() const {
    return characterCount() > 0 ? 1 : 0;
}

void AccessibleComboBox::addSelection(int, int) {}

void AccessibleComboBox::removeSelection(int) {}

void AccessibleComboBox::setSelection(int, int, int) {}

int AccessibleComboBox::cursorPosition() const {
    return 0;
}

void AccessibleComboBox::setCursorPosition(int) {}

QString AccessibleComboBox::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset)
        return {};
    return comboBox()->currentText().mid(startOffset, endOffset - startOffset);
}

int AccessibleComboBox::characterCount() const {
    return static_cast<int>(comboBox()->currentText().size());
}

QRect AccessibleComboBox::characterRect(int) const {
    return {};
}

int AccessibleComboBox::offsetAtPoint(const QPoint&) const {
    return -1;
}

void AccessibleComboBox::scrollToSubstring(int, int) {}

QString AccessibleComboBox::attributes(int, int* startOffset, int* endOffset) const {
    // One run over the whole choice, so that a reader speaking run by run says all of it.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
