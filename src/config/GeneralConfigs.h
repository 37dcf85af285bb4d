#pragma once

#include "config/SectionedStore.h"

#include <functional>

/// The options file "Play.cfg": typed accessors over its "General" section.
class TM3GeneralConfigs : public TSectionedStore {
public:
    using Clock = std::function<QDateTime()>;

    /// clock gives the current local date and time (the platform's, unless a test fixes it).
    TM3GeneralConfigs(QString fileName, QLocale regional, Clock clock);

    /// The extension list, read once, trimmed and lower-cased.
    const QString& ExtensionList();
    int DeactivatedVolume() const;
    void SetDeactivatedVolume(int value);
    int SortType() const;
    void SetSortType(int value);
    /// Whether a resume after a long pause first moves back a little; on unless stored as 0.
    bool RewindAfterPause() const;
    void SetRewindAfterPause(bool on);
    /// Whether a talking book's spoken page numbers, and its notes (footnotes, producer's notes,
    /// sidebars), are played; both on unless stored as 0.
    bool ReadPageNumbers() const;
    void SetReadPageNumbers(bool on);
    bool ReadNotes() const;
    void SetReadNotes(bool on);
    /// The sound the listener asked for; each is off unless stored as a number other than 0.
    bool EvenLoudness() const;
    void SetEvenLoudness(bool on);
    bool MonoSound() const;
    void SetMonoSound(bool on);
    bool ShortSilences() const;
    void SetShortSilences(bool on);
    /// True when the name's extension (dot included) occurs inside the extension list.
    bool IsMediaFile(const QString& name);
    /// True when the stored DonateDate's month differs from the current month, or cannot be read.
    bool DonateDue() const;
    /// Stores the current local date and time as DonateDate.
    void DonateDone();

private:
    Clock FClock;
    QString FExtensions;
};

inline constexpr const char* kGeneralSection = "General";
inline constexpr const char* kExtensionsKey = "Extensions";
inline constexpr const char* kDeactivatedVolumeKey = "DeactivatedVolume";
inline constexpr const char* kSortTypeKey = "SortType";
inline constexpr const char* kDonateDateKey = "DonateDate";
inline constexpr const char* kRewindAfterPauseKey = "RewindAfterPause";
inline constexpr const char* kReadPageNumbersKey = "ReadPageNumbers";
inline constexpr const char* kReadNotesKey = "ReadNotes";
inline constexpr const char* kEvenLoudnessKey = "EvenLoudness";
inline constexpr const char* kMonoSoundKey = "MonoSound";
inline constexpr const char* kShortSilencesKey = "ShortSilences";
inline constexpr const char* kDefaultExtensions =
    ".mp3.wav.avi.mid.m4a.snd.au.aif.aifc.aiff.wma.mp2.adts.adt.aac.mov.rmi.midi.mp4.m4v.mp4v.3gp.3gpp.3g2."
    "3gp2.m2ts.m2t.mts.ts.tts.wmv.mpeg.mpg.m1v.m2v.mod.mpa.mpe.ifo.vob.ofr.ofs.asx.wax.dvr-ms.wtv.flv";
inline constexpr int kDefaultDeactivatedVolume = 20;
inline constexpr int kDefaultSortType = 0;
