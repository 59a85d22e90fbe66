#include "link/CodePage.h"
#include "records/CertificateRecord.h"
#include "records/RecordFile.h"
#include "records/XmlElements.h"
#include "widgets/Formatters.h"

#include <QLocale>
#include <QTest>

namespace {

CertificateFields SampleFields()
{
    CertificateFields f;
    f.orderDate = QDate(2012, 3, 5);
    f.orderNo = QStringLiteral("17/3");
    f.workshopName = QStringLiteral("Тахо");
    f.workshopAddress = QStringLiteral("Киров");
    f.workshopCode = QStringLiteral("RUS42");
    f.master = QStringLiteral("Иванов");
    f.customerName = QStringLiteral("ООО Груз");
    f.customerAddress = QStringLiteral("Пермь");
    f.vehicleManufacturer = QStringLiteral("КАМАЗ");
    f.vehicleModel = QStringLiteral("5490");
    f.vehicleVin = QStringLiteral("XTA21099070001234");
    f.vehicleRegNo = QStringLiteral("А123ВС43");
    f.vehicleTyre = QStringLiteral("315/80R22.5");
    f.odometerText = QStringLiteral("123456.7");
    f.vuPartNo = QStringLiteral("ОрбиталRus");
    f.vuSerNo = QStringLiteral("000123/03 11/01/RU");
    f.vuManufacturer = QStringLiteral("Вестра");
    f.vuManufacturingDate = QStringLiteral("03/2011");
    f.wConst = 8000;
    f.kConst = 8001;
    f.lConst = 3250;
    f.nextCalibration = QDate(2014, 3, 5);
    f.resultLabel = QStringLiteral("Стойка двери водителя");
    f.resultTest = 1;
    f.resultManipulation = 0;
    f.resultRemark = QStringLiteral("Эксплуатация только на территории РФ.");
    return f;
}

QString Serialized(const QDomDocument& aDoc)
{
    return CodePage::FromProgram8Bit(SerializeRecord(aDoc));
}

} // namespace

class tst_certificaterecord : public QObject
{
    Q_OBJECT

private slots:
    void buildByteForByte()
    {
        const QString expected =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                           "<Certificate>\r\n"
                           "    <Date>05/03/2012</Date>\r\n"
                           "    <Order>\r\n"
                           "        <Id>17/3</Id>\r\n"
                           "    </Order>\r\n"
                           "    <Workshop>\r\n"
                           "        <Name>Тахо</Name>\r\n"
                           "        <Address>Киров</Address>\r\n"
                           "        <Master>Иванов</Master>\r\n"
                           "        <Code>RUS42</Code>\r\n"
                           "    </Workshop>\r\n"
                           "    <Customer>\r\n"
                           "        <Name>ООО Груз</Name>\r\n"
                           "        <Address>Пермь</Address>\r\n"
                           "    </Customer>\r\n"
                           "    <Vehicle>\r\n"
                           "        <Manufacturer>КАМАЗ</Manufacturer>\r\n"
                           "        <Model>5490</Model>\r\n"
                           "        <VIN>XTA21099070001234</VIN>\r\n"
                           "        <RegNo>\r\n"
                           "            <Number>А123ВС43</Number>\r\n"
                           "        </RegNo>\r\n"
                           "        <Tyre>315/80R22.5</Tyre>\r\n"
                           "        <Odometer>123456.7</Odometer>\r\n"
                           "    </Vehicle>\r\n"
                           "    <VU>\r\n"
                           "        <PartNo>ОрбиталRus</PartNo>\r\n"
                           "        <SerNo>000123/03 11/01/RU</SerNo>\r\n"
                           "        <Manufacturer>Вестра</Manufacturer>\r\n"
                           "        <ManufacturingDate>03/2011</ManufacturingDate>\r\n"
                           "    </VU>\r\n"
                           "    <Data>\r\n"
                           "        <W-Const>8000</W-Const>\r\n"
                           "        <K-Const>8001</K-Const>\r\n"
                           "        <L-Const>3250</L-Const>\r\n"
                           "        <NextCalibration>\r\n"
                           "            <Date>05/03/2014</Date>\r\n"
                           "        </NextCalibration>\r\n"
                           "    </Data>\r\n"
                           "    <Result>\r\n"
                           "        <Label>Стойка двери водителя</Label>\r\n"
                           "        <Test>1</Test>\r\n"
                           "        <Manipulation>0</Manipulation>\r\n"
                           "        <Remark>Эксплуатация только на территории РФ.</Remark>\r\n"
                           "    </Result>\r\n"
                           "</Certificate>\r\n");
        QCOMPARE(Serialized(BuildCertificateDocument(SampleFields())), expected);
    }

    void optionalElements()
    {
        CertificateFields f = SampleFields();
        f.wConst = 0;
        f.kConst = 0;
        f.lConst = 0;
        f.odometerText = QStringLiteral("много");
        const QString xml = BuildCertificateDocument(f).toString(-1);
        QVERIFY(!xml.contains(QLatin1String("W-Const")));
        QVERIFY(!xml.contains(QLatin1String("K-Const")));
        QVERIFY(xml.contains(QLatin1String("<L-Const>0</L-Const>")));
        QVERIFY(!xml.contains(QLatin1String("Odometer")));
    }

    // What the technician types as the odometer: either decimal point in any locale, or a refusal that
    // names the field; never a record that leaves the odometer out without a word.
    void odometerField_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written"); // the Odometer element; empty: none
        QTest::addColumn<bool>("refused");
        const QString max = QString::number(kMaxOdometerKm, 'f', 1);
        const QString pastMax = QString::number(kMaxOdometerKm + 0.1, 'f', 1);
        for (const char* locale : {"ru_RU", "C"}) {
            const auto row = [locale](const char* aName) -> QTestData& {
                return QTest::addRow("%s %s", locale, aName) << QString::fromLatin1(locale);
            };
            row("comma") << "250000,7"
                         << "250000.7" << false;
            row("point") << "250000.7"
                         << "250000.7" << false;
            row("blanks around") << " 0 "
                                 << "0.0" << false;
            row("empty") << ""
                         << "" << false;
            row("blank") << "   "
                         << "" << false;
            row("maximum") << max << max << false;
            row("past the maximum") << pastMax << "" << true;
            row("with unit") << "300000 км"
                             << "" << true;
            row("group separator") << "300 000"
                                   << "" << true;
            row("negative") << "-1"
                            << "" << true;
            row("two points") << "1.2.3"
                              << "" << true;
        }
    }
    void odometerField()
    {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(bool, refused);
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        CertificateFields f = SampleFields();
        f.odometerText = typed;
        const QString error = OdometerFieldError(typed);
        const QDomElement odometer = BuildCertificateDocument(f)
                                         .documentElement()
                                         .firstChildElement(QStringLiteral("Vehicle"))
                                         .firstChildElement(QStringLiteral("Odometer"));
        QLocale::setDefault(saved);
        QCOMPARE(odometer.isNull() ? QString() : odometer.text(), written);
        QCOMPARE(!error.isEmpty(), refused);
        if (refused) {
            QVERIFY2(error.startsWith(QStringLiteral("Пробег «%1»").arg(typed.trimmed())), qPrintable(error));
            QLocale::setDefault(QLocale(locale));
            const QString limit = QStringLiteral("от 0 до %1").arg(OdometerText(kMaxOdometerKm));
            QLocale::setDefault(saved);
            QVERIFY2(error.contains(limit), qPrintable(error));
        }
    }

    void manufacturingDate_data()
    {
        QTest::addColumn<QString>("serNo");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("lastAfter");
        QTest::newRow("derived") << "123/03 11/1/RU"
                                 << ""
                                 << ""
                                 << "03/2011"
                                 << "03/2011";
        QTest::newRow("year 05") << "123/3 05/1/RU"
                                 << ""
                                 << ""
                                 << "03/2005"
                                 << "03/2005";
        QTest::newRow("four-digit year") << "123/12 2019/1/RU"
                                         << ""
                                         << ""
                                         << "12/2019"
                                         << "12/2019";
        QTest::newRow("follows own date") << "123/04 12/1/RU"
                                          << "03/2011"
                                          << "03/2011"
                                          << "04/2012"
                                          << "04/2012";
        QTest::newRow("user's date stands") << "123/04 12/1/RU"
                                            << "весна"
                                            << "03/2011"
                                            << "весна"
                                            << "03/2011";
        QTest::newRow("month 13") << "123/13 11/1/RU"
                                  << ""
                                  << ""
                                  << ""
                                  << "";
        QTest::newRow("month 0") << "123/00 11/1/RU"
                                 << "x"
                                 << "x"
                                 << "x"
                                 << "x";
        QTest::newRow("no space") << "123/0311/1/RU"
                                  << "03/2011"
                                  << "03/2011"
                                  << "03/2011"
                                  << "03/2011";
        QTest::newRow("three fields") << "123/03 11/1"
                                      << ""
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("two spaces") << "123/03  11/1/RU"
                                    << ""
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("letters") << "123/MM YY/1/RU"
                                 << ""
                                 << ""
                                 << ""
                                 << "";
    }
    void manufacturingDate()
    {
        QFETCH(QString, serNo);
        QFETCH(QString, shown);
        QFETCH(QString, last);
        QFETCH(QString, expected);
        QFETCH(QString, lastAfter);
        QCOMPARE(DeriveManufacturingDate(serNo, shown, last), expected);
        QCOMPARE(last, lastAfter);
    }

    void typeAndWords()
    {
        QCOMPARE(VUTypeName(QStringLiteral("123/03 11/01/RU")), QStringLiteral("ОрбиталRus"));
        QCOMPARE(VUTypeName(QStringLiteral("123/03 11/18/RU")), QStringLiteral("ОрбиталRus с ГЛОНАСС"));
        QCOMPARE(VUTypeName(QStringLiteral("123/03 11/12/RU")), QString());
        QCOMPARE(VUTypeName(QStringLiteral("123/03 11/x/RU")), QString());
        QCOMPARE(VUTypeName(QStringLiteral("123/03 11/1")), QString());
        QCOMPARE(InspectionWord(QStringLiteral("2")), QStringLiteral("Положительный"));
        QCOMPARE(InspectionWord(QStringLiteral("0")), QStringLiteral("Отрицательный"));
        QCOMPARE(InspectionWord(QString()), QStringLiteral("Отрицательный"));
        QCOMPARE(InspectionWord(QStringLiteral("да")), QStringLiteral("Отрицательный"));
        QCOMPARE(ManipulationWord(QStringLiteral("1")), QStringLiteral("Присутствуют"));
        QCOMPARE(ManipulationWord(QStringLiteral("-1")), QStringLiteral("Отсутствуют"));
    }

    void vinCheck_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("fileVin");
        QTest::addColumn<QString>("dialogVin");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same") << "Registration"
                              << "XTA1"
                              << "XTA1" << true;
        QTest::newRow("case and spaces") << "Calibration"
                                         << " xta  1 "
                                         << "XTA 1" << true;
        QTest::newRow("other") << "Registration"
                               << "XTA1"
                               << "XTA2" << false;
        QTest::newRow("certificate always") << "Certificate"
                                            << "XTA1"
                                            << "XTA2" << true;
        QTest::newRow("no dialog vin") << "Registration"
                                       << "XTA1"
                                       << "  " << true;
        QTest::newRow("no file vin") << "Registration"
                                     << ""
                                     << "XTA2" << true;
    }
    void vinCheck()
    {
        QFETCH(QString, root);
        QFETCH(QString, fileVin);
        QFETCH(QString, dialogVin);
        QFETCH(bool, accepted);
        QDomDocument doc;
        QDomElement r = doc.createElement(root);
        doc.appendChild(r);
        if (!fileVin.isEmpty())
            SetChildText(ChildElement(r, QStringLiteral("Vehicle")), QStringLiteral("VIN"), fileVin);
        QCOMPARE(AcceptRecordVin(doc, dialogVin), accepted);
        // A record without a VIN takes the one entered.
        if (fileVin.isEmpty())
            QCOMPARE(ReadChildText(ChildElement(r, QStringLiteral("Vehicle")), QStringLiteral("VIN"), {}),
                     dialogVin);
    }
};

QTEST_GUILESS_MAIN(tst_certificaterecord)
#include "tst_certificaterecord.moc"
