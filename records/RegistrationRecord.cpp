#include "records/RegistrationRecord.h"

#include "link/TKR_VUDateTime.h"
#include "records/RecordFile.h"
#include "records/XmlElements.h"

#include <cmath>
#include <limits>

QDomDocument BuildRegistrationDocument(const RegistrationFields& aFields, const QDateTime& aWhen)
{
    QDomDocument doc = NewRecord(QStringLiteral("Registration"), aWhen);
    QDomElement root = doc.documentElement();

    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    SetChildText(vu, QStringLiteral("PartNo"), aFields.vuPartNo);
    SetChildText(vu, QStringLiteral("SerNo"), aFields.vuSerNo);
    SetChildText(vu, QStringLiteral("SWVer"), aFields.vuSWVer);
    SetChildText(vu, QStringLiteral("Manufacturer"), aFields.vuManufacturer);
    // Signed, as the loaders read them back: bit 31 comes back whole.
    WriteChildInt(vu, QStringLiteral("Composition"), static_cast<int>(aFields.composition));
    if (aFields.sensorUsage)
        WriteChildInt(vu, QStringLiteral("SensorUsage"), static_cast<int>(*aFields.sensorUsage));
    const TKR_VUDateTime clock(aFields.vuClock, aFields.vuOffset);
    QDomElement dateTime = ChildElement(vu, QStringLiteral("DateTime"));
    SetChildText(dateTime, QStringLiteral("Date"), clock.ToText(1));
    SetChildText(dateTime, QStringLiteral("Time"), clock.ToText(2));
    SetChildText(dateTime, QStringLiteral("GMT"), clock.ToText(3));

    QDomElement vehicle =
        WriteVehicleIdentity(root, aFields.vehicleVin, aFields.vehicleRegNo, aFields.vehicleTyre);
    WriteChildInt(vehicle, QStringLiteral("MaxSpeed"), aFields.vehicleMaxSpeed);
    if (aFields.odometerKm)
        WriteChildDouble(vehicle, QStringLiteral("Odometer"), *aFields.odometerKm, 'f', 1);

    if (const auto& sensor = aFields.sensor) {
        QDomElement element = ChildElement(root, QStringLiteral("Sensor"));
        SetChildText(element, QStringLiteral("SerNo"), sensor->serNo);
        SetChildText(element, QStringLiteral("Number"), sensor->number);
        SetChildText(element, QStringLiteral("Paired"), sensor->paired);
    }
    if (const auto& gps = aFields.gps) {
        QDomElement element = ChildElement(root, QStringLiteral("GPS"));
        SetChildText(element, QStringLiteral("Latitude"), gps->latitude);
        SetChildText(element, QStringLiteral("Longitude"), gps->longitude);
        SetChildText(element, QStringLiteral("Speed"), gps->speed);
        SetChildText(element, QStringLiteral("DateTime"), gps->dateTime);
    }
    if (const auto& modem = aFields.modem) {
        QDomElement element = ChildElement(root, QStringLiteral("Modem"));
        SetChildText(element, QStringLiteral("PIN"), modem->pin);
        SetChildText(element, QStringLiteral("APN"), modem->apn);
        SetChildText(element, QStringLiteral("Login"), modem->login);
        SetChildText(element, QStringLiteral("Password"), modem->password);
        WriteChildInt(element, QStringLiteral("Update"), modem->update ? 1 : 0);
        SetChildText(element, QStringLiteral("GPSURL"), modem->gpsUrl);
        SetChildText(element, QStringLiteral("MonitorURL"), modem->monitorUrl);
    }
    return doc;
}

void ReadRegistrationRecord(const QDomDocument& aDoc, RegistrationFields& aFields)
{
    // A missing level is a null element, which reads as missing values.
    const QDomElement root = aDoc.documentElement();
    const QDomElement vu = root.firstChildElement(QStringLiteral("VU"));
    const QDomElement vehicle = root.firstChildElement(QStringLiteral("Vehicle"));
    const QDomElement regNo = vehicle.firstChildElement(QStringLiteral("RegNo"));

    aFields.vuOffsetText = ReadChildText(vu.firstChildElement(QStringLiteral("DateTime")),
                                         QStringLiteral("GMT"), aFields.vuOffsetText);
    if (vu.firstChildElement(QStringLiteral("SensorUsage")).isNull())
        aFields.sensorUsage.reset();
    else
        aFields.sensorUsage = quint32(ReadChildInt(vu, QStringLiteral("SensorUsage"),
                                                   static_cast<int>(aFields.sensorUsage.value_or(0))));
    aFields.vehicleVin = ReadChildText(vehicle, QStringLiteral("VIN"), aFields.vehicleVin);
    aFields.vehicleRegNo = ReadChildText(regNo, QStringLiteral("Number"), aFields.vehicleRegNo);
    aFields.region = ReadChildInt(regNo, QStringLiteral("Region"), aFields.region);
    aFields.vehicleTyre = ReadChildText(vehicle, QStringLiteral("Tyre"), aFields.vehicleTyre);
    aFields.vehicleMaxSpeed = ReadChildInt(vehicle, QStringLiteral("MaxSpeed"), aFields.vehicleMaxSpeed);
    const double km =
        ReadChildDouble(vehicle, QStringLiteral("Odometer"), std::numeric_limits<double>::quiet_NaN());
    aFields.odometerKm.reset();
    if (!std::isnan(km))
        aFields.odometerKm = km;

    if (auto& modem = aFields.modem) {
        const QDomElement element = root.firstChildElement(QStringLiteral("Modem"));
        modem->pin = ReadChildText(element, QStringLiteral("PIN"), modem->pin);
        modem->apn = ReadChildText(element, QStringLiteral("APN"), modem->apn);
        modem->login = ReadChildText(element, QStringLiteral("Login"), modem->login);
        modem->password = ReadChildText(element, QStringLiteral("Password"), modem->password);
        modem->update = ReadChildInt(element, QStringLiteral("Update"), modem->update ? 1 : 0) != 0;
        modem->gpsUrl = ReadChildText(element, QStringLiteral("GPSURL"), modem->gpsUrl);
        modem->monitorUrl = ReadChildText(element, QStringLiteral("MonitorURL"), modem->monitorUrl);
    }
}
