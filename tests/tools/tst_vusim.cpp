// The serial stack (UART + CKR_HiProt) against the simulated unit over a real pseudo-terminal.
#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"
#include "link/UART.h"
#include "tools/vusim/VUSimulator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

namespace {

using P = CKR_HiProt;
constexpr int kPort = 4;

QByteArray Bytes(std::initializer_list<int> aList)
{
    QByteArray bytes;
    for (const int b : aList)
        bytes.append(char(b));
    return bytes;
}

QByteArray Blanks(const QByteArray& aText, int aSize)
{
    return aText + QByteArray(aSize - aText.size(), ' ');
}

QByteArray Cp1251(const char* aUtf8)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(QString::fromUtf8(aUtf8));
}

QDateTime Utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}

// Values compare by their delivered type: integers as numbers, date-times as instants.
bool SameValue(const QVariant& aGot, const QVariant& aWant)
{
    if (aWant.typeId() == QMetaType::QDateTime)
        return aGot.toDateTime().toUTC() == aWant.toDateTime().toUTC();
    if (aWant.typeId() == QMetaType::QDate)
        return aGot.toDate() == aWant.toDate();
    if (aWant.typeId() == QMetaType::QString)
        return aGot.typeId() == QMetaType::QString && aGot.toString() == aWant.toString();
    return aGot.toULongLong() == aWant.toULongLong();
}

QByteArray Frame(const QByteArray& aData, quint8 aTarget = 0xEE)
{
    return CKR_LoLev::BuildFrame(aData, aTarget, 0xF0);
}

} // namespace

class tst_vusim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void writeThenRead_data();
    void writeThenRead();
    void readFromStore_data();
    void readFromStore();
    void clockWrite_data();
    void clockWrite();
    void clockRuns();
    void clockHeld();
    void impCounterMovesAndWraps();
    void valueFile();

    void faultRetries_data();
    void faultRetries();
    void negativeReply_data();
    void negativeReply();
    void silentUnitEndsWithinLimits();
    void deadAfterFrames();
    void lateFirstByteWithinAllowance();
    void replyDelayForOneParam();

    void malformedRequests_data();
    void malformedRequests();
    void resynchronisesOnGarbage();
    void writeOfWrongLengthChangesNothing();
    void exclusivePort();

private:
    QByteArray RawExchange(const QByteArray& aBytes, int aReplySize);

    QTemporaryDir mDir;
    VUSimulator mSim;
    UART mUart;
};

void tst_vusim::initTestCase()
{
    QVERIFY(mDir.isValid());
    qputenv("VELMORA_SERIAL_DIR", mDir.path().toLocal8Bit());
    QVERIFY2(mSim.Start(mDir.path(), kPort), qPrintable(mSim.ErrorString()));
    QCOMPARE(QFileInfo(mDir.filePath(QStringLiteral("COM4"))).symLinkTarget(), mSim.SlavePath());
    QCOMPARE(mUart.Open(kPort, 9600), int(S_OK));
}

void tst_vusim::init()
{
    // A request of the previous test may still be on its way (the link gives up on a reply that is
    // still arriving): let the line fall quiet so the log starts with this test's own requests.
    for (int before = -1; before != mSim.RequestCount();) {
        before = mSim.RequestCount();
        QTest::qWait(50);
    }
    mSim.ClearFaults();
    mSim.ResetValues();
    mSim.ClearLog();
}

void tst_vusim::cleanupTestCase()
{
    mUart.Close();
    const QString link = mSim.LinkPath();
    mSim.Stop();
    QVERIFY(!QFileInfo(link).isSymLink());
}

// Write through the protocol, check the wire bytes and what the unit keeps, read back.
void tst_vusim::writeThenRead_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("wire");  // value bytes of the write request
    QTest::addColumn<QByteArray>("store"); // raw bytes the unit keeps (its read reply value)
    QTest::addColumn<QVariant>("readBack");

    const auto u = [](quint64 v) { return QVariant::fromValue<quint64>(v); };
    QTest::newRow("unsigned 1") << P::PID_CANSpeedometer << u(10) << Bytes({10}) << Bytes({10}) << u(10);
    QTest::newRow("unsigned 2") << P::PID_KConst << u(8000) << Bytes({0x40, 0x1F}) << Bytes({0x40, 0x1F})
                                << u(8000);
    QTest::newRow("unsigned 2 largest")
        << P::PID_LConst << u(65535) << Bytes({0xFF, 0xFF}) << Bytes({0xFF, 0xFF}) << u(65535);
    QTest::newRow("unsigned 4") << P::PID_VUHROdometer << u(0x01020304) << Bytes({4, 3, 2, 1})
                                << Bytes({4, 3, 2, 1}) << u(0x01020304);
    QTest::newRow("unsigned 4 max") << P::PID_VUSettings << u(0xFFFFFFFF) << Bytes({0xFF, 0xFF, 0xFF, 0xFF})
                                    << Bytes({0xFF, 0xFF, 0xFF, 0xFF}) << u(0xFFFFFFFF);
    QTest::newRow("fixed text padded")
        << P::PID_VUSWVer << QVariant(QStringLiteral("ab")) << QByteArray("ab  ") << QByteArray("ab  ")
        << QVariant(QStringLiteral("ab  "));
    QTest::newRow("fixed text cut") << P::PID_VUSWVer << QVariant(QStringLiteral("abcdef"))
                                    << QByteArray("abcd") << QByteArray("abcd")
                                    << QVariant(QStringLiteral("abcd"));
    QTest::newRow("fixed text cyrillic")
        << P::PID_VUPartNo << QVariant(QString::fromUtf8("ТА-01")) << Blanks(Cp1251("ТА-01"), 16)
        << Blanks(Cp1251("ТА-01"), 16) << QVariant(QString::fromUtf8("ТА-01           "));
    QTest::newRow("VIN") << P::PID_VehicleVIN << QVariant(QStringLiteral("XTC53215391234567"))
                         << QByteArray("XTC53215391234567") << QByteArray("XTC53215391234567")
                         << QVariant(QStringLiteral("XTC53215391234567"));
    QTest::newRow("free text simplified")
        << P::PID_MdmAPN << QVariant(QStringLiteral("  a   b  ")) << QByteArray("a b") << QByteArray("a b")
        << QVariant(QStringLiteral("a b"));
    QTest::newRow("free text empty") << P::PID_MdmGlnURL << QVariant(QString()) << QByteArray(" ")
                                     << QByteArray(" ") << QVariant(QStringLiteral(" "));
    QTest::newRow("manufacturer cyrillic")
        << P::PID_VUManufacturer << QVariant(QString::fromUtf8("ООО Тест")) << Blanks(Cp1251("ООО Тест"), 36)
        << QByteArray(1, 5) + Blanks(QStringEncoder("ISO-8859-5").encode(QString::fromUtf8("ООО Тест")), 36)
        << QVariant(QString::fromUtf8("ООО Тест") + QString(28, QLatin1Char(' ')));
    QTest::newRow("manufacturer latin")
        << P::PID_VUManufacturer << QVariant(QStringLiteral("ACME GmbH")) << Blanks("ACME GmbH", 36)
        << QByteArray(1, 1) + Blanks("ACME GmbH", 36)
        << QVariant(QStringLiteral("ACME GmbH") + QString(27, QLatin1Char(' ')));
    QTest::newRow("registration number")
        << P::PID_VehicleRegNo << QVariant(QString::fromUtf8("а123вс77"))
        << QByteArray(1, 0) + Blanks("A123BC77", 14) << QByteArray(1, 1) + Blanks("A123BC77", 14)
        << QVariant(QStringLiteral("A123BC77      "));
    QTest::newRow("registration number b")
        << P::PID_VehicleRegNo << QVariant(QString::fromUtf8("б777кх"))
        << QByteArray(1, 0) + Blanks(" 777KX", 14) << QByteArray(1, 1) + Blanks(" 777KX", 14)
        << QVariant(QStringLiteral(" 777KX        "));
    QTest::newRow("serial number") << P::PID_VUSerNo << QVariant(QStringLiteral(" 10004027/01 07/07/A1"))
                                   << Bytes({0x3B, 0xA6, 0x98, 0x00, 0x01, 0x07, 0x07, 0xA1})
                                   << Bytes({0x3B, 0xA6, 0x98, 0x00, 0x01, 0x07, 0x07, 0xA1})
                                   << QVariant(QStringLiteral(" 10004027/01 07/07/A1"));
    QTest::newRow("sensor serial number")
        << P::PID_SnsSerNo << QVariant(QStringLiteral("123/12 99/0A/FF"))
        << Bytes({123, 0, 0, 0, 0x12, 0x99, 0x0A, 0xFF}) << Bytes({123, 0, 0, 0, 0x12, 0x99, 0x0A, 0xFF})
        << QVariant(QStringLiteral("      123/12 99/0A/FF"));
    const QDateTime paired = Utc(2026, 12, 7, 14, 42, 17);
    const quint32 pairedSecs = quint32(paired.toSecsSinceEpoch());
    const QByteArray pairedBytes = Bytes({int(pairedSecs & 0xFF), int((pairedSecs >> 8) & 0xFF),
                                          int((pairedSecs >> 16) & 0xFF), int(pairedSecs >> 24)});
    QTest::newRow("seconds") << P::PID_SnsPaired << QVariant(paired) << pairedBytes << pairedBytes
                             << QVariant(paired);
    QTest::newRow("date 31 December")
        << P::PID_NextCalibration << QVariant(QDate(2026, 12, 31)) << Bytes({12, 121, 41})
        << Bytes({12, 121, 41}) << QVariant(QDate(2026, 12, 31));
    QTest::newRow("date 1 March") << P::PID_NextCalibration << QVariant(QDate(1985, 3, 1)) << Bytes({3, 1, 0})
                                  << Bytes({3, 1, 0}) << QVariant(QDate(1985, 3, 1));
    const QByteArray gps = Blanks("$GPRMC,101010.00,V,,,,,,,010126,,,N*00", 68);
    QTest::newRow("gps sentence") << P::PID_GPSData << QVariant(QString::fromLatin1(gps.trimmed())) << gps
                                  << gps << QVariant(QString::fromLatin1(gps));
    QTest::newRow("modem update") << P::PID_MdmUpdate << u(0) << Bytes({0}) << Bytes({0}) << u(0);
}

void tst_vusim::writeThenRead()
{
    QFETCH(int, id);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, store);
    QFETCH(QVariant, readBack);

    CKR_HiProt prot(&mUart);
    QVERIFY2(prot.WriteParam(id, value), qPrintable(QString::number(prot.LastError(), 16)));
    const QList<VUSimulator::Request> log = mSim.Log();
    QCOMPARE(log.size(), 1);
    QCOMPARE(log[0].service, quint8(0x2E));
    QCOMPARE(log[0].id, id);
    QCOMPARE(log[0].value.toHex(' '), wire.toHex(' '));
    QCOMPARE(mSim.RawValue(id).toHex(' '), store.toHex(' '));

    QVariant got;
    QVERIFY(prot.ReadParam(id, got));
    QVERIFY2(SameValue(got, readBack),
             qPrintable(got.toString() + QStringLiteral(" / ") + readBack.toString()));
    QVERIFY(SameValue(mSim.Value(id), readBack));
}

// Bytes a unit may hold that no write of this program produces.
void tst_vusim::readFromStore_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("code page 0 is Latin-1")
        << P::PID_VUManufacturer << Bytes({0, 0xC0, 'b'}) << QVariant(QString::fromUtf8("Àb"));
    QTest::newRow("code page 10 is Latin-1")
        << P::PID_VehicleRegNo << Bytes({10, 0xE9}) << QVariant(QString::fromUtf8("é"));
    QTest::newRow("code page 5") << P::PID_VehicleRegNo << Bytes({5, 0xB0, 0xB1})
                                 << QVariant(QString::fromUtf8("АБ"));
    QTest::newRow("text keeps blanks")
        << P::PID_VehicleTyre << QByteArray(" 315/80R22.5   ") << QVariant(QStringLiteral(" 315/80R22.5   "));
    QTest::newRow("date day 31") << P::PID_NextCalibration << Bytes({1, 121, 40})
                                 << QVariant(QDate(2025, 1, 31));
}

void tst_vusim::readFromStore()
{
    QFETCH(int, id);
    QFETCH(QByteArray, raw);
    QFETCH(QVariant, value);

    mSim.SetRawValue(id, raw);
    CKR_HiProt prot(&mUart);
    QVariant got;
    QVERIFY(prot.ReadParam(id, got));
    QVERIFY2(SameValue(got, value), qPrintable(got.toString()));
}

void tst_vusim::clockWrite_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("byte6");
    QTest::addColumn<int>("byte7");
    QTest::newRow("+3:00") << 180 << 0x00 << 0x03;
    QTest::newRow("-5:30") << -330 << 0xE2 << 0xFB;
    QTest::newRow("-0:30") << -30 << 0xE2 << 0x00;
    QTest::newRow("+2:30") << 150 << 30 << 2;
}

// The clock write sets the running clock and the offset; a read delivers them again.
void tst_vusim::clockWrite()
{
    QFETCH(int, offset);
    QFETCH(int, byte6);
    QFETCH(int, byte7);

    const QDateTime when = Utc(2026, 12, 7, 14, 42, 17);
    CKR_HiProt prot(&mUart);
    QVERIFY(prot.WriteParam(P::PID_VUDateTime, TKR_VUDateTime(when, offset).ToVariant()));
    QCOMPARE(mSim.Log().value(0).value.toHex(' '),
             Bytes({0x44, 0x2A, 0x0E, 0x0C, 0x19, 0x29, byte6, byte7}).toHex(' '));
    QCOMPARE(mSim.LocalOffset(), offset);
    QVERIFY(qAbs(mSim.VUClock().secsTo(when)) <= 1);

    QVariant got;
    QVERIFY(prot.ReadParam(P::PID_VUDateTime, got));
    TKR_VUDateTime clock;
    clock.FromVariant(got);
    QCOMPARE(clock.mOffset, offset);
    QVERIFY2(qAbs(clock.mDateTime.secsTo(when)) <= 1, qPrintable(clock.mDateTime.toString()));
    QCOMPARE(mSim.RawValue(P::PID_VUDateTime).mid(6).toHex(' '), Bytes({byte6, byte7}).toHex(' '));
}

void tst_vusim::clockRuns()
{
    mSim.SetVUClock(Utc(2030, 1, 1, 23, 59, 59), 0);
    QTest::qWait(1100);
    const QDateTime now = mSim.VUClock();
    QVERIFY2(now >= Utc(2030, 1, 2, 0, 0, 0) && now < Utc(2030, 1, 2, 0, 0, 2), qPrintable(now.toString()));
}

void tst_vusim::clockHeld()
{
    const QDateTime held = Utc(2030, 1, 1, 23, 59, 59);
    mSim.HoldVUClock(true);
    mSim.SetVUClock(held, 0);
    QTest::qWait(1100);
    QCOMPARE(mSim.VUClock(), held);
    CKR_HiProt prot(&mUart);
    QVariant value;
    QVERIFY(prot.ReadParam(P::PID_VUDateTime, value));
    QCOMPARE(value.toULongLong(), TKR_VUDateTime(held, 0).ToVariant().toULongLong());

    mSim.HoldVUClock(false); // runs on from where it stood
    QTest::qWait(1100);
    const QDateTime now = mSim.VUClock();
    QVERIFY2(now >= held.addSecs(1) && now < held.addSecs(3), qPrintable(now.toString()));
}

// 250 km/h at W = 8012 imp/km: about 556 impulses a second, across the 2^32 boundary.
void tst_vusim::impCounterMovesAndWraps()
{
    constexpr double kPerMs = 250.0 * 8012.0 / 3'600'000.0;
    CKR_HiProt prot(&mUart);
    QVERIFY(prot.WriteParam(P::PID_ImpCounter, QVariant::fromValue<quint64>(0xFFFFFFFFull - 100)));
    QVariant before;
    QVERIFY(prot.ReadParam(P::PID_ImpCounter, before));
    QCOMPARE(before.toULongLong(), 0xFFFFFFFFull - 100); // stands still at speed 0
    QElapsedTimer timer;
    timer.start();
    QVERIFY(prot.WriteParam(P::PID_Speed, QVariant::fromValue<quint64>(250)));
    QTest::qWait(400);
    QVariant after;
    QVERIFY(prot.ReadParam(P::PID_ImpCounter, after));
    const double most = kPerMs * double(timer.elapsed());
    // At least 400 ms of driving (222 impulses): wrapped past zero after the first 101.
    const qint64 counted = qint64(after.toULongLong()) + 101;
    QVERIFY2(after.toULongLong() < 0x80000000ull && counted >= qint64(kPerMs * 400) - 1 &&
                 counted <= most + 1,
             qPrintable(after.toString()));
    QVERIFY(prot.WriteParam(P::PID_Speed, QVariant::fromValue<quint64>(0)));
    const quint32 stopped = mSim.ImpCounter();
    QTest::qWait(100);
    QCOMPARE(mSim.ImpCounter(), stopped);
}

void tst_vusim::valueFile()
{
    QFile file(mDir.filePath(QStringLiteral("values.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# a truck\nKConst=7990\nVehicleTyre=295/80R22.5\nPID_NextCalibration=01/02/2027\n"
               "VUDateTime=07/12/2026 14:42:17 -5:30\n63869=DEU\nVUManufacturer=ООО Тест\n");
    file.close();
    QString error;
    QVERIFY2(mSim.LoadValues(file.fileName(), &error), qPrintable(error));
    QCOMPARE(mSim.Value(P::PID_KConst).toULongLong(), 7990ull);
    QCOMPARE(mSim.RawValue(P::PID_VehicleTyre), QByteArray("295/80R22.5    "));
    QCOMPARE(mSim.Value(P::PID_NextCalibration).toDate(), QDate(2027, 2, 1));
    QCOMPARE(mSim.LocalOffset(), -330);
    QCOMPARE(mSim.RawValue(P::PID_MemberState), QByteArray("DEU"));
    QCOMPARE(mSim.Value(P::PID_VUManufacturer).toString().trimmed(), QString::fromUtf8("ООО Тест"));

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("KConst=8000\nNoSuchThing=1\n");
    file.close();
    QVERIFY(!mSim.LoadValues(file.fileName(), &error));
    QVERIFY2(error.contains(QLatin1String(":2:")) && error.contains(QLatin1String("NoSuchThing")),
             qPrintable(error));
}

// Faults that fail an attempt: the link retries up to three attempts in all.
void tst_vusim::faultRetries_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("count"); // requests the fault applies to
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("code");
    QTest::addColumn<int>("requests");

    QTest::newRow("bad checksum always") << "checksum" << -1 << false << uint(VUErr::BadChecksum) << 3;
    QTest::newRow("bad checksum once") << "checksum" << 1 << true << uint(VUErr::Ok) << 2;
    QTest::newRow("bad checksum twice") << "checksum" << 2 << true << uint(VUErr::Ok) << 3;
    QTest::newRow("other tester always") << "address" << -1 << false << uint(VUErr::BadReply) << 3;
    QTest::newRow("other tester once") << "address" << 1 << true << uint(VUErr::Ok) << 2;
    QTest::newRow("bad first byte always") << "firstbyte" << -1 << false << uint(VUErr::BadReply) << 3;
    QTest::newRow("byte at a time") << "bytewise" << -1 << true << uint(VUErr::Ok) << 1;
    QTest::newRow("short gap in frame") << "shortgap" << -1 << true << uint(VUErr::Ok) << 1;
    QTest::newRow("long gap in frame") << "longgap" << -1 << false << uint(VUErr::NoReply) << 3;
    QTest::newRow("silent once") << "silent" << 1 << true << uint(VUErr::Ok) << 2;
    QTest::newRow("late beyond allowance once") << "late" << 1 << true << uint(VUErr::Ok) << 2;
}

void tst_vusim::faultRetries()
{
    QFETCH(QString, fault);
    QFETCH(int, count);
    QFETCH(bool, ok);
    QFETCH(uint, code);
    QFETCH(int, requests);

    VUSimulator::Faults faults;
    faults.count = count;
    if (fault == QLatin1String("checksum"))
        faults.badChecksum = true;
    else if (fault == QLatin1String("address"))
        faults.badAddress = true;
    else if (fault == QLatin1String("firstbyte"))
        faults.badFirstByte = true;
    else if (fault == QLatin1String("bytewise"))
        faults.byteAtATime = true;
    else if (fault == QLatin1String("shortgap"))
        faults.gapAfterBytes = 4, faults.gapMs = 25;
    else if (fault == QLatin1String("longgap"))
        faults.gapAfterBytes = 4, faults.gapMs = 250;
    else if (fault == QLatin1String("silent"))
        faults.silent = true;
    else if (fault == QLatin1String("late"))
        faults.lateFirstByteMs = 700;
    mSim.SetFaults(faults);

    CKR_HiProt prot(&mUart);
    QVariant value = QStringLiteral("untouched");
    QCOMPARE(prot.ReadParam(P::PID_VehicleTyre, value), ok);
    QCOMPARE(uint(prot.LastError()), code);
    // The unit logs a request once it has heard all of it, which may be after the link gave up.
    QTRY_COMPARE_WITH_TIMEOUT(mSim.Log().size(), requests, 1000);
    if (ok)
        QCOMPARE(value.toString(), QStringLiteral("315/80R22.5    "));
    else
        QCOMPARE(value.toString(), QStringLiteral("untouched"));
}

void tst_vusim::negativeReply_data()
{
    QTest::addColumn<int>("refused"); // identifier the unit refuses, or AllParams
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("write");
    QTest::newRow("read 0x22") << P::PID_KConst << 0x22 << false;
    QTest::newRow("write 0x31") << P::PID_KConst << 0x31 << true;
    QTest::newRow("all 0x13") << VUSimulator::AllParams << 0x13 << false;
    QTest::newRow("unnamed reason") << P::PID_KConst << 0x55 << true;
}

// A negative reply is final: one attempt, the reason in the code, the store untouched.
void tst_vusim::negativeReply()
{
    QFETCH(int, refused);
    QFETCH(int, reason);
    QFETCH(bool, write);

    mSim.SetNegativeReply(refused, quint8(reason));
    CKR_HiProt prot(&mUart);
    QVariant value = QVariant::fromValue<quint64>(1234);
    const bool ok = write ? prot.WriteParam(P::PID_KConst, value) : prot.ReadParam(P::PID_KConst, value);
    QVERIFY(!ok);
    QCOMPARE(uint(prot.LastError()), uint(VUErr::NegativeReply | quint32(reason)));
    QCOMPARE(mSim.Log().size(), 1);
    QCOMPARE(mSim.Log()[0].reply.mid(4, 3).toHex(' '), Bytes({0x7F, write ? 0x2E : 0x22, reason}).toHex(' '));
    QCOMPARE(mSim.Value(P::PID_KConst).toULongLong(), 8000ull);
    QCOMPARE(value.toULongLong(), 1234ull);

    // Other identifiers still answer unless all are refused.
    QVariant other;
    QCOMPARE(prot.ReadParam(P::PID_LConst, other), refused != VUSimulator::AllParams);
}

void tst_vusim::silentUnitEndsWithinLimits()
{
    VUSimulator::Faults faults;
    faults.silent = true;
    mSim.SetFaults(faults);
    CKR_HiProt prot(&mUart);
    QVariant value;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!prot.ReadParam(P::PID_VUDateTime, value));
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(uint(prot.LastError()), uint(VUErr::NoReply));
    QCOMPARE(mSim.Log().size(), 3);
    for (const VUSimulator::Request& r : mSim.Log()) {
        QCOMPARE(r.frame.toHex(' '), QByteArray("80 ee f0 03 22 0b f9 87"));
        QVERIFY(r.reply.isEmpty());
    }
    // Three attempts of 32 ms to write and 576 ms for the first byte: 1.82 s at least; the upper bound
    // only guards against a hang.
    QVERIFY2(elapsed >= 1700 && elapsed < 26000, qPrintable(QString::number(elapsed)));
}

void tst_vusim::deadAfterFrames()
{
    VUSimulator::Faults faults;
    faults.deadAfterFrames = 2;
    mSim.SetFaults(faults);
    CKR_HiProt prot(&mUart);
    QVariant value;
    QVERIFY(prot.ReadParam(P::PID_KConst, value));
    QVERIFY(prot.ReadParam(P::PID_LConst, value));
    for (int i = 0; i < 2; ++i)
        QVERIFY(RawExchange(Frame(Bytes({0x22, 0x1D, 0xF9})), 10).isEmpty());
    QCOMPARE(mSim.Log().size(), 4);
    QVERIFY(mSim.Log()[3].reply.isEmpty());
}

// The reply allowance of 500 ms covers a slow unit: one attempt.
void tst_vusim::lateFirstByteWithinAllowance()
{
    VUSimulator::Faults faults;
    faults.lateFirstByteMs = 400;
    mSim.SetFaults(faults);
    CKR_HiProt prot(&mUart);
    QVariant value;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(prot.ReadParam(P::PID_KConst, value));
    QVERIFY(timer.elapsed() >= 400);
    QCOMPARE(mSim.Log().size(), 1);
}

void tst_vusim::replyDelayForOneParam()
{
    mSim.SetReplyDelay(P::PID_KConst, 400);
    CKR_HiProt prot(&mUart);
    QVariant value;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(prot.ReadParam(P::PID_KConst, value));
    QVERIFY(timer.elapsed() >= 400);
    QVERIFY(prot.ReadParam(P::PID_LConst, value)); // other identifiers are answered as before
    QCOMPARE(mSim.Log().size(), 2);
}

QByteArray tst_vusim::RawExchange(const QByteArray& aBytes, int aReplySize)
{
    mUart.Purge(true, true);
    if (mUart.Write(aBytes.constData(), int(aBytes.size()), 100) != aBytes.size())
        return "write failed";
    QByteArray reply(aReplySize, '\0');
    const int n = mUart.Read(reply.data(), aReplySize, 150); // the unit answers within about 30 ms
    return n > 0 ? reply.left(n) : QByteArray();
}

// Requests no protocol object would send: the unit refuses them the way a unit does, or stays silent.
void tst_vusim::malformedRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply"); // empty: silence

    QByteArray badSum = Frame(Bytes({0x22, 0x18, 0xF9}));
    badSum[badSum.size() - 1] = char(badSum.back() + 1);
    QTest::newRow("read with extra byte")
        << Frame(Bytes({0x22, 0x18, 0xF9, 0x00})) << Frame(Bytes({0x7F, 0x22, 0x13}), 0xF0);
    QTest::newRow("read without identifier")
        << Frame(Bytes({0x22, 0x18})) << Frame(Bytes({0x7F, 0x22, 0x13}), 0xF0);
    QTest::newRow("unknown identifier")
        << Frame(Bytes({0x22, 0x03, 0x00})) << Frame(Bytes({0x7F, 0x22, 0x31}), 0xF0);
    QTest::newRow("unknown service") << Frame(Bytes({0x10, 0x18, 0xF9}))
                                     << Frame(Bytes({0x7F, 0x10, 0x11}), 0xF0);
    QTest::newRow("bad checksum") << badSum << QByteArray();
    QTest::newRow("empty data") << Frame(QByteArray()) << QByteArray();
    QTest::newRow("other unit") << Frame(Bytes({0x22, 0x18, 0xF9}), 0xEF) << QByteArray();
    QTest::newRow("only garbage") << Bytes({0x01, 0x02, 0x7F, 0xFF}) << QByteArray();
    QTest::newRow("date out of range")
        << Frame(Bytes({0x2E, 0x22, 0xF9, 13, 1, 40})) << Frame(Bytes({0x7F, 0x2E, 0x31}), 0xF0);
}

void tst_vusim::malformedRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    // A negative reply frame built with BuildFrame(data, 0xF0, 0xF0) has the wrong source: fix it.
    if (!reply.isEmpty()) {
        reply[2] = char(0xEE);
        reply[reply.size() - 1] = 0;
        quint8 sum = 0;
        for (int i = 0; i < reply.size() - 1; ++i)
            sum = quint8(sum + quint8(reply[i]));
        reply[reply.size() - 1] = char(sum);
    }
    QCOMPARE(RawExchange(request, reply.isEmpty() ? 8 : int(reply.size())).toHex(' '), reply.toHex(' '));
    // The unit is still there.
    QTest::qWait(50);
    CKR_HiProt prot(&mUart);
    QVariant value;
    QVERIFY(prot.ReadParam(P::PID_KConst, value));
    QCOMPARE(value.toULongLong(), 8000ull);
}

void tst_vusim::resynchronisesOnGarbage()
{
    // Garbage, then a broken frame start that claims 255 data bytes, then a good request.
    const QByteArray bytes = Bytes({0x00, 0x13, 0x80, 0xEE}) + QByteArray() + Bytes({0x80, 0xEE, 0xF0, 0xFF});
    mUart.Write(bytes.constData(), int(bytes.size()), 100);
    QTest::qWait(60); // longer than the unit's inter-byte time-out
    const QByteArray reply = RawExchange(Frame(Bytes({0x22, 0x18, 0xF9})), 10);
    QCOMPARE(reply.mid(4, 5).toHex(' '), Bytes({0x62, 0x18, 0xF9, 0x40, 0x1F}).toHex(' '));
}

void tst_vusim::writeOfWrongLengthChangesNothing()
{
    const QByteArray request = Frame(Bytes({0x2E, 0x18, 0xF9, 0x01}));
    const QByteArray reply = RawExchange(request, 8);
    QCOMPARE(reply.mid(4, 3).toHex(' '), Bytes({0x7F, 0x2E, 0x13}).toHex(' '));
    QCOMPARE(mSim.Value(P::PID_KConst).toULongLong(), 8000ull);

    const QByteArray tooLong = Frame(Bytes({0x2E, 0x90, 0xF1}) + QByteArray(18, 'X'));
    QCOMPARE(RawExchange(tooLong, 8).mid(4, 3).toHex(' '), Bytes({0x7F, 0x2E, 0x13}).toHex(' '));
    QCOMPARE(mSim.RawValue(P::PID_VehicleVIN), QByteArray("XTC65206371234567"));
}

// The program claims its port for itself; the unit's own hold on the line does not get in the way.
void tst_vusim::exclusivePort()
{
    UART second;
    QCOMPARE(second.Open(kPort, 9600), int(E_UART));
    mUart.Close();
    QCOMPARE(second.Open(kPort, 9600), int(S_OK));
    second.Close();
    QCOMPARE(mUart.Open(kPort, 9600), int(S_OK));
    CKR_HiProt prot(&mUart);
    QVariant value;
    QVERIFY(prot.ReadParam(P::PID_KConst, value));
}

QTEST_GUILESS_MAIN(tst_vusim)
#include "tst_vusim.moc"
