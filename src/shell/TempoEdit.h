#pragma once

#include <QLineEdit>

/// The read-only time field: shows no text caret and selects nothing when it takes the focus.
class TTempoEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TTempoEdit(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* e) override;
};
