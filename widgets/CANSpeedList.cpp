#include "widgets/CANSpeedList.h"

#include <QComboBox>

void FillCANSpeedList(QComboBox* aCombo)
{
    while (aCombo->count() > 0)
        aCombo->removeItem(0);
    aCombo->addItem(QStringLiteral("Нет"), 0);
    aCombo->addItem(QStringLiteral("256 kbps"), 8);
    aCombo->addItem(QStringLiteral("512 kbps"), 9);
    aCombo->addItem(QStringLiteral("1 Mbps"), 10);
}

QVariant CANSpeedValue(QComboBox* aCombo)
{
    return aCombo->currentData();
}

void SelectCANSpeed(QComboBox* aCombo, const QVariant& aValue)
{
    const int index = aCombo->findData(aValue, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    aCombo->setCurrentIndex(index >= 0 ? index : 0);
}
