#include "config/GeneralConfigs.h"

#include "util/IgnoreFailure.h"

#include "config/StoreText.h"

#include <utility>

namespace {

const QString OptionsSection = QString::fromLatin1(kGeneralSection);

// The day a date value of 0 stands for: a missing DonateDate counts as December 1899.
QDateTime NoDonateDate() {
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

} // namespace

TM3GeneralConfigs::TM3GeneralConfigs(QString fileName, QLocale regional, Clock clock)
    : TSectionedStore(std::move(fileName), std::move(regional)), FClock(std::move(clock)) {}

const QString& TM3GeneralConfigs::ExtensionList() {
    // An empty kept copy is read again next time, so a list emptied in the file stays empty.
    if (FExtensions.isEmpty()) {
        const QString stored = ReadText(OptionsSection, QString::fromLatin1(kExtensionsKey),
                                        QString::fromLatin1(kDefaultExtensions));
        FExtensions = StoreText::TrimControls(stored).toString().toLower();
    }
    return FExtensions;
}

int TM3GeneralConfigs::DeactivatedVolume() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kDeactivatedVolumeKey), kDefaultDeactivatedVolume);
}

void TM3GeneralConfigs::SetDeactivatedVolume(int value) {
    WriteInt(OptionsSection, QString::fromLatin1(kDeactivatedVolumeKey), value);
}

int TM3GeneralConfigs::SortType() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kSortTypeKey), kDefaultSortType);
}

void TM3GeneralConfigs::SetSortType(int value) {
    WriteInt(OptionsSection, QString::fromLatin1(kSortTypeKey), value);
}

bool TM3GeneralConfigs::RewindAfterPause() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kRewindAfterPauseKey), 1) != 0;
}

void TM3GeneralConfigs::SetRewindAfterPause(bool on) {
    WriteInt(OptionsSection, QString::fromLatin1(kRewindAfterPauseKey), on ? 1 : 0);
}

bool TM3GeneralConfigs::ReadPageNumbers() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kReadPageNumbersKey), 1) != 0;
}

void TM3GeneralConfigs::SetReadPageNumbers(bool on) {
    WriteInt(OptionsSection, QString::fromLatin1(kReadPageNumbersKey), on ? 1 : 0);
}

bool TM3GeneralConfigs::ReadNotes() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kReadNotesKey), 1) != 0;
}

void TM3GeneralConfigs::SetReadNotes(bool on) {
    WriteInt(OptionsSection, QString::fromLatin1(kReadNotesKey), on ? 1 : 0);
}

bool TM3GeneralConfigs::EvenLoudness() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kEvenLoudnessKey), 0) != 0;
}

void TM3GeneralConfigs::SetEvenLoudness(bool on) {
    WriteInt(OptionsSection, QString::fromLatin1(kEvenLoudnessKey), on ? 1 : 0);
}

bool TM3GeneralConfigs::MonoSound() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kMonoSoundKey), 0) != 0;
}

void TM3GeneralConfigs::SetMonoSound(bool on) {
    WriteInt(OptionsSection, QString::fromLatin1(kMonoSoundKey), on ? 1 : 0);
}

bool TM3GeneralConfigs::ShortSilences() const {
    return ReadInt(OptionsSection, QString::fromLatin1(kShortSilencesKey), 0) != 0;
}

void TM3GeneralConfigs::SetShortSilences(bool on) {
    WriteInt(OptionsSection, QString::fromLatin1(kShortSilencesKey), on ? 1 : 0);
}

bool TM3GeneralConfigs::IsMediaFile(const QString& name) {
    const qsizetype componentStart = name.lastIndexOf(u'/') + 1;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < componentStart)
        return false;
    // A plain substring test: ".mp" and ".3g" count, being pieces of longer entries.
    return ExtensionList().contains(name.sliced(dot).toLower());
}

bool TM3GeneralConfigs::DonateDue() const {
    return OrOnFailure(true, [&] {
        const QDateTime last = ReadStamp(OptionsSection, QString::fromLatin1(kDonateDateKey), NoDonateDate());
        return last.date().month() != FClock().date().month();
    });
}

void TM3GeneralConfigs::DonateDone() {
    WriteStamp(OptionsSection, QString::fromLatin1(kDonateDateKey), FClock());
}
