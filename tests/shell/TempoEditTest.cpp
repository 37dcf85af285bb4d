// Where the time field leaves its caret when its text is replaced, which is what a screen reader reads as
// caused by the key pressed last, and what a reader asking for the field then reads. (The offscreen platform
// has no accessibility layer, so the reports themselves are checked with the real screen reader.)
#include "shell/TempoEdit.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {
class TempoEditCaret : public testing::Test {
protected:
    void SetUp() override {
        field = std::make_unique<TTempoEdit>();
        field->ShowTime(QStringLiteral("5 sec"), {});
        field->setCursorPosition(0);
    }
    void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(field.get(), key, modifiers);
    }

    std::unique_ptr<TTempoEdit> field;
};

TEST_F(TempoEditCaret, TheSameTextAndNameChangeNothing) {
    QSignalSpy edited(field.get(), &QLineEdit::textChanged);
    QSignalSpy moved(field.get(), &QLineEdit::cursorPositionChanged);
    PressKey(Qt::Key_B, Qt::ControlModifier);
    field->ShowTime(QStringLiteral("5 sec"), {});
    EXPECT_EQ(edited.count(), 0);
    EXPECT_EQ(moved.count(), 0);
    EXPECT_EQ(field->cursorPosition(), 0);
}

TEST_F(TempoEditCaret, ANewTextOfTheSameLengthLeavesTheCaretWhereItWas) {
    PressKey(Qt::Key_B, Qt::ControlModifier);
    field->ShowTime(QStringLiteral("6 sec"), {});
    EXPECT_EQ(field->text(), "6 sec");
    EXPECT_EQ(field->cursorPosition(), 0);
    field->ShowTime(QStringLiteral("10 sec"), {}); // a new length: the caret moves
    field->ShowTime(QStringLiteral("11 sec"), {});
    EXPECT_EQ(field->cursorPosition(), 1);
}

TEST_F(TempoEditCaret, ANewLengthMovesTheCaretAfterAKeyThatMovesNoCaret) {
    int before = field->cursorPosition();
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_B, Qt::ControlModifier}, std::pair{Qt::Key_Space, Qt::NoModifier},
          std::pair{Qt::Key_F5, Qt::NoModifier}, std::pair{Qt::Key_T, Qt::ControlModifier}}) {
        PressKey(key, modifiers);
        const QString other =
            field->text().size() == 5 ? QStringLiteral("5 sec (in pausa)") : QStringLiteral("5 sec");
        field->ShowTime(other, {});
        EXPECT_EQ(field->text(), other);
        EXPECT_NE(field->cursorPosition(), before) << key;
        // Within the first two places, which every shown text has, so that no later text moves it.
        EXPECT_LE(field->cursorPosition(), 1) << key;
        before = field->cursorPosition();
    }
}

TEST_F(TempoEditCaret, AfterAKeyThatMovesACaretNoNewTextMovesIt) {
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home,
                              Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown}) {
        PressKey(Qt::Key_Space);
        field->ShowTime(QStringLiteral("1 sec"), {});
        field->setCursorPosition(1);
        PressKey(key);
        field->setCursorPosition(1); // wherever the key took it, as a reader saw it
        field->ShowTime(QStringLiteral("10 sec"), {});
        field->ShowTime(QStringLiteral("1 min 10 sec (in pausa)"), {});
        PressKey(Qt::Key_Control); // a modifier alone is no new key
        field->ShowTime(QStringLiteral("9 sec"), {});
        EXPECT_EQ(field->cursorPosition(), 1) << key;
        EXPECT_EQ(field->text(), "9 sec");
    }
}

TEST_F(TempoEditCaret, TheFocusComingBackNeitherSelectsNorMovesTheCaret) {
    PressKey(Qt::Key_Space);
    field->ShowTime(QStringLiteral("10 sec"), {});
    const int caret = field->cursorPosition();
    ASSERT_EQ(caret, 1);
    for (const Qt::FocusReason reason :
         {Qt::TabFocusReason, Qt::BacktabFocusReason, Qt::ActiveWindowFocusReason, Qt::OtherFocusReason}) {
        QFocusEvent out(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(field.get(), &out);
        QFocusEvent in(QEvent::FocusIn, reason);
        QCoreApplication::sendEvent(field.get(), &in);
        EXPECT_FALSE(field->hasSelectedText()) << reason;
        EXPECT_EQ(field->cursorPosition(), caret) << reason;
    }
}

TEST_F(TempoEditCaret, TheNameIsSetOnlyWhenItChanges) {
    QSignalSpy edited(field.get(), &QLineEdit::textChanged);
    field->ShowTime(QStringLiteral("-"), QStringLiteral("Fermo"));
    EXPECT_EQ(field->accessibleName(), "Fermo");
    EXPECT_EQ(field->text(), "-");
    EXPECT_LE(field->cursorPosition(), 1);
    field->ShowTime(QStringLiteral("0 sec"), {});
    EXPECT_EQ(field->accessibleName(), "");
    EXPECT_EQ(edited.count(), 2);
}

TEST_F(TempoEditCaret, AReaderAskingReadsTheWholeTextWhereverTheCaretIs) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(field.get());
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->textInterface(), nullptr);
    PressKey(Qt::Key_Space);
    for (const QString& shown : {QStringLiteral("3 sec (in pausa)"), QStringLiteral("3 sec"),
                                 QStringLiteral("1 min 3 sec (in pausa)"), QStringLiteral("-")}) {
        field->ShowTime(shown, {});
        for (int caret : {0, 1}) {
            field->setCursorPosition(caret);
            QAccessibleTextInterface* text = face->textInterface();
            int start = -1;
            int end = -1;
            EXPECT_EQ(text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &start, &end),
                      shown);
            EXPECT_EQ(text->characterCount(), shown.size());
            EXPECT_EQ(face->text(QAccessible::Value), shown);
        }
    }
}
} // namespace
