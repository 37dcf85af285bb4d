#include "shell/AccessibleWindow.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {
QAccessibleInterface* MainWindowFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (className != QLatin1String("TVarnelPlayer") || widget == nullptr || !widget->isWindow())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window);
}
} // namespace

void InstallMainWindowAccessibility() {
    QAccessible::installFactory(MainWindowFactory);
}
