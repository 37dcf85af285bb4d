#include "ui/VarnelOptions.h"

#include "config/GeneralConfigs.h"
#include "texts/BookTexts.h"
#include "texts/ListeningTexts.h"
#include "texts/SoundTexts.h"
#include "texts/Texts.h"
#include "ui/AccessibleComboBox.h"
#include "ui/DialogForm.h"
#include "ui/SpinEdit.h"
#include "util/IgnoreFailure.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <functional>

namespace {
constexpr int kOrderChoices = 3;
// The sound's boxes, one under another below the rewind's, the talking book's below them, and the
// buttons below those.
constexpr int kSoundTop = 95;
constexpr int kBoxStep = 25;
constexpr int kBookTop = kSoundTop + 3 * kBoxStep;
constexpr int kButtonsTop = kBookTop + 2 * kBoxStep + 10;

QCheckBox* NewCheckBox(QWidget& parent, const QString& name, int top) {
    auto* box = new QCheckBox(&parent);
    box->setObjectName(name);
    box->setGeometry(10, top, 280, 21);
    return box;
}

// Only a change is written, so that a file the option never touched stays as it was.
void StoreIfChanged(bool shown, bool stored, const std::function<void(bool)>& store) {
    if (shown != stored)
        store(shown);
}
} // namespace

TVarnelOptions::TVarnelOptions(TM3GeneralConfigs& configs, int language, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), FConfigs(configs) {
    SetUpFixedDialog(*this, 300, kButtonsTop + 35);
    // Before the controls: a screen reader must hear the order list's current choice.
    InstallComboBoxAccessibility();
    CreateControls();
    SetTexts(language);
    LoadValues();
}

void TVarnelOptions::CreateControls() {
    StDeactivatedVolume = new QLabel(this);
    StDeactivatedVolume->setObjectName(QStringLiteral("StDeactivatedVolume"));
    StDeactivatedVolume->setGeometry(10, 10, 220, 17);

    SpDeactivatedVolume = new TSpinEdit(this);
    SpDeactivatedVolume->setObjectName(QStringLiteral("SpDeactivatedVolume"));
    SpDeactivatedVolume->setGeometry(230, 7, 60, 22);
    SpDeactivatedVolume->SetRange(0, 100);
    SpDeactivatedVolume->SetIncrement(1);
    SpDeactivatedVolume->SetValue(kDefaultDeactivatedVolume);

    StSortType = new QLabel(this);
    StSortType->setObjectName(QStringLiteral("StSortType"));
    StSortType->setGeometry(10, 40, 160, 17);

    CbSortType = new QComboBox(this);
    CbSortType->setObjectName(QStringLiteral("CbSortType"));
    CbSortType->setGeometry(170, 37, 120, 21);
    CbSortType->setEditable(false);

    BtOk = new QPushButton(this);
    BtOk->setObjectName(QStringLiteral("BtOk"));
    BtOk->setGeometry(50, kButtonsTop, 75, 25);
    BtOk->setDefault(true);

    BtCancel = new QPushButton(this);
    BtCancel->setObjectName(QStringLiteral("BtCancel"));
    BtCancel->setGeometry(200, kButtonsTop, 75, 25);

    // Added after the first options: below them on screen, and after them in the tab order.
    CkRewindAfterPause = new QCheckBox(this);
    CkRewindAfterPause->setObjectName(QStringLiteral("CkRewindAfterPause"));
    CkRewindAfterPause->setGeometry(10, 70, 280, 21);
    CkRewindAfterPause->setChecked(true);

    CkEvenLoudness = NewCheckBox(*this, QStringLiteral("CkEvenLoudness"), kSoundTop);
    CkMonoSound = NewCheckBox(*this, QStringLiteral("CkMonoSound"), kSoundTop + kBoxStep);
    CkShortSilences = NewCheckBox(*this, QStringLiteral("CkShortSilences"), kSoundTop + 2 * kBoxStep);
    // A talking book's parts a listener may pass over; both read unless asked.
    CkReadPageNumbers = NewCheckBox(*this, QStringLiteral("CkReadPageNumbers"), kBookTop);
    CkReadPageNumbers->setChecked(true);
    CkReadNotes = NewCheckBox(*this, QStringLiteral("CkReadNotes"), kBookTop + kBoxStep);
    CkReadNotes->setChecked(true);

    // The buddies let a screen reader speak each field with its label.
    StDeactivatedVolume->setBuddy(SpDeactivatedVolume);
    StSortType->setBuddy(CbSortType);

    setTabOrder(SpDeactivatedVolume, CbSortType);
    setTabOrder(CbSortType, BtOk);
    setTabOrder(BtOk, BtCancel);
    setTabOrder(BtCancel, CkRewindAfterPause);
    setTabOrder(CkRewindAfterPause, CkEvenLoudness);
    setTabOrder(CkEvenLoudness, CkMonoSound);
    setTabOrder(CkMonoSound, CkShortSilences);
    setTabOrder(CkShortSilences, CkReadPageNumbers);
    setTabOrder(CkReadPageNumbers, CkReadNotes);
    SpDeactivatedVolume->setFocus();

    connect(BtOk, &QPushButton::clicked, this, &TVarnelOptions::OkClick);
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TVarnelOptions::SetTexts(int language) {
    setWindowTitle(Text(TextId::OptionsCaption, language));
    StDeactivatedVolume->setText(Text(TextId::OptionsVolumeLabel, language));
    SpDeactivatedVolume->setAccessibleName(StDeactivatedVolume->text());
    StSortType->setText(Text(TextId::OptionsOrderLabel, language));
    CbSortType->clear();
    CbSortType->addItems({Text(TextId::OrderNone, language), Text(TextId::OrderAlphabetical, language),
                          Text(TextId::OrderRandom, language)});
    CbSortType->setCurrentIndex(0);
    BtOk->setText(Text(TextId::OptionsOk, language));
    BtCancel->setText(Text(TextId::OptionsCancel, language));
    CkRewindAfterPause->setText(RewindOptionText(language));
    CkEvenLoudness->setText(SoundOptionText(SoundTextId::EvenLoudness, language));
    CkMonoSound->setText(SoundOptionText(SoundTextId::Mono, language));
    CkShortSilences->setText(SoundOptionText(SoundTextId::ShortSilences, language));
    CkReadPageNumbers->setText(BookText(BookTextId::ReadPageNumbers, language));
    CkReadNotes->setText(BookText(BookTextId::ReadNotes, language));
}

void TVarnelOptions::LoadValues() {
    // A value that cannot be read keeps the layout's default.
    IgnoreFailure([&] { SpDeactivatedVolume->SetValue(FConfigs.DeactivatedVolume()); });
    IgnoreFailure([&] {
        const int sortType = FConfigs.SortType();
        // An order the list does not offer leaves the first choice shown.
        if (sortType >= 0 && sortType < kOrderChoices)
            CbSortType->setCurrentIndex(sortType);
    });
    IgnoreFailure([&] { CkRewindAfterPause->setChecked(FConfigs.RewindAfterPause()); });
    IgnoreFailure([&] {
        CkEvenLoudness->setChecked(FConfigs.EvenLoudness());
        CkMonoSound->setChecked(FConfigs.MonoSound());
        CkShortSilences->setChecked(FConfigs.ShortSilences());
    });
    IgnoreFailure([&] {
        CkReadPageNumbers->setChecked(FConfigs.ReadPageNumbers());
        CkReadNotes->setChecked(FConfigs.ReadNotes());
    });
}

void TVarnelOptions::OkClick() {
    // Enter reaches the default button without the field losing the focus, so the text is brought
    // into range here as well: an out-of-range volume must never be stored.
    SpDeactivatedVolume->ClampText();
    // A store that cannot take a value keeps the old one; the dialog closes all the same.
    IgnoreFailure([&] { FConfigs.SetDeactivatedVolume(SpDeactivatedVolume->Value()); });
    IgnoreFailure([&] { FConfigs.SetSortType(CbSortType->currentIndex()); });
    IgnoreFailure([&] {
        // Only a change is written, so that a file the option never touched stays as it was.
        if (CkRewindAfterPause->isChecked() != FConfigs.RewindAfterPause())
            FConfigs.SetRewindAfterPause(CkRewindAfterPause->isChecked());
    });
    IgnoreFailure([&] {
        StoreIfChanged(CkEvenLoudness->isChecked(), FConfigs.EvenLoudness(),
                       [&](bool on) { FConfigs.SetEvenLoudness(on); });
        StoreIfChanged(CkMonoSound->isChecked(), FConfigs.MonoSound(),
                       [&](bool on) { FConfigs.SetMonoSound(on); });
        StoreIfChanged(CkShortSilences->isChecked(), FConfigs.ShortSilences(),
                       [&](bool on) { FConfigs.SetShortSilences(on); });
        StoreIfChanged(CkReadPageNumbers->isChecked(), FConfigs.ReadPageNumbers(),
                       [&](bool on) { FConfigs.SetReadPageNumbers(on); });
        StoreIfChanged(CkReadNotes->isChecked(), FConfigs.ReadNotes(),
                       [&](bool on) { FConfigs.SetReadNotes(on); });
    });
    accept();
}
