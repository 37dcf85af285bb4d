#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TM3GeneralConfigs;
class TSpinEdit;

/// The modal options dialog: the background volume, the order of a new track list, the rewind
/// after a long pause and the sound (even loudness, mono, shorter silences).
class TVarnelOptions : public QDialog {
    Q_OBJECT

public:
    /// Shows the texts of language and the values of configs; values that cannot be read leave
    /// the defaults (volume 20, first order choice).
    TVarnelOptions(TM3GeneralConfigs& configs, int language, QWidget* parent = nullptr);

    /// Writes the values to the store, ignoring any failure, and closes with the OK result.
    void OkClick();

private:
    void CreateControls();
    void SetTexts(int language);
    void LoadValues();

    TM3GeneralConfigs& FConfigs;
    QLabel* StDeactivatedVolume = nullptr;
    TSpinEdit* SpDeactivatedVolume = nullptr;
    QLabel* StSortType = nullptr;
    QComboBox* CbSortType = nullptr;
    QPushButton* BtOk = nullptr;
    QPushButton* BtCancel = nullptr;
    QCheckBox* CkRewindAfterPause = nullptr;
    QCheckBox* CkEvenLoudness = nullptr;
    QCheckBox* CkMonoSound = nullptr;
    QCheckBox* CkShortSilences = nullptr;
    QCheckBox* CkReadPageNumbers = nullptr;
    QCheckBox* CkReadNotes = nullptr;
};
