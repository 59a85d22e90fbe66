#pragma once

#include <QVariant>

class QComboBox;

// The CAN bus speeds of the speedometer output; item data is the value of PID_CANSpeedometer.
void FillCANSpeedList(QComboBox* aCombo);
// User data of the current item.
QVariant CANSpeedValue(QComboBox* aCombo);
// Makes current the item carrying aValue, or the first item ("Нет") when none does.
void SelectCANSpeed(QComboBox* aCombo, const QVariant& aValue);
