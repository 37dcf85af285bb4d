#pragma once

#include "return/Place.h"

#include <QDialog>

#include <functional>
#include <optional>

class QListWidget;

/// The modal list of a file's places (its bookmarks and chapters, in time order), read by a screen
/// reader as a list. Enter closes it on the place chosen, Delete removes a bookmark, F2 names one,
/// Escape closes it on nothing. Removing and naming go through the editors the caller gives, which
/// answer with the file's places as they are now.
class TPlacesDialog : public QDialog {
    Q_OBJECT
public:
    using Remove = std::function<QList<Place>(const Place& place)>;
    using Rename = std::function<QList<Place>(const Place& place, const QString& name)>;

    TPlacesDialog(QList<Place> places, int language, Remove remove, Rename rename, QWidget* parent = nullptr);

    /// The place Enter closed the list on; nothing after Escape.
    std::optional<Place> Chosen() const { return FChosen; }
    /// The places shown now.
    const QList<Place>& Places() const { return FPlaces; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Fill(int row);
    void AnnounceCurrentRow();
    void Choose();
    void RemoveCurrent();
    void NameCurrent();
    const Place* CurrentPlace() const;

    QList<Place> FPlaces;
    int FLanguage;
    Remove FRemove;
    Rename FRename;
    std::optional<Place> FChosen;
    QListWidget* LbPlaces = nullptr;
};
