#pragma once

class QWidget;
class TM3GeneralConfigs;

/// Once a month: shows the donation reminder modally and, when it is closed, stores the date.
/// A store that cannot tell whether the reminder is due shows nothing.
void DonationReminder(TM3GeneralConfigs& configs, int language, QWidget* parent);

/// Opens the donation page in the desktop's browser; a failure is not reported.
void Donate();
