#include "UnitDialogChecks.h"

#include "dialogs/CKR_VUInfoDlg.h"
#include "link/CKR_HiProt.h"
#include "widgets/CKR_GMTSpinBox.h"

#include "widgets/UnitNumberBox.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDomDocument>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStringEncoder>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using P = CKR_HiProt;

namespace {

// A record file as another program or an earlier version would have written it.
QByteArray Cp1251File(const QString& aXml)
{
    QStringEncoder encoder("windows-1251");
    QString text = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n" + aXml;
    text.replace("\n", "\r\n");
    return encoder(text);
}

bool WriteFile(const QString& aPath, const QByteArray& aBytes)
{
    QFile file(aPath);
    return file.open(QIODevice::WriteOnly) && file.write(aBytes) == aBytes.size();
}

QByteArray ReadFile(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A path that exists but that no program can open for reading: a local socket.
class SocketFile
{
public:
    explicit SocketFile(const QString& aPath)
    {
        mFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(aPath);
        qstrncpy(address.sun_path, path.constData(), sizeof(address.sun_path));
        mBound = mFd >= 0 && ::bind(mFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~SocketFile()
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    bool IsBound() const { return mBound; }

private:
    int mFd = -1;
    bool mBound = false;
};

} // namespace

class tst_regrecord : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void saveWritesTheRecordByteForByte();
    void fileNameFallsBackToTheVin();
    void cancelledSaveWritesNothing();
    void unwritableFileIsReported();
    void recordWithoutOptionalPages();
    void loadRecord_data();
    void loadRecord();
    void loadFailuresLeaveTheFields_data();
    void loadFailuresLeaveTheFields();
    void textsOutsideTheCodePageSurviveARoundTrip();
    void successfulWriteOffersTheRecordOfWhatWasWritten();
    void topBitOfTheMasksComesBackFromTheRecord();

private:
    template <class T> T* Find(const char* aName) const { return FindWidget<T>(mDlg.get(), aName); }
    QLineEdit* Edit(const char* aName) const { return Find<QLineEdit>(aName); }
    QPushButton* Button(const char* aName) const { return Find<QPushButton>(aName); }
    CKR_GMTSpinBox* Zone() const { return mDlg->findChild<CKR_GMTSpinBox*>(); }
    bool Idle() const { return Button("btnRead")->isEnabled() && Button("btnWrite")->isEnabled(); }
    void Read();
    // Presses Save and answers the file dialog with aPath; the proposed path comes back.
    QString Save(const QString& aPath);
    // aOtherVehicle: the record names another VIN than the unit's; the question is answered "Да".
    void Load(const QString& aPath, QString* aBoxTitle = nullptr, QString* aBoxText = nullptr,
              bool aOtherVehicle = false);
    void SetSentinels();

    UnitFixture mFix;
    QTemporaryDir mWork;
    QString mOldCurrent;
    Technician mTech;
    std::unique_ptr<CKR_VUInfoDlg> mDlg;
};

void tst_regrecord::initTestCase()
{
    QVERIFY2(mFix.Start(), qPrintable(mFix.unit.ErrorString()));
    QVERIFY(mWork.isValid());
    mOldCurrent = QDir::currentPath();
    QDir::setCurrent(mWork.path()); // records are proposed in the working directory
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(0x21, 4));
    mFix.unit.SetRawValue(P::PID_GPSData,
                          "$GPRMC,083015.00,A,5545.1234,N,03739.5678,E,10.0,54.7,250811,,,A*6C      ");
    mFix.unit.SetVUClock(QDateTime::currentDateTimeUtc(), -30);
    mDlg = std::make_unique<CKR_VUInfoDlg>();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 8000);
}

void tst_regrecord::cleanupTestCase()
{
    mDlg.reset();
    QDir::setCurrent(mOldCurrent);
}

void tst_regrecord::Read()
{
    Button("btnRead")->click();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 8000);
}

QString tst_regrecord::Save(const QString& aPath)
{
    QString proposed;
    mTech.Reset();
    mTech.In("QFileDialog", ChooseFile(aPath, &proposed));
    mTech.Start();
    Button("btnSave")->click();
    if (!QTest::qWaitFor([this] { return mTech.Done() && QApplication::activeModalWidget() == mDlg.get(); },
                         5000))
        return "(no file dialog)";
    return proposed;
}

void tst_regrecord::Load(const QString& aPath, QString* aBoxTitle, QString* aBoxText, bool aOtherVehicle)
{
    mTech.Reset();
    mTech.In("QFileDialog", ChooseFile(aPath));
    if (aOtherVehicle)
        mTech.In("VU_Confirm", mTech.Press("okButton"));
    if (aBoxTitle)
        mTech.In("QMessageBox", Technician::Answer(true, aBoxText, aBoxTitle));
    mTech.Start();
    Button("btnLoad")->click();
    QVERIFY(QTest::qWaitFor(
        [this] { return mTech.Done() && QApplication::activeModalWidget() == mDlg.get(); }, 5000));
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
}

void tst_regrecord::saveWritesTheRecordByteForByte()
{
    Edit("edtVUManufacturer")->setText("ООО \"Вестра\" & Ко"); // escaping of the XML text
    // 13 characters, the most the field takes; the field holds the Cyrillic capitals as the unit does, as
    // their Latin twins.
    Edit("edtVehicleRegNo")->setText(" А123 ВС  77 ");
    Find<QCheckBox>("chbModemUsed")->setChecked(true);
    Edit("edtMdmPIN")->setText("0000");

    const QDateTime before = QDateTime::currentDateTime();
    const QString proposed = Save(mWork.filePath("saved.xml"));
    const QDateTime after = QDateTime::currentDateTime();

    // The name: the registration number simplified, the moment of saving, the kind.
    const QFileInfo proposedInfo(proposed);
    QCOMPARE(proposedInfo.absolutePath(), QDir(mWork.path()).absolutePath());
    const QRegularExpressionMatch name =
        QRegularExpression("^A123 BC 77_(\\d{8}_\\d{6})_Reg\\.xml$").match(proposedInfo.fileName());
    QVERIFY2(name.hasMatch(), qPrintable(proposedInfo.fileName()));
    const QDateTime named = QDateTime::fromString(name.captured(1), "yyyyMMdd_hhmmss");
    QVERIFY(named >= before.addSecs(-1) && named <= after);

    const QByteArray bytes = ReadFile(mWork.filePath("saved.xml"));
    QVERIFY(!bytes.isEmpty());
    // The moments in the file: the same instant as the name, and the unit clock as shown.
    QDomDocument doc;
    QVERIFY(doc.setContent(bytes));
    const QDomElement root = doc.documentElement();
    QCOMPARE(root.firstChildElement("Date").text(), named.toString("dd/MM/yyyy"));
    QCOMPARE(root.firstChildElement("Time").text(), named.toString("hh:mm:ss"));
    const QDomElement clock = root.firstChildElement("VU").firstChildElement("DateTime");
    const QDateTime vuClock = QDateTime::fromString(clock.firstChildElement("Date").text() + " " +
                                                        clock.firstChildElement("Time").text(),
                                                    "dd/MM/yyyy hh:mm:ss");
    QVERIFY(vuClock.isValid());
    QVERIFY(qAbs(QDateTime(vuClock.date(), vuClock.time(), Qt::UTC).secsTo(mFix.unit.VUClock())) <= 2);

    const QString expected = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n"
                             "<Registration>\n"
                             "    <Date>" +
                             named.toString("dd/MM/yyyy") +
                             "</Date>\n"
                             "    <Time>" +
                             named.toString("hh:mm:ss") +
                             "</Time>\n"
                             "    <VU>\n"
                             "        <PartNo>ВТ-01.02М</PartNo>\n"
                             "        <SerNo>10004027/03 25/07/A1</SerNo>\n"
                             "        <SWVer>1.07</SWVer>\n"
                             "        <Manufacturer>ООО \"Вестра\" &amp; Ко</Manufacturer>\n"
                             "        <Composition>43</Composition>\n"
                             "        <SensorUsage>41</SensorUsage>\n"
                             "        <DateTime>\n"
                             "            <Date>" +
                             vuClock.toString("dd/MM/yyyy") +
                             "</Date>\n"
                             "            <Time>" +
                             vuClock.toString("hh:mm:ss") +
                             "</Time>\n"
                             "            <GMT>-0:30</GMT>\n"
                             "        </DateTime>\n"
                             "    </VU>\n"
                             "    <Vehicle>\n"
                             "        <VIN>XTC65206371234567</VIN>\n"
                             "        <RegNo>\n"
                             "            <Number> A123 BC  77 </Number>\n"
                             "            <Region>43</Region>\n"
                             "        </RegNo>\n"
                             "        <Tyre>315/80R22.5</Tyre>\n"
                             "        <MaxSpeed>90</MaxSpeed>\n"
                             "        <Odometer>123456.0</Odometer>\n"
                             "    </Vehicle>\n"
                             "    <Sensor>\n"
                             "        <SerNo>5012345/11 24/09/A1</SerNo>\n"
                             "        <Number>e1-00052</Number>\n"
                             "        <Paired>15/03/2026</Paired>\n"
                             "    </Sensor>\n"
                             "    <GPS>\n"
                             "        <Latitude>55° 45' 7.404\" с.ш.</Latitude>\n"
                             "        <Longitude>37° 39' 34.068\" в.д.</Longitude>\n"
                             "        <Speed>18 км/ч</Speed>\n"
                             "        <DateTime>25/08/2011 08:30:15</DateTime>\n"
                             "    </GPS>\n"
                             "    <Modem>\n"
                             "        <PIN>0000</PIN>\n"
                             "        <APN>internet.mts.ru</APN>\n"
                             "        <Login>mts</Login>\n"
                             "        <Password>mts</Password>\n"
                             "        <Update>1</Update>\n"
                             "        <GPSURL>glonass.velmora.ru:20629</GPSURL>\n"
                             "        <MonitorURL>monitoring.velmora.ru:8080</MonitorURL>\n"
                             "    </Modem>\n"
                             "</Registration>\n";
    const QByteArray expectedBytes = Cp1251File(expected.mid(expected.indexOf('\n') + 1));
    if (bytes != expectedBytes) {
        qDebug().noquote() << "saved:\n" << QString::fromLatin1(bytes.toHex(' '));
        qDebug().noquote() << "expected:\n" << QString::fromLatin1(expectedBytes.toHex(' '));
    }
    QCOMPARE(bytes, expectedBytes);
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
}

void tst_regrecord::fileNameFallsBackToTheVin()
{
    Edit("edtVehicleRegNo")->setText("   ");
    Edit("edtVehicleVIN")->setText("XTA2109907 0001 ");
    const QString proposed = Save(QString());
    QVERIFY2(QRegularExpression("^XTA2109907 0001_\\d{8}_\\d{6}_Reg\\.xml$")
                 .match(QFileInfo(proposed).fileName())
                 .hasMatch(),
             qPrintable(proposed));
    Read();
}

void tst_regrecord::cancelledSaveWritesNothing()
{
    const QStringList before = QDir(mWork.path()).entryList(QDir::Files);
    Save(QString());
    QCOMPARE(QDir(mWork.path()).entryList(QDir::Files), before);
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
}

void tst_regrecord::unwritableFileIsReported()
{
    const QString path = mWork.filePath("missing/dir/record.xml");
    QString title, text;
    mTech.Reset();
    mTech.In("QFileDialog", ChooseFile(path));
    mTech.In("QMessageBox", Technician::Answer(true, &text, &title));
    mTech.Start();
    Button("btnSave")->click();
    QTRY_VERIFY_WITH_TIMEOUT(mTech.Done() && QApplication::activeModalWidget() == mDlg.get(), 5000);
    QCOMPARE(title, QString("Ошибка сохранения"));
    QCOMPARE(text, QString("Не могу записать в файл '%1'.").arg(path));
    QVERIFY(!QFile::exists(path));
}

void tst_regrecord::recordWithoutOptionalPages()
{
    mFix.unit.SetOptions(0x20);
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(0x29, 4));
    Read();
    Save(mWork.filePath("plain.xml"));
    const QByteArray bytes = ReadFile(mWork.filePath("plain.xml"));
    QDomDocument doc;
    QVERIFY(doc.setContent(bytes));
    const QDomElement root = doc.documentElement();
    QStringList children;
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        children << e.tagName();
    QCOMPARE(children, (QStringList{"Date", "Time", "VU", "Vehicle"}));
    QCOMPARE(root.firstChildElement("VU").firstChildElement("Composition").text(), QString("32"));
    QCOMPARE(root.firstChildElement("VU").firstChildElement("SensorUsage").text(),
             QString("33")); // 0x08 cleared
    QVERIFY(bytes.endsWith("</Registration>\r\n"));
    QVERIFY(!bytes.contains("\n\n") && bytes.count('\n') == bytes.count("\r\n"));

    mFix.unit.SetOptions(0x2B);
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(0x21, 4));
    Read();
}

void tst_regrecord::SetSentinels()
{
    Edit("edtVehicleVIN")->setText("SENTINEL");
    Edit("edtVehicleRegNo")->setText("SENTINEL");
    Edit("edtVehicleTyre")->setText("SENTINEL");
    Find<QSpinBox>("speVehicleMaxSpeed")->setValue(77);
    Find<QDoubleSpinBox>("dseVUHROdometer")->setValue(7.7);
    Zone()->setValue(120);
    Find<QCheckBox>("chbModemUsed")->setChecked(false);
    Edit("edtMdmAPN")->setText("SENTINEL");
}

void tst_regrecord::loadRecord_data()
{
    QTest::addColumn<QString>("xml");
    QTest::addColumn<QStringList>("texts"); // VIN, registration number, tyre, access point
    QTest::addColumn<int>("maxSpeed");
    QTest::addColumn<double>("odometer");
    QTest::addColumn<int>("zone");
    QTest::addColumn<bool>("modemUsed");
    // An element the record lacks leaves its field as it was (SetSentinels).
    const QStringList kSentinels{"SENTINEL", "SENTINEL", "SENTINEL", "SENTINEL"};

    QTest::newRow("registration")
        << "<Registration>\n    <Date>05/03/2012</Date>\n    <VU>\n        <SensorUsage>9</SensorUsage>\n"
           "        <DateTime>\n            <Date>05/03/2012</Date>\n            <GMT>+5:45</GMT>\n"
           "        </DateTime>\n    </VU>\n    <Vehicle>\n        <VIN>XTA21099070001234</VIN>\n"
           "        <RegNo>\n            <Number>О777ОО 99</Number>\n            <Region>43</Region>\n"
           "        </RegNo>\n        <Tyre>295/80 R22,5</Tyre>\n        <MaxSpeed>110</MaxSpeed>\n"
           "        <Odometer>98765.4</Odometer>\n    </Vehicle>\n    <Modem>\n"
           "        <APN>  apn.example.ru </APN>\n    </Modem>\n</Registration>\n"
        << QStringList{"XTA21099070001234", "O777OO 99", "295/80 R22,5", "apn.example.ru"} << 110 << 98765.4
        << 330 << true;
    QTest::newRow("calibration")
        << "<Calibration>\n    <Date>05/03/2012</Date>\n    <VU>\n        <Composition>43</Composition>\n"
           "        <SensorUsage>1</SensorUsage>\n    </VU>\n    <Vehicle>\n        "
           "<VIN>WDB9634031L123456</VIN>\n"
           "        <RegNo>\n            <Number>В001ВВ77</Number>\n            <Region>43</Region>\n"
           "        </RegNo>\n        <Tyre>315/70R22.5</Tyre>\n        <Odometer>1234.5</Odometer>\n"
           "    </Vehicle>\n    <Data>\n        <W-Const>8012</W-Const>\n    </Data>\n</Calibration>\n"
        << QStringList{"WDB9634031L123456", "B001BB77", "315/70R22.5", "SENTINEL"} << 77 << 1234.5 << 120
        << false;
    QTest::newRow("certificate")
        << "<Certificate>\n    <Date>05/03/2012</Date>\n    <Vehicle>\n        "
           "<Manufacturer>КАМАЗ</Manufacturer>\n"
           "        <VIN>XTC65115081234567</VIN>\n        <RegNo>\n            <Number>Е555КХ116</Number>\n"
           "        </RegNo>\n        <Tyre>11.00R20</Tyre>\n        <Odometer>500.0</Odometer>\n    "
           "</Vehicle>\n"
           "    <VU>\n        <PartNo>ВТ-01</PartNo>\n    </VU>\n</Certificate>\n"
        << QStringList{"XTC65115081234567", "E555KX116", "11.00R20", "SENTINEL"} << 77 << 500.0 << 120
        << true;
    QTest::newRow("numbers in other forms")
        << "<Registration>\n    <VU>\n        <DateTime>\n            <GMT>-0:30</GMT>\n        </DateTime>\n"
           "    </VU>\n    <Vehicle>\n        <MaxSpeed>010</MaxSpeed>\n        <Odometer>123,4</Odometer>\n"
           "    </Vehicle>\n</Registration>\n"
        << kSentinels << 8 << 123.4 << -30 << true;
    QTest::newRow("hexadecimal speed, unreadable offset")
        << "<Registration>\n    <VU>\n        <DateTime>\n            <GMT>:30</GMT>\n        </DateTime>\n"
           "    </VU>\n    <Vehicle>\n        <MaxSpeed> 0x10 </MaxSpeed>\n        <Odometer>-5</Odometer>\n"
           "    </Vehicle>\n</Registration>\n"
        << kSentinels << 16 << 0.0 << 120 << true;
    // A damaged record: an odometer no unit holds and an offset of more hours than an int has minutes.
    QTest::newRow("odometer and offset out of range")
        << "<Registration>\n    <VU>\n        <DateTime>\n            <GMT>-2147483648:00</GMT>\n"
           "        </DateTime>\n    </VU>\n    <Vehicle>\n        <Odometer>1e300</Odometer>\n"
           "    </Vehicle>\n</Registration>\n"
        << kSentinels << 77 << 1e11 << -1410 << true; // the top of the box, marked as beyond 4294967.2
    QTest::newRow("huge offset")
        << "<Registration>\n    <VU>\n        <DateTime>\n            <GMT>+2147483647:30</GMT>\n"
           "        </DateTime>\n    </VU>\n    <Vehicle>\n        <Odometer>99999999</Odometer>\n"
           "    </Vehicle>\n</Registration>\n"
        << kSentinels << 77 << 99999999.0 << 1410 << true; // as the record has it, marked
    QTest::newRow("offset without digits")
        << "<Registration>\n    <VU>\n        <DateTime>\n"
           "            <GMT>+ab:00</GMT>\n        </DateTime>\n    </VU>\n"
           "</Registration>\n"
        << kSentinels << 77 << 7.7 << 120 << true;
}

void tst_regrecord::loadRecord()
{
    QFETCH(QString, xml);
    QFETCH(QStringList, texts);
    QFETCH(int, maxSpeed);
    QFETCH(double, odometer);
    QFETCH(int, zone);
    QFETCH(bool, modemUsed);

    // The settings as read (0x21, modem not in use) stand where a record has no SensorUsage.
    Read();
    const QString path =
        mWork.filePath(QString("load_%1_Reg.xml").arg(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY(WriteFile(path, Cp1251File(xml)));
    SetSentinels();
    Find<QCheckBox>("chbModemUsed")->click(); // in use: a record without SensorUsage leaves it so
    const QDateTime clockBefore = Find<QDateTimeEdit>("dteVUDateTime")->dateTime();

    Load(path, nullptr, nullptr, !texts[0].startsWith("SENTINEL"));

    QCOMPARE(Edit("edtVehicleVIN")->text(), texts[0]);
    QCOMPARE(Edit("edtVehicleRegNo")->text(), texts[1]);
    QCOMPARE(Edit("edtVehicleTyre")->text(), texts[2]);
    QCOMPARE(Edit("edtMdmAPN")->text(), texts[3]);
    QCOMPARE(Find<QSpinBox>("speVehicleMaxSpeed")->value(), maxSpeed);
    QCOMPARE(Find<QDoubleSpinBox>("dseVUHROdometer")->value(), odometer);
    // An odometer beyond what the unit holds stays in the field, refused (4 bytes of metres).
    QCOMPARE(Find<UnitDoubleSpinBox>("dseVUHROdometer")->Problem().isEmpty(),
             odometer * 1000 <= 4294967295.0);
    QCOMPARE(Zone()->value(), zone);
    QCOMPARE(Find<QCheckBox>("chbModemUsed")->isChecked(), modemUsed);
    QCOMPARE(Edit("edtMdmAPN")->isEnabled(), Find<QCheckBox>("chbModemUsed")->isChecked());
    // The clock goes on with the unit and is not moved by the record.
    QVERIFY(qAbs(Find<QDateTimeEdit>("dteVUDateTime")->dateTime().secsTo(clockBefore)) <= 2);
    // The identity of the unit is never loaded.
    QCOMPARE(Edit("edtVUPartNo")->text(), QString("ВТ-01.02М"));
}

void tst_regrecord::loadFailuresLeaveTheFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: a local socket, which cannot be opened
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textPattern");

    QTest::newRow("malformed") << "broken_Reg.xml"
                               << Cp1251File("<Registration>\n    <Vehicle>\n</Registration>\n")
                               << "Ошибка при считывании файла."
                               << "^При считывании файла '.*broken_Reg\\.xml' возникла ошибка '.+' "
                                  "\\(строка \\d+, позиция \\d+\\)\\.$";
    QTest::newRow("unreadable") << "socket_Reg.xml" << QByteArray() << "Ошибка при открытии файла."
                                << "^При открытии файла '.*socket_Reg\\.xml' возникла ошибка '.+'\\.$";
    // The workshop settings copied to a record's name: its fields would go to the unit as defaults.
    QTest::newRow("no record") << "x_Reg.xml"
                               << Cp1251File("<Config>\n    <Workshop>\n        <Name>Вестра</Name>\n"
                                             "    </Workshop>\n</Config>\n")
                               << "Ошибка при открытии файла."
                               << "^Файл '.*x_Reg\\.xml' не является файлом регистрации, калибровки или "
                                  "сертификата тахографа\\. Значения не загружены\\.$";
}

void tst_regrecord::loadFailuresLeaveTheFields()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, title);
    QFETCH(QString, textPattern);

    const QString path = mWork.filePath(name);
    std::unique_ptr<SocketFile> socket;
    if (content.isEmpty()) {
        socket = std::make_unique<SocketFile>(path);
        QVERIFY(socket->IsBound());
    } else {
        QVERIFY(WriteFile(path, content));
    }
    SetSentinels();
    QString shownTitle, shownText;
    Load(path, &shownTitle, &shownText);
    QCOMPARE(shownTitle, title);
    QVERIFY2(QRegularExpression(textPattern).match(shownText).hasMatch(), qPrintable(shownText));
    QCOMPARE(Edit("edtVehicleVIN")->text(), QString("SENTINEL"));
    QCOMPARE(Zone()->value(), 120);
    QCOMPARE(Find<QSpinBox>("speVehicleMaxSpeed")->value(), 77);
}

void tst_regrecord::textsOutsideTheCodePageSurviveARoundTrip()
{
    // ü, ł and 中 have no Windows-1251 byte; «» and € have.
    const QStringList texts{"XTÜ1234567890ABC", "Ł 123 中", "295/80 «ü» 22,5", "apn.€.中国"};
    Edit("edtVehicleVIN")->setText(texts[0]);
    Edit("edtVehicleRegNo")->setText(texts[1]);
    Edit("edtVehicleTyre")->setText(texts[2]);
    Edit("edtMdmAPN")->setText(texts[3]);
    Edit("edtVUManufacturer")->setText("Вестра"); // the unit's own text has '?' for its « and »
    const QString path = mWork.filePath("unicode_Reg.xml");
    Save(path);
    const QByteArray bytes = ReadFile(path);
    QVERIFY(!bytes.mid(bytes.indexOf('\n')).contains('?')); // nothing replaced after the declaration
    QVERIFY(bytes.contains("&#20013;") || bytes.contains("&#x4e2d;"));
    QVERIFY(bytes.contains("&#252;") || bytes.contains("&#xfc;"));
    QVERIFY(bytes.contains("\xAB&")); // « is the Windows-1251 byte, ü after it a reference

    SetSentinels();
    Load(path, nullptr, nullptr, true);
    QCOMPARE(Edit("edtVehicleVIN")->text(), texts[0]);
    QCOMPARE(Edit("edtVehicleRegNo")->text(), texts[1]);
    QCOMPARE(Edit("edtVehicleTyre")->text(), texts[2]);
    QCOMPARE(Edit("edtMdmAPN")->text(), texts[3]);
}

void tst_regrecord::successfulWriteOffersTheRecordOfWhatWasWritten()
{
    Read();
    Edit("edtVehicleVIN")->setText("XTA21099070005678");
    Edit("edtVehicleRegNo")->setText("Е001КХ116");
    mFix.unit.ClearLog();
    QString proposed;
    mTech.Reset();
    mTech.In("VU_Confirm", mTech.Press("okButton"));
    mTech.In("VU_Result", mTech.Press("okButton"));
    mTech.In("QFileDialog", ChooseFile(mWork.filePath("written_Reg.xml"), &proposed));
    mTech.Start();
    Button("btnWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(mTech.Done() && Idle() && QApplication::activeModalWidget() == mDlg.get(), 8000);
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
    // The record is named, and holds the number, as the unit holds it: in the Latin twins.
    QVERIFY2(QFileInfo(proposed).fileName().startsWith("E001KX116_"), qPrintable(proposed));

    QDomDocument doc;
    QVERIFY(doc.setContent(ReadFile(mWork.filePath("written_Reg.xml"))));
    const QDomElement vehicle = doc.documentElement().firstChildElement("Vehicle");
    QCOMPARE(vehicle.firstChildElement("VIN").text(), mFix.unit.Value(P::PID_VehicleVIN).toString());
    QCOMPARE(vehicle.firstChildElement("RegNo").firstChildElement("Number").text(), QString("E001KX116"));
    QCOMPARE(mFix.unit.Value(P::PID_VehicleRegNo).toString().trimmed(), QString("E001KX116"));
}

// A unit that sets bit 31 of its options and settings: the record keeps them as the loaders read them
// back (signed), and loading the record restores them.
void tst_regrecord::topBitOfTheMasksComesBackFromTheRecord()
{
    const quint32 options = 0x8000002Bu;
    const quint32 settings = 0x80000021u;
    mFix.unit.SetOptions(options);
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(settings, 4));
    Read();
    Save(mWork.filePath("top-bit.xml"));
    const auto vuText = [](const QString& aPath, const char* aName) {
        QDomDocument doc;
        QFile file(aPath);
        if (!file.open(QIODevice::ReadOnly) || !doc.setContent(&file))
            return QStringLiteral("(unreadable)");
        return doc.documentElement().firstChildElement("VU").firstChildElement(aName).text();
    };
    QCOMPARE(vuText(mWork.filePath("top-bit.xml"), "Composition"), QString::number(qint32(options)));
    QCOMPARE(vuText(mWork.filePath("top-bit.xml"), "SensorUsage"), QString::number(qint32(settings)));

    mFix.unit.SetOptions(0x2B);
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(0x21, 4));
    Read();
    Load(mWork.filePath("top-bit.xml"));
    Save(mWork.filePath("top-bit-again.xml"));
    QCOMPARE(vuText(mWork.filePath("top-bit-again.xml"), "SensorUsage"), QString::number(qint32(settings)));
    Read();
}

int main(int argc, char** argv)
{
    // A Russian workshop PC: the decimal point is a comma.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QApplication app(argc, argv);
    tst_regrecord test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_regrecord.moc"
