#pragma once

#include <QDate>
#include <QDateTime>
#include <QDomDocument>
#include <QString>

// The calibration record (root "Calibration"): speed sources, the vehicle, the constants W, K and L,
// the next calibration date and the speed signal values. No widgets here: the calibration dialog fills
// CalibrationFields from what it holds and applies what ReadCalibrationRecord gives back.
struct CalibrationFields
{
    quint32 composition = 0;
    quint32 sensorUsage = 0;
    QString vehicleVin;
    QString vehicleRegNo;
    QString vehicleTyre;
    double odometerKm = 0.0; // written only; a loaded record does not set the unit's odometer
    quint32 wConst = 0;
    quint32 kConst = 0;
    quint32 lConst = 0;
    QDate nextCalibration;
    int b6Const = 0;
    int b7Const = 0;
    int canSpeed = 0;
};

// The record saved at aWhen (local time).
QDomDocument BuildCalibrationDocument(const CalibrationFields& aFields, const QDateTime& aWhen);

// Reads a record (of any kind) into aFields: a value the record lacks, and a next calibration date that
// is no date, leaves its field as it came. The odometer is not read.
void ReadCalibrationRecord(const QDomDocument& aDoc, CalibrationFields& aFields);
