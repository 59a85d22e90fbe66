#pragma once

#include <QDate>
#include <QDomDocument>
#include <QString>

// The certificate record (root "Certificate") and the texts derived from it. No widgets here: the
// certificate dialog fills CertificateFields from its form, printing reads the built document.
struct CertificateFields
{
    QDate orderDate;
    QString orderNo;
    QString workshopName;
    QString workshopAddress;
    QString workshopCode;
    QString master;
    QString customerName;
    QString customerAddress;
    QString vehicleManufacturer;
    QString vehicleModel;
    QString vehicleVin;
    QString vehicleRegNo;
    QString vehicleTyre;
    QString odometerText; // as typed; written only when OdometerFromText accepts it (see OdometerFieldError)
    QString vuPartNo;
    QString vuSerNo;
    QString vuManufacturer;
    QString vuManufacturingDate;
    int wConst = 0; // left out when 0
    int kConst = 0; // left out when 0
    int lConst = 0; // always written
    QDate nextCalibration;
    QString resultLabel;
    int resultTest = 0;         // 0 negative, 1 positive
    int resultManipulation = 0; // 0 none, 1 found
    QString resultRemark;
};

QDomDocument BuildCertificateDocument(const CertificateFields& aFields);

// Why the odometer text of a certificate cannot go into the record, naming the field as the form labels it
// ("Пробег") and what it takes; empty when it can. A blank text is no odometer and is fine: the record then
// has none. The record would silently leave out any other text, so the dialog refuses it instead.
QString OdometerFieldError(const QString& aText);

// The manufacturing month and year ("03/2011") from a VU serial number "serial/MM YY/type/maker".
// A date the user typed (aShown not empty and not the last derived one) stands. When the serial number
// gives no date, aShown is returned. A newly derived date is stored in aLastDerived.
QString DeriveManufacturingDate(const QString& aSerNo, const QString& aShown, QString& aLastDerived);

// The VU type printed on the label, from the third field of the serial number: 1 and 18 are known.
QString VUTypeName(const QString& aSerNo);

// "Положительный"/"Отрицательный" and "Присутствуют"/"Отсутствуют" from a Result/Test or
// Result/Manipulation text (an unsigned decimal; anything else counts as 0).
QString InspectionWord(const QString& aText);
QString ManipulationWord(const QString& aText);

// The VIN check before a record is loaded into a certificate: certificates always pass, as do records
// without a VIN (which then take aDialogVin) and records while no VIN is entered. False for a record of
// another vehicle.
bool AcceptRecordVin(QDomDocument& aDoc, const QString& aDialogVin);
