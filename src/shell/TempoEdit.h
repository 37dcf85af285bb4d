#pragma once

#include <QLineEdit>

/// The read-only time field: shows no text caret and selects nothing when it takes the focus.
///
/// Its text is replaced every second while nobody has asked for it, and a screen reader puts every change
/// of a focused field down to the key pressed last, however long ago: an insertion after a key held with
/// Ctrl is spoken as that command's result, and a caret move after an arrow, Home, End or a page key is
/// spoken as that key's move. So the field reports no insertion or removal at all, and its caret moves
/// only where no such key can claim the move. A reader still learns of every change, and reads on demand
/// what is shown: a caret report at the place it already knows makes it drop what it kept of the text,
/// and a real move, made when the length changes, makes it drop its copy of the screen too.
class TTempoEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TTempoEdit(QWidget* parent = nullptr);

    /// Shows text, and gives the field spokenName as its accessible name (empty: none), telling screen
    /// readers as above. Nothing at all happens when both are already so.
    void ShowTime(const QString& text, const QString& spokenName);

protected:
    void focusInEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void ReplaceTextQuietly(const QString& text, int caret);

    // True when the key pressed last in the program moves a text caret: a reader would then read the
    // field's line or character on any caret move of the field.
    bool FLastKeyMovesCaret = false;
};
