#include "ui/VarnelHelp.h"

#include "texts/Texts.h"
#include "ui/DialogForm.h"

#include <QPlainTextEdit>
#include <QTextCursor>

TVarnelHelp::TVarnelHelp(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    SetUpFixedDialog(*this, 536, 348);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, 536, 348);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Typing is allowed but never kept; Tab must not trap the keyboard user inside the text.
    Memo1->setReadOnly(false);
    Memo1->setTabChangesFocus(true);
    Memo1->setFocus();
}

void TVarnelHelp::ShowHelp(const QString& context, int language) {
    const QString caption = Text(TextId::HelpCaption, language);
    // The caption is the window's name only: as the text's name too, a screen reader says it twice.
    setWindowTitle(caption);
    Memo1->clear();
    Memo1->setPlainText(HelpLines(LoadHelpText(context, language)).join(QLatin1Char('\n')));
    Memo1->moveCursor(QTextCursor::Start);
}
