#pragma once

#include <QDateTime>
#include <QDomDocument>
#include <QString>

#include <optional>

// The registration record (root "Registration"): the unit's identity and registration data as the
// information dialog shows them. No widgets here: the dialog fills RegistrationFields from its form and
// applies what ReadRegistrationRecord gives back.
struct RegistrationSensor
{
    QString serNo;
    QString number;
    QString paired;
};

struct RegistrationGps
{
    QString latitude;
    QString longitude;
    QString speed;
    QString dateTime;
};

struct RegistrationModem
{
    QString pin;
    QString apn;
    QString login;
    QString password;
    bool update = false;
    QString gpsUrl;
    QString monitorUrl;
};

struct RegistrationFields
{
    QString vuPartNo;
    QString vuSerNo;
    QString vuSWVer;
    QString vuManufacturer;
    quint32 composition = 0;
    std::optional<quint32> sensorUsage;
    QDateTime vuClock;    // as shown, with its offset in vuOffset
    int vuOffset = 0;     // minutes
    QString vuOffsetText; // read back only: VU/DateTime/GMT as the record holds it
    QString vehicleVin;
    QString vehicleRegNo;
    int region = 0; // read back only; always written as kRegionRussia
    QString vehicleTyre;
    int vehicleMaxSpeed = 0;
    std::optional<double> odometerKm;
    // The pages the unit has; a record holds only those.
    std::optional<RegistrationSensor> sensor;
    std::optional<RegistrationGps> gps;
    std::optional<RegistrationModem> modem;
};

// The record saved at aWhen (local time). The optional values are written when set.
QDomDocument BuildRegistrationDocument(const RegistrationFields& aFields, const QDateTime& aWhen);

// Reads what a loaded record (of any kind) gives the information dialog into aFields: the time-zone text,
// the sensor usage, the vehicle's VIN, number, region, tyre, maximum speed and odometer, and the modem
// values when aFields has a modem. A value the record lacks leaves its field as it came, except the
// optional ones: they come back set only when the record holds them (a sensor usage that is no number as
// the value it came with, an odometer that is no number not at all). The unit's identity, pages and
// clock are not read: they are the unit's.
void ReadRegistrationRecord(const QDomDocument& aDoc, RegistrationFields& aFields);
