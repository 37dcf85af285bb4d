#pragma once

#include <QString>

struct MpvEventData;

/// The name and length the control reports for the current file. mpv's property changes name no
/// entry: they describe the entry mpv started last, which may be a prepared entry not yet set, so
/// what is seen of it is kept until it becomes the current file.
class MpvMediaInfo {
public:
    QString Name() const { return FName; }
    /// 0 until the length is known.
    double Duration() const { return FDuration; }

    /// A file is set: it bears `name` until mpv reports a title, or for good when `fixedName`
    /// (a metafile's entry, named by the metafile).
    void SetFile(const QString& name, bool fixedName);
    /// Nothing is open.
    void Clear();

    /// mpv started an entry: nothing is known of its title yet.
    void OnStartFile();
    /// The current file has loaded: its length is the one mpv told last, until it tells another.
    void OnLoaded();
    /// `current`: the entry mpv started last is the current file.
    void OnProperty(const MpvEventData& event, bool current);
    /// The entry mpv started last has become the current file: what was seen of it counts.
    void Adopt();

private:
    QString FName;
    double FDuration = 0.0;
    bool FFixedName = false;
    double FSeenDuration = 0.0;
    QString FSeenTitle;
};
