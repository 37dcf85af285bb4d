#include "ui/Donation.h"

#include "util/IgnoreFailure.h"

#include "config/GeneralConfigs.h"
#include "texts/Texts.h"
#include "util/Platform.h"

#include <QMessageBox>
#include <QUrl>

static bool IsDonationDue(const TM3GeneralConfigs& configs) {
    return OrOnFailure(false, [&] { return configs.DonateDue(); });
}

void DonationReminder(TM3GeneralConfigs& configs, int language, QWidget* parent) {
    if (!IsDonationDue(configs))
        return;
    QMessageBox box(QMessageBox::Information, Text(TextId::DonationCaption, language),
                    Text(TextId::DonationText, language), QMessageBox::Ok, parent);
    box.exec();
    configs.DonateDone();
}

void Donate() {
    Platform::Current().OpenUrl(QUrl(QString::fromLatin1(kDonationAddress)));
}
