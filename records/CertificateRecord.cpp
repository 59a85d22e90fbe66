#include "records/CertificateRecord.h"

#include "records/XmlElements.h"
#include "widgets/Formatters.h"

#include <QStringList>

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

// Unsigned decimal as the records and serial numbers hold it.
bool UnsignedDecimal(const QString& aText, uint* aValue)
{
    bool ok = false;
    *aValue = aText.toUInt(&ok, 10);
    return ok;
}

} // namespace

QDomDocument BuildCertificateDocument(const CertificateFields& aFields)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Certificate"));
    doc.appendChild(root);
    SetChildText(root, QStringLiteral("Date"), aFields.orderDate.toString(kDateFormat));
    SetChildText(ChildElement(root, QStringLiteral("Order")), QStringLiteral("Id"), aFields.orderNo);

    QDomElement workshop = ChildElement(root, QStringLiteral("Workshop"));
    SetChildText(workshop, QStringLiteral("Name"), aFields.workshopName);
    SetChildText(workshop, QStringLiteral("Address"), aFields.workshopAddress);
    SetChildText(workshop, QStringLiteral("Master"), aFields.master);
    SetChildText(workshop, QStringLiteral("Code"), aFields.workshopCode);

    QDomElement customer = ChildElement(root, QStringLiteral("Customer"));
    SetChildText(customer, QStringLiteral("Name"), aFields.customerName);
    SetChildText(customer, QStringLiteral("Address"), aFields.customerAddress);

    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    SetChildText(vehicle, QStringLiteral("Manufacturer"), aFields.vehicleManufacturer);
    SetChildText(vehicle, QStringLiteral("Model"), aFields.vehicleModel);
    SetChildText(vehicle, QStringLiteral("VIN"), aFields.vehicleVin);
    SetChildText(ChildElement(vehicle, QStringLiteral("RegNo")), QStringLiteral("Number"),
                 aFields.vehicleRegNo);
    SetChildText(vehicle, QStringLiteral("Tyre"), aFields.vehicleTyre);
    double odometer = 0.0;
    if (OdometerFromText(aFields.odometerText, &odometer))
        WriteChildDouble(vehicle, QStringLiteral("Odometer"), odometer, 'f', 1);

    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    SetChildText(vu, QStringLiteral("PartNo"), aFields.vuPartNo);
    SetChildText(vu, QStringLiteral("SerNo"), aFields.vuSerNo);
    SetChildText(vu, QStringLiteral("Manufacturer"), aFields.vuManufacturer);
    SetChildText(vu, QStringLiteral("ManufacturingDate"), aFields.vuManufacturingDate);

    QDomElement data = ChildElement(root, QStringLiteral("Data"));
    if (aFields.wConst != 0)
        WriteChildInt(data, QStringLiteral("W-Const"), aFields.wConst, 10);
    if (aFields.kConst != 0)
        WriteChildInt(data, QStringLiteral("K-Const"), aFields.kConst, 10);
    WriteChildInt(data, QStringLiteral("L-Const"), aFields.lConst, 10);
    SetChildText(ChildElement(data, QStringLiteral("NextCalibration")), QStringLiteral("Date"),
                 aFields.nextCalibration.toString(kDateFormat));

    QDomElement result = ChildElement(root, QStringLiteral("Result"));
    SetChildText(result, QStringLiteral("Label"), aFields.resultLabel);
    WriteChildInt(result, QStringLiteral("Test"), aFields.resultTest, 10);
    WriteChildInt(result, QStringLiteral("Manipulation"), aFields.resultManipulation, 10);
    SetChildText(result, QStringLiteral("Remark"), aFields.resultRemark);
    return doc;
}

QString OdometerFieldError(const QString& aText)
{
    double km = 0.0;
    if (aText.trimmed().isEmpty() || OdometerFromText(aText, &km))
        return QString();
    return QStringLiteral("Пробег «%1» – не число километров. Введите число от 0 до %2; дробная часть "
                          "отделяется точкой или запятой.")
        .arg(aText.trimmed(), OdometerText(kMaxOdometerKm));
}

QString DeriveManufacturingDate(const QString& aSerNo, const QString& aShown, QString& aLastDerived)
{
    if (!aShown.isEmpty() && aShown != aLastDerived)
        return aShown;
    const QStringList parts = aSerNo.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    if (parts.size() != 4)
        return aShown;
    const QStringList pieces = parts.at(1).split(QLatin1Char(' '), Qt::KeepEmptyParts);
    if (pieces.size() != 2)
        return aShown;
    uint month = 0;
    uint year = 0;
    if (!UnsignedDecimal(pieces.at(0), &month) || month < 1 || month > 12 ||
        !UnsignedDecimal(pieces.at(1), &year))
        return aShown;
    if (year > 99)
        year %= 100;
    aLastDerived =
        QStringLiteral("%1/20%2").arg(month, 2, 10, QLatin1Char('0')).arg(year, 2, 10, QLatin1Char('0'));
    return aLastDerived;
}

QString VUTypeName(const QString& aSerNo)
{
    const QStringList parts = aSerNo.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    uint type = 0;
    if (parts.size() != 4 || !UnsignedDecimal(parts.at(2), &type))
        return QString();
    if (type == 1)
        return QStringLiteral("ОрбиталRus");
    if (type == 18)
        return QStringLiteral("ОрбиталRus с ГЛОНАСС");
    return QString();
}

QString InspectionWord(const QString& aText)
{
    uint value = 0;
    return UnsignedDecimal(aText, &value) && value != 0 ? QStringLiteral("Положительный")
                                                        : QStringLiteral("Отрицательный");
}

QString ManipulationWord(const QString& aText)
{
    uint value = 0;
    return UnsignedDecimal(aText, &value) && value != 0 ? QStringLiteral("Присутствуют")
                                                        : QStringLiteral("Отсутствуют");
}

bool AcceptRecordVin(QDomDocument& aDoc, const QString& aDialogVin)
{
    QDomElement root = aDoc.documentElement();
    if (root.tagName() == QLatin1String("Certificate"))
        return true;
    const QString dialogVin = aDialogVin.simplified().toUpper();
    if (dialogVin.isEmpty())
        return true;
    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    const QString fileVin = ReadChildText(vehicle, QStringLiteral("VIN"), QString()).simplified().toUpper();
    if (fileVin.isEmpty()) {
        // Loading such a record keeps the VIN that is entered.
        SetChildText(vehicle, QStringLiteral("VIN"), aDialogVin);
        return true;
    }
    return fileVin == dialogVin;
}
