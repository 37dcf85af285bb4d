#pragma once

#include <QAbstractSpinBox>

/// A whole-number spin field whose text is free: it refuses (with a beep) typed characters other
/// than digits, signs and the regional decimal separator, reads as its minimum when the text is no
/// integer, and brings its text into range when it loses the focus.
class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
    // Read by the accessible value that screen readers and braille displays show.
    Q_PROPERTY(int value READ Value WRITE SetValue)
    Q_PROPERTY(int minimum READ MinValue)
    Q_PROPERTY(int maximum READ MaxValue)

public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    /// The text read as an integer, unclamped; the minimum when the text is not an integer.
    int Value() const;
    /// Shows value brought into MinValue..MaxValue.
    void SetValue(int value);
    /// Replaces the text with its value brought into range (what a loss of focus does).
    void ClampText();

    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    /// Sets the bounds; max below min is raised to min.
    void SetRange(int minValue, int maxValue);
    void SetIncrement(int increment) { FIncrement = increment; }

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int Clamped(qint64 value) const;
    bool IsAllowedCharacter(QChar c) const;

    int FMinValue = 0;
    int FMaxValue = 100;
    int FIncrement = 1;
};
