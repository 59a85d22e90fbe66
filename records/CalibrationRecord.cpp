#include "records/CalibrationRecord.h"

#include "records/RecordFile.h"
#include "records/XmlElements.h"

namespace {
const QString kDateFormat = QStringLiteral("dd/MM/yyyy");
}

QDomDocument BuildCalibrationDocument(const CalibrationFields& aFields, const QDateTime& aWhen)
{
    QDomDocument doc = NewRecord(QStringLiteral("Calibration"), aWhen);
    QDomElement root = doc.documentElement();

    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    // Signed, as the loaders read them back: bit 31 comes back whole.
    WriteChildInt(vu, QStringLiteral("Composition"), static_cast<int>(aFields.composition));
    WriteChildInt(vu, QStringLiteral("SensorUsage"), static_cast<int>(aFields.sensorUsage));

    QDomElement vehicle =
        WriteVehicleIdentity(root, aFields.vehicleVin, aFields.vehicleRegNo, aFields.vehicleTyre);
    WriteChildDouble(vehicle, QStringLiteral("Odometer"), aFields.odometerKm, 'f', 1);

    QDomElement data = ChildElement(root, QStringLiteral("Data"));
    WriteChildInt(data, QStringLiteral("W-Const"), static_cast<int>(aFields.wConst));
    WriteChildInt(data, QStringLiteral("K-Const"), static_cast<int>(aFields.kConst));
    WriteChildInt(data, QStringLiteral("L-Const"), static_cast<int>(aFields.lConst));
    SetChildText(ChildElement(data, QStringLiteral("NextCalibration")), QStringLiteral("Date"),
                 aFields.nextCalibration.toString(kDateFormat));
    WriteChildInt(data, QStringLiteral("B6-Const"), aFields.b6Const);
    WriteChildInt(data, QStringLiteral("B7-Const"), aFields.b7Const);
    WriteChildInt(data, QStringLiteral("CANSpeed"), aFields.canSpeed);
    return doc;
}

void ReadCalibrationRecord(const QDomDocument& aDoc, CalibrationFields& aFields)
{
    // A missing level is a null element, which reads as missing values.
    const QDomElement root = aDoc.documentElement();
    const QDomElement vu = root.firstChildElement(QStringLiteral("VU"));
    const auto readUnsigned = [](const QDomElement& aParent, const QString& aTag, quint32 aValue) {
        return static_cast<quint32>(ReadChildInt(aParent, aTag, static_cast<int>(aValue)));
    };
    aFields.composition = readUnsigned(vu, QStringLiteral("Composition"), aFields.composition);
    aFields.sensorUsage = readUnsigned(vu, QStringLiteral("SensorUsage"), aFields.sensorUsage);

    const QDomElement vehicle = root.firstChildElement(QStringLiteral("Vehicle"));
    aFields.vehicleVin = ReadChildText(vehicle, QStringLiteral("VIN"), aFields.vehicleVin);
    aFields.vehicleRegNo = ReadChildText(vehicle.firstChildElement(QStringLiteral("RegNo")),
                                         QStringLiteral("Number"), aFields.vehicleRegNo);
    aFields.vehicleTyre = ReadChildText(vehicle, QStringLiteral("Tyre"), aFields.vehicleTyre);

    const QDomElement data = root.firstChildElement(QStringLiteral("Data"));
    aFields.wConst = readUnsigned(data, QStringLiteral("W-Const"), aFields.wConst);
    aFields.kConst = readUnsigned(data, QStringLiteral("K-Const"), aFields.kConst);
    aFields.lConst = readUnsigned(data, QStringLiteral("L-Const"), aFields.lConst);
    const QDate next =
        QDate::fromString(ReadChildText(data.firstChildElement(QStringLiteral("NextCalibration")),
                                        QStringLiteral("Date"), QString()),
                          kDateFormat);
    if (next.isValid())
        aFields.nextCalibration = next;
    aFields.b6Const = ReadChildInt(data, QStringLiteral("B6-Const"), aFields.b6Const);
    aFields.b7Const = ReadChildInt(data, QStringLiteral("B7-Const"), aFields.b7Const);
    aFields.canSpeed = ReadChildInt(data, QStringLiteral("CANSpeed"), aFields.canSpeed);
}
