#include "link/CodePage.h"
#include "records/CalibrationRecord.h"
#include "records/RecordFile.h"
#include "records/RegistrationRecord.h"

#include <QTest>

namespace {

const QDateTime kSaved(QDate(2012, 3, 5), QTime(14, 7, 9));

QString Serialized(const QDomDocument& aDoc)
{
    return CodePage::FromProgram8Bit(SerializeRecord(aDoc));
}

QDomDocument Parsed(const QString& aXml)
{
    QDomDocument doc;
    doc.setContent(aXml);
    return doc;
}

RegistrationFields SampleRegistration()
{
    RegistrationFields f;
    f.vuPartNo = QStringLiteral("ВТ-01.02М");
    f.vuSerNo = QStringLiteral("10004027/03 25/07/A1");
    f.vuSWVer = QStringLiteral("1.07");
    f.vuManufacturer = QStringLiteral("ООО \"Вестра\" & Ко");
    f.composition = 0x8000002B;
    f.sensorUsage = 0x29;
    f.vuClock = QDateTime(QDate(2012, 3, 5), QTime(10, 0, 1));
    f.vuOffset = -30;
    f.vehicleVin = QStringLiteral("XTC65206371234567");
    f.vehicleRegNo = QStringLiteral(" A123 BC  77 ");
    f.vehicleTyre = QStringLiteral("315/80R22.5");
    f.vehicleMaxSpeed = 90;
    f.odometerKm = 123456.04;
    f.sensor = RegistrationSensor{QStringLiteral("5012345/11 24/09/A1"), QStringLiteral("e1-00052"),
                                  QStringLiteral("15/03/2026")};
    f.gps = RegistrationGps{QStringLiteral("55° 45' 7.404\" с.ш."), QStringLiteral("37° 39' 34.068\" в.д."),
                            QStringLiteral("18 км/ч"), QStringLiteral("25/08/2011 08:30:15")};
    f.modem = RegistrationModem{QStringLiteral("0000"),
                                QStringLiteral("internet.mts.ru"),
                                QStringLiteral("mts"),
                                QStringLiteral("mts"),
                                true,
                                QStringLiteral("glonass.velmora.ru:20629"),
                                QStringLiteral("monitoring.velmora.ru:8080")};
    return f;
}

CalibrationFields SampleCalibration()
{
    CalibrationFields f;
    f.composition = 0x2B;
    f.sensorUsage = 0x0B;
    f.vehicleVin = QStringLiteral("XTA21099070001234");
    f.vehicleRegNo = QStringLiteral("А123ВС77");
    f.vehicleTyre = QStringLiteral("295/80 R22,5");
    f.odometerKm = 987654.3;
    f.wConst = 7990;
    f.kConst = 8000;
    f.lConst = 0x80000000;
    f.nextCalibration = QDate(2013, 5, 17);
    f.b6Const = 8000;
    f.b7Const = 7000;
    f.canSpeed = 9;
    return f;
}

} // namespace

class tst_workrecords : public QObject
{
    Q_OBJECT

private slots:
    void registrationByteForByte()
    {
        const QString expected =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                           "<Registration>\r\n"
                           "    <Date>05/03/2012</Date>\r\n"
                           "    <Time>14:07:09</Time>\r\n"
                           "    <VU>\r\n"
                           "        <PartNo>ВТ-01.02М</PartNo>\r\n"
                           "        <SerNo>10004027/03 25/07/A1</SerNo>\r\n"
                           "        <SWVer>1.07</SWVer>\r\n"
                           "        <Manufacturer>ООО \"Вестра\" &amp; Ко</Manufacturer>\r\n"
                           "        <Composition>-2147483605</Composition>\r\n"
                           "        <SensorUsage>41</SensorUsage>\r\n"
                           "        <DateTime>\r\n"
                           "            <Date>05/03/2012</Date>\r\n"
                           "            <Time>10:00:01</Time>\r\n"
                           "            <GMT>-0:30</GMT>\r\n"
                           "        </DateTime>\r\n"
                           "    </VU>\r\n"
                           "    <Vehicle>\r\n"
                           "        <VIN>XTC65206371234567</VIN>\r\n"
                           "        <RegNo>\r\n"
                           "            <Number> A123 BC  77 </Number>\r\n"
                           "            <Region>43</Region>\r\n"
                           "        </RegNo>\r\n"
                           "        <Tyre>315/80R22.5</Tyre>\r\n"
                           "        <MaxSpeed>90</MaxSpeed>\r\n"
                           "        <Odometer>123456.0</Odometer>\r\n"
                           "    </Vehicle>\r\n"
                           "    <Sensor>\r\n"
                           "        <SerNo>5012345/11 24/09/A1</SerNo>\r\n"
                           "        <Number>e1-00052</Number>\r\n"
                           "        <Paired>15/03/2026</Paired>\r\n"
                           "    </Sensor>\r\n"
                           "    <GPS>\r\n"
                           "        <Latitude>55° 45' 7.404\" с.ш.</Latitude>\r\n"
                           "        <Longitude>37° 39' 34.068\" в.д.</Longitude>\r\n"
                           "        <Speed>18 км/ч</Speed>\r\n"
                           "        <DateTime>25/08/2011 08:30:15</DateTime>\r\n"
                           "    </GPS>\r\n"
                           "    <Modem>\r\n"
                           "        <PIN>0000</PIN>\r\n"
                           "        <APN>internet.mts.ru</APN>\r\n"
                           "        <Login>mts</Login>\r\n"
                           "        <Password>mts</Password>\r\n"
                           "        <Update>1</Update>\r\n"
                           "        <GPSURL>glonass.velmora.ru:20629</GPSURL>\r\n"
                           "        <MonitorURL>monitoring.velmora.ru:8080</MonitorURL>\r\n"
                           "    </Modem>\r\n"
                           "</Registration>\r\n");
        QCOMPARE(Serialized(BuildRegistrationDocument(SampleRegistration(), kSaved)), expected);
    }

    void registrationWithoutPages()
    {
        RegistrationFields f = SampleRegistration();
        f.sensor.reset();
        f.gps.reset();
        f.modem.reset();
        const QDomElement root = BuildRegistrationDocument(f, kSaved).documentElement();
        QStringList children;
        for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            children << e.tagName();
        QCOMPARE(children, (QStringList{"Date", "Time", "VU", "Vehicle"}));
    }

    void registrationRead_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QStringList>("texts"); // GMT text, VIN, number, tyre, access point
        QTest::addColumn<int>("region");
        QTest::addColumn<int>("maxSpeed");
        QTest::addColumn<qint64>("sensorUsage"); // -1: not set
        QTest::addColumn<double>("odometer");    // -1: not set

        // The fields come in as SENTINEL, region 7, speed 77, sensor usage 5, odometer 7.7.
        const QStringList kKept{"", "SENTINEL", "SENTINEL", "SENTINEL", "SENTINEL"};
        QTest::newRow("empty record") << "<Registration/>" << kKept << 7 << 77 << qint64(-1) << -1.0;
        QTest::newRow("all values")
            << "<Registration><VU><SensorUsage>9</SensorUsage><DateTime><GMT>+5:45</GMT></DateTime></VU>"
               "<Vehicle><VIN>XTA21099070001234</VIN><RegNo><Number>О777ОО 99</Number><Region>43</Region>"
               "</RegNo><Tyre>295/80 R22,5</Tyre><MaxSpeed>110</MaxSpeed><Odometer>98765.4</Odometer>"
               "</Vehicle><Modem><APN>  apn.example.ru </APN></Modem></Registration>"
            << QStringList{"+5:45", "XTA21099070001234", "О777ОО 99", "295/80 R22,5", "  apn.example.ru "}
            << 43 << 110 << qint64(9) << 98765.4;
        QTest::newRow("other kind, numbers in other forms")
            << "<Calibration><VU><SensorUsage>-2147483647</SensorUsage></VU><Vehicle><MaxSpeed>010</MaxSpeed>"
               "<Odometer>123,4</Odometer></Vehicle></Calibration>"
            << kKept << 7 << 8 << qint64(0x80000001) << 123.4;
        QTest::newRow("unreadable numbers")
            << "<Registration><VU><SensorUsage>x</SensorUsage></VU><Vehicle><MaxSpeed>fast</MaxSpeed>"
               "<Odometer>far</Odometer><RegNo><Region/></RegNo></Vehicle></Registration>"
            << kKept << 7 << 77 << qint64(5) << -1.0;
    }

    void registrationRead()
    {
        QFETCH(QString, xml);
        QFETCH(QStringList, texts);
        QFETCH(int, region);
        QFETCH(int, maxSpeed);
        QFETCH(qint64, sensorUsage);
        QFETCH(double, odometer);

        RegistrationFields f;
        f.vehicleVin = f.vehicleRegNo = f.vehicleTyre = QStringLiteral("SENTINEL");
        f.region = 7;
        f.vehicleMaxSpeed = 77;
        f.sensorUsage = 5;
        f.odometerKm = 7.7;
        f.modem = RegistrationModem{};
        f.modem->apn = QStringLiteral("SENTINEL");
        ReadRegistrationRecord(Parsed(xml), f);

        QCOMPARE((QStringList{f.vuOffsetText, f.vehicleVin, f.vehicleRegNo, f.vehicleTyre, f.modem->apn}),
                 texts);
        QCOMPARE(f.region, region);
        QCOMPARE(f.vehicleMaxSpeed, maxSpeed);
        QCOMPARE(f.sensorUsage ? qint64(*f.sensorUsage) : qint64(-1), sensorUsage);
        QCOMPARE(f.odometerKm.value_or(-1.0), odometer);
    }

    void registrationReadsTheModemOnlyForAModem()
    {
        RegistrationFields f;
        ReadRegistrationRecord(Parsed("<Registration><Modem><PIN>1234</PIN></Modem></Registration>"), f);
        QVERIFY(!f.modem);
    }

    void calibrationByteForByte()
    {
        const QString expected = QStringLiteral("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                                "<Calibration>\r\n"
                                                "    <Date>05/03/2012</Date>\r\n"
                                                "    <Time>14:07:09</Time>\r\n"
                                                "    <VU>\r\n"
                                                "        <Composition>43</Composition>\r\n"
                                                "        <SensorUsage>11</SensorUsage>\r\n"
                                                "    </VU>\r\n"
                                                "    <Vehicle>\r\n"
                                                "        <VIN>XTA21099070001234</VIN>\r\n"
                                                "        <RegNo>\r\n"
                                                "            <Number>А123ВС77</Number>\r\n"
                                                "            <Region>43</Region>\r\n"
                                                "        </RegNo>\r\n"
                                                "        <Tyre>295/80 R22,5</Tyre>\r\n"
                                                "        <Odometer>987654.3</Odometer>\r\n"
                                                "    </Vehicle>\r\n"
                                                "    <Data>\r\n"
                                                "        <W-Const>7990</W-Const>\r\n"
                                                "        <K-Const>8000</K-Const>\r\n"
                                                "        <L-Const>-2147483648</L-Const>\r\n"
                                                "        <NextCalibration>\r\n"
                                                "            <Date>17/05/2013</Date>\r\n"
                                                "        </NextCalibration>\r\n"
                                                "        <B6-Const>8000</B6-Const>\r\n"
                                                "        <B7-Const>7000</B7-Const>\r\n"
                                                "        <CANSpeed>9</CANSpeed>\r\n"
                                                "    </Data>\r\n"
                                                "</Calibration>\r\n");
        QCOMPARE(Serialized(BuildCalibrationDocument(SampleCalibration(), kSaved)), expected);
    }

    void calibrationRoundTrip()
    {
        CalibrationFields back;
        back.odometerKm = 1.5; // not read
        ReadCalibrationRecord(BuildCalibrationDocument(SampleCalibration(), kSaved), back);
        CalibrationFields expected = SampleCalibration();
        expected.odometerKm = 1.5;
        QCOMPARE(BuildCalibrationDocument(back, kSaved).toString(),
                 BuildCalibrationDocument(expected, kSaved).toString());
    }

    void calibrationReadKeepsWhatTheRecordLacks_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::newRow("empty") << "<Calibration/>";
        QTest::newRow("empty levels") << "<Calibration><VU/><Vehicle><RegNo/></Vehicle><Data/></Calibration>";
        QTest::newRow("no date") << "<Calibration><Data><NextCalibration><Date>31/02/2013</Date>"
                                    "</NextCalibration></Data></Calibration>";
    }

    void calibrationReadKeepsWhatTheRecordLacks()
    {
        QFETCH(QString, xml);
        CalibrationFields f = SampleCalibration();
        ReadCalibrationRecord(Parsed(xml), f);
        QCOMPARE(BuildCalibrationDocument(f, kSaved).toString(),
                 BuildCalibrationDocument(SampleCalibration(), kSaved).toString());
    }
};

QTEST_GUILESS_MAIN(tst_workrecords)
#include "tst_workrecords.moc"
