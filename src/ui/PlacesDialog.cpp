#include "ui/PlacesDialog.h"

#include "texts/ReturnTexts.h"

#include <QAccessible>
#include <QInputDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

TPlacesDialog::TPlacesDialog(QList<Place> places, int language, Remove remove, Rename rename, QWidget* parent)
    : QDialog(parent), FPlaces(std::move(places)), FLanguage(language), FRemove(std::move(remove)),
      FRename(std::move(rename)), LbPlaces(new QListWidget(this)) {
    setObjectName(QStringLiteral("PlacesDialog"));
    setWindowTitle(ReturnText(ReturnTextId::PlacesCaption, language));
    setMinimumSize(320, 240);
    LbPlaces->setObjectName(QStringLiteral("LbPlaces"));
    LbPlaces->setAccessibleName(windowTitle());
    LbPlaces->setSelectionMode(QAbstractItemView::SingleSelection);
    LbPlaces->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LbPlaces);
    Fill(0);
    LbPlaces->setFocus();
}

void TPlacesDialog::Fill(int row) {
    LbPlaces->clear();
    for (const Place& place : FPlaces)
        LbPlaces->addItem(place.label);
    if (FPlaces.isEmpty())
        return;
    LbPlaces->setCurrentRow(std::clamp(row, 0, static_cast<int>(FPlaces.size()) - 1));
}

const Place* TPlacesDialog::CurrentPlace() const {
    const int row = LbPlaces->currentRow();
    return row >= 0 && row < FPlaces.size() ? &FPlaces[row] : nullptr;
}

bool TPlacesDialog::eventFilter(QObject* watched, QEvent* e) {
    if (watched == LbPlaces && e->type() == QEvent::FocusIn) {
        // Queued: Qt announces the list itself after this event, and its row must come last, or a
        // screen reader says only how many rows there are.
        QTimer::singleShot(0, this, &TPlacesDialog::AnnounceCurrentRow);
        return QDialog::eventFilter(watched, e);
    }
    if (watched != LbPlaces || e->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, e);
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->modifiers() & ~Qt::KeypadModifier)
        return QDialog::eventFilter(watched, e);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Choose();
        return true;
    case Qt::Key_Delete:
        RemoveCurrent();
        return true;
    case Qt::Key_F2:
        NameCurrent();
        return true;
    default:
        return QDialog::eventFilter(watched, e);
    }
}

void TPlacesDialog::AnnounceCurrentRow() {
    const int row = LbPlaces->currentRow();
    if (!QAccessible::isActive() || !LbPlaces->hasFocus() || row < 0)
        return;
    QAccessibleEvent focus(LbPlaces, QAccessible::Focus);
    focus.setChild(row);
    QAccessible::updateAccessibility(&focus);
}

void TPlacesDialog::Choose() {
    const Place* place = CurrentPlace();
    if (place == nullptr)
        return;
    FChosen = *place;
    accept();
}

void TPlacesDialog::RemoveCurrent() {
    const Place* place = CurrentPlace();
    if (place == nullptr || place->kind != PlaceKind::Bookmark)
        return; // a chapter belongs to the file
    const int row = LbPlaces->currentRow();
    FPlaces = FRemove(*place);
    if (FPlaces.isEmpty()) {
        reject(); // nothing left to choose
        return;
    }
    Fill(row);
}

void TPlacesDialog::NameCurrent() {
    const Place* place = CurrentPlace();
    if (place == nullptr || place->kind != PlaceKind::Bookmark)
        return;
    const Place named = *place;
    const int row = LbPlaces->currentRow();
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("NameDialog"));
    ask.setWindowTitle(ReturnText(ReturnTextId::NameCaption, FLanguage));
    ask.setLabelText(ReturnText(ReturnTextId::NamePrompt, FLanguage));
    ask.setTextValue(named.name);
    if (ask.exec() != QDialog::Accepted)
        return;
    FPlaces = FRename(named, ask.textValue());
    // The named bookmark may have moved in the list: its own row again, found by its entry.
    const auto it = std::find_if(FPlaces.cbegin(), FPlaces.cend(),
                                 [&](const Place& p) { return p.kind == named.kind && p.key == named.key; });
    Fill(it == FPlaces.cend() ? row : static_cast<int>(it - FPlaces.cbegin()));
}
