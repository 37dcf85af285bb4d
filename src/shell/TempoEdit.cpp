#include "shell/TempoEdit.h"

#include "shell/AccessibleLineEdit.h"

#include <QFocusEvent>
#include <QProxyStyle>

namespace {
// A zero-width caret: styles draw one in read-only fields on some platforms.
class NoCaretStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};
} // namespace

TTempoEdit::TTempoEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    InstallLineEditAccessibility();
    auto* style = new NoCaretStyle;
    style->setParent(this);
    setStyle(style);
}

void TTempoEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    // Tab into a line edit selects its text; this field keeps it unselected.
    deselect();
    setCursorPosition(0);
}
