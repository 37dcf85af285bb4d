#include "shell/TempoEdit.h"

#include "shell/AccessibleLineEdit.h"

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QProxyStyle>

#include <algorithm>

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

// The keys after which a screen reader reads a focused field's line, word or character when its caret moves.
bool MovesCaret(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

// Held alone, these leave the reader's idea of the last key as it was.
bool IsModifier(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// While a field replaces its text, the reports Qt makes of it on its own are held back; every other report
// goes on where it would have gone.
QObject* gQuietField = nullptr;
QAccessible::UpdateHandler gOuterHandler = nullptr;

void HoldBackQuietField(QAccessibleEvent* event) {
    if (event->object() == gQuietField)
        return;
    if (gOuterHandler != nullptr) {
        gOuterHandler(event);
        return;
    }
    // No handler before ours: Qt's own way to the platform, which runs only with no handler installed.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(HoldBackQuietField);
}

class QuietScope {
public:
    explicit QuietScope(QObject* field) {
        gQuietField = field;
        gOuterHandler = QAccessible::installUpdateHandler(HoldBackQuietField);
    }
    ~QuietScope() {
        QAccessible::installUpdateHandler(gOuterHandler);
        gOuterHandler = nullptr;
        gQuietField = nullptr;
    }
    QuietScope(const QuietScope&) = delete;
    QuietScope& operator=(const QuietScope&) = delete;
};
} // namespace

TTempoEdit::TTempoEdit(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    InstallLineEditAccessibility();
    auto* style = new NoCaretStyle;
    style->setParent(this);
    setStyle(style);
    // The reader counts any key of the program, in any window, as the cause of what follows it.
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

bool TTempoEdit::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (!IsModifier(key))
            FLastKeyMovesCaret = MovesCaret(key);
    }
    return QLineEdit::eventFilter(watched, e);
}

void TTempoEdit::ShowTime(const QString& text, const QString& spokenName) {
    if (accessibleName() != spokenName)
        setAccessibleName(spokenName);
    if (text == this->text())
        return;
    const int known = cursorPosition();
    int caret = std::min(known, static_cast<int>(text.size()));
    // A reader's copy of the screen keeps the bounds the text had when it was made, so a new length needs
    // a real move: between the first two places, which every shown text has.
    if (text.size() != this->text().size() && !FLastKeyMovesCaret && !text.isEmpty())
        caret = known == 0 ? 1 : 0;
    ReplaceTextQuietly(text, caret);
    QAccessibleTextCursorEvent report(this, cursorPosition());
    QAccessible::updateAccessibility(&report);
}

void TTempoEdit::ReplaceTextQuietly(const QString& text, int caret) {
    const QuietScope quiet(this);
    setText(text);
    setCursorPosition(caret);
}

void TTempoEdit::focusInEvent(QFocusEvent* e) {
    // Where a reader last saw it: a caret that moved as the focus came back would be taken for the focus
    // itself, and the field would not be read.
    const int caret = cursorPosition();
    QLineEdit::focusInEvent(e);
    // Tab into a line edit selects its text; this field keeps it unselected.
    deselect();
    setCursorPosition(caret);
}
