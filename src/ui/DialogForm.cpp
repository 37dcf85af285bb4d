#include "ui/DialogForm.h"

#include <QFont>
#include <QScreen>
#include <QWidget>

void SetUpFixedDialog(QWidget& dialog, int clientWidth, int clientHeight) {
    // The layouts are fixed pixel positions, so the font is fixed in pixels too; where the family
    // is missing the nearest sans-serif stands in.
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    dialog.setFont(font);
    dialog.setFixedSize(clientWidth, clientHeight);
    const QScreen* screen = dialog.screen();
    if (!screen)
        return;
    dialog.move(screen->availableGeometry().center() - dialog.rect().center());
}
