#include "PtyUnit.h"
#include "TestLog.h"
#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"
#include "link/UART.h"

#include <QTemporaryDir>
#include <QtTest>

using P = CKR_HiProt;

namespace {

QByteArray Hex(const char* aHex)
{
    return QByteArray::fromHex(aHex);
}

// The data field of a request frame.
QByteArray DataOf(const QByteArray& aFrame)
{
    return aFrame.mid(4, quint8(aFrame[3]));
}

quint64 Packed(const QDateTime& aUtc, int aOffset)
{
    return TKR_VUDateTime(aUtc, aOffset).ToVariant().toULongLong();
}

} // namespace

class tst_hiprot : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void writeRequest_data();
    void writeRequest();
    void readRequest_data();
    void readRequest();
    void unknownIdentifier();
    void shortReplyIsRefused_data();
    void shortReplyIsRefused();
    void overlongWriteIsRefused();
    void failuresKeepValue();
    void errorClearedByNextRequest();

private:
    QTemporaryDir mDir;
    PtyUnit* mUnit = nullptr;
    UART mPort;
    // What the unit answers to a read; set by the test, read on the unit's thread.
    void SetReplyData(const QByteArray& aData)
    {
        QMutexLocker lock(&mReplyMutex);
        mReplyData = aData;
    }
    QByteArray ReplyData()
    {
        QMutexLocker lock(&mReplyMutex);
        return mReplyData;
    }
    QMutex mReplyMutex;
    QByteArray mReplyData;
};

void tst_hiprot::initTestCase()
{
    qputenv("VELMORA_SERIAL_DIR", mDir.path().toLocal8Bit());
    mUnit = new PtyUnit;
    QVERIFY(mUnit->LinkAs(mDir.path(), 1));
    QCOMPARE(mPort.Open(1, 9600), int(S_OK));
    mUnit->Start([this](const QByteArray& aFrame) {
        const QByteArray data = DataOf(aFrame);
        const QByteArray reply =
            data[0] == char(0x2E) ? QByteArray(1, char(0x6E)) + data.mid(1, 2) : ReplyData();
        return QList<PtyUnit::Chunk>{{PtyUnit::ReplyFrame(reply), 0}};
    });
}

void tst_hiprot::cleanupTestCase()
{
    delete mUnit;
    mPort.Close();
    qunsetenv("VELMORA_SERIAL_DIR");
}

void tst_hiprot::init()
{
    mUnit->ClearFrames();
}

void tst_hiprot::writeRequest_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("debug");
    QTest::newRow("300 to 2 bytes") << int(P::PID_LConst) << QVariant(300) << Hex("2E1CF92C01") << "";
    QTest::newRow("K 8000") << int(P::PID_KConst) << QVariant(8000) << Hex("2E18F9401F") << "";
    QTest::newRow("clock") << int(P::PID_VUDateTime)
                           << QVariant(Packed(QDateTime(QDate(2026, 12, 7), QTime(14, 42, 17), Qt::UTC), 180))
                           << Hex("2E0BF9442A0E0C19290003") << "SetDT2: 07/12/2026 14:42:17, 3:0";
    QTest::newRow("clock -330") << int(P::PID_VUDateTime)
                                << QVariant(
                                       Packed(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5), Qt::UTC), -330))
                                << Hex("2E0BF9140403010528E2FB") << "SetDT2: 02/01/2025 03:04:05, -5:-30";
    QTest::newRow("free text") << int(P::PID_MdmAPN) << QVariant("  a   b  ") << Hex("2E3200") + "a b"
                               << "";
    QTest::newRow("free text empty") << int(P::PID_MdmAPN) << QVariant("") << Hex("2E3200") + " "
                                     << "";
    QTest::newRow("fixed padded") << int(P::PID_VUSWVer) << QVariant("ab") << Hex("2E1300") + "ab  "
                                  << "";
    QTest::newRow("fixed cut") << int(P::PID_VUSWVer) << QVariant("abcdef") << Hex("2E1300") + "abcd"
                               << "";
    QTest::newRow("registration") << int(P::PID_VehicleRegNo) << QVariant("а123вс77")
                                  << Hex("2E7EF900") + "A123BC77      "
                                  << "";
    QTest::newRow("registration б") << int(P::PID_VehicleRegNo) << QVariant("бв")
                                    << Hex("2E7EF900") + " B            "
                                    << "";
    QTest::newRow("date") << int(P::PID_NextCalibration) << QVariant(QDate(2026, 12, 31))
                          << Hex("2E22F90C7929") << "";
    QTest::newRow("impulses") << int(P::PID_ImpCounter) << QVariant(quint64(0xFFFFFFFF))
                              << Hex("2E0100FFFFFFFF") << "";
    QTest::newRow("longest free text")
        << int(P::PID_MdmGlnURL) << QVariant(QString(252, 'u')) << Hex("2E3500") + QByteArray(252, 'u') << "";
}

void tst_hiprot::writeRequest()
{
    QFETCH(int, id);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, data);
    QFETCH(QString, debug);
    TestLog log;
    P prot(&mPort);
    QVERIFY(prot.WriteParam(id, value));
    QCOMPARE(prot.LastError(), VUErr::Ok);
    const QList<QByteArray> frames = mUnit->Frames();
    QCOMPARE(frames.size(), 1);
    QCOMPARE(DataOf(frames[0]).toHex(' '), data.toHex(' '));
    QCOMPARE(frames[0].left(3), Hex("80EEF0"));
    QCOMPARE(log.Lines(), debug.isEmpty() ? QStringList() : QStringList{debug});
}

void tst_hiprot::readRequest_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("debug");
    QTest::newRow("clock") << int(P::PID_VUDateTime) << Hex("620BF9442A0E0C19291E02")
                           << QVariant(Packed(QDateTime(QDate(2026, 12, 7), QTime(14, 42, 17), Qt::UTC), 150))
                           << "";
    QTest::newRow("next calibration") << int(P::PID_NextCalibration) << Hex("6222F90C7929")
                                      << QVariant(QDate(2026, 12, 31)) << "GetD()=31/12/2026";
    QTest::newRow("K") << int(P::PID_KConst) << Hex("6218F9401F") << QVariant(quint64(8000)) << "";
    QTest::newRow("reply bytes 0-2 not examined")
        << int(P::PID_KConst) << Hex("000000401F") << QVariant(quint64(8000)) << "";
    QTest::newRow("VIN") << int(P::PID_VehicleVIN) << Hex("6290F1") + "X7L12345678901234"
                         << QVariant("X7L12345678901234") << "";
    QTest::newRow("empty text") << int(P::PID_GPSData) << Hex("624100") << QVariant("") << "";
    QTest::newRow("serial") << int(P::PID_VUSerNo) << Hex("6212003BA698000107 07A1")
                            << QVariant(" 10004027/01 07/07/A1") << "";
}

void tst_hiprot::readRequest()
{
    QFETCH(int, id);
    QFETCH(QByteArray, reply);
    QFETCH(QVariant, value);
    QFETCH(QString, debug);
    SetReplyData(reply);
    TestLog log;
    P prot(&mPort);
    QVariant got(QStringLiteral("old"));
    QVERIFY(prot.ReadParam(id, got));
    QCOMPARE(prot.LastError(), VUErr::Ok);
    QCOMPARE(got, value);
    QCOMPARE(got.metaType(), value.metaType());
    const QList<QByteArray> frames = mUnit->Frames();
    QCOMPARE(frames.size(), 1);
    const QByteArray expected = QByteArray(1, char(0x22)) + char(id & 0xFF) + char(id >> 8);
    QCOMPARE(DataOf(frames[0]).toHex(), expected.toHex());
    if (id == P::PID_VUDateTime)
        QCOMPARE(frames[0], Hex("80EEF003220BF987"));
    QCOMPARE(log.Lines(), debug.isEmpty() ? QStringList() : QStringList{debug});
}

void tst_hiprot::unknownIdentifier()
{
    P prot(&mPort);
    QVariant value(7);
    QVERIFY(!prot.ReadParam(3, value));
    QCOMPARE(prot.LastError(), VUErr::UnknownParam);
    QCOMPARE(value, QVariant(7));
    QVERIFY(!prot.WriteParam(48, QVariant(1)));
    QCOMPARE(prot.LastError(), VUErr::UnknownParam);
    // A number its two bytes cannot hold is refused before anything is sent, never wrapped (70000 would
    // reach the unit as 4464).
    QVERIFY(!prot.WriteParam(P::PID_WConst, QVariant(70000)));
    QCOMPARE(prot.LastError(), VUErr::ValueOutOfRange);
    QTest::qWait(50);
    QCOMPARE(mUnit->RawReceived(), QByteArray());
}

void tst_hiprot::shortReplyIsRefused_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("K one byte") << int(P::PID_KConst) << Hex("6218F940");
    QTest::newRow("clock 7 bytes") << int(P::PID_VUDateTime) << Hex("620BF9442A0E0C192900");
    QTest::newRow("text without head") << int(P::PID_VehicleVIN) << Hex("6290");
    QTest::newRow("nothing") << int(P::PID_VehicleVIN) << QByteArray();
    QTest::newRow("code page missing") << int(P::PID_VUManufacturer) << Hex("621500");
}

void tst_hiprot::shortReplyIsRefused()
{
    QFETCH(int, id);
    QFETCH(QByteArray, reply);
    SetReplyData(reply);
    P prot(&mPort);
    QVariant value(QStringLiteral("old"));
    QVERIFY(!prot.ReadParam(id, value));
    QCOMPARE(prot.LastError(), VUErr::BadReply);
    QCOMPARE(value, QVariant(QStringLiteral("old")));
    QCOMPARE(mUnit->FrameCount(), 1); // the reply was valid on the line: no retry
}

void tst_hiprot::overlongWriteIsRefused()
{
    P prot(&mPort);
    QVERIFY(!prot.WriteParam(P::PID_MdmAPN, QString(253, 'a')));
    QCOMPARE(prot.LastError(), VUErr::ValueTooLong);
    QVERIFY(!prot.WriteParam(P::PID_MdmMonitURL, QString(1000, 'a')));
    QCOMPARE(prot.LastError(), VUErr::ValueTooLong);
    // Characters beyond the code page are one byte each: 252 of them still fit.
    QVERIFY(!prot.WriteParam(P::PID_MdmAPN, QString(253, QChar(0x263A))));
    QCOMPARE(prot.LastError(), VUErr::ValueTooLong);
    QTest::qWait(50);
    QCOMPARE(mUnit->RawReceived(), QByteArray());
    // Blanks that simplification removes do not count.
    QVERIFY(prot.WriteParam(P::PID_MdmAPN, QString(300, ' ') + "x" + QString(300, ' ')));
    QCOMPARE(prot.LastError(), VUErr::Ok);
}

void tst_hiprot::failuresKeepValue()
{
    SetReplyData(Hex("7F2222"));
    TestLog log;
    P prot(&mPort);
    QVariant value(QStringLiteral("old"));
    QVERIFY(!prot.ReadParam(P::PID_VehicleVIN, value));
    QCOMPARE(prot.LastError(), VUErr::RC_CNC);
    QCOMPARE(value, QVariant(QStringLiteral("old")));

    P detached(nullptr);
    QVERIFY(!detached.ReadParam(P::PID_VehicleVIN, value));
    QCOMPARE(detached.LastError(), VUErr::NoPort);
    QVERIFY(!detached.WriteParam(P::PID_KConst, 1));
    QCOMPARE(detached.LastError(), VUErr::NoPort);
    QCOMPARE(value, QVariant(QStringLiteral("old")));
    QCOMPARE(log.Lines(), (QStringList{"LoLev_Err=2147483682", "LoLev_Err=2", "LoLev_Err=2"}));
}

void tst_hiprot::errorClearedByNextRequest()
{
    P prot(&mPort);
    QVariant value;
    QVERIFY(!prot.ReadParam(3, value));
    QCOMPARE(prot.LastError(), VUErr::UnknownParam);
    SetReplyData(Hex("6218F9401F"));
    QVERIFY(prot.ReadParam(P::PID_KConst, value));
    QCOMPARE(prot.LastError(), VUErr::Ok);
    QVERIFY(!prot.WriteParam(P::PID_MdmAPN, QString(300, 'a')));
    QCOMPARE(prot.LastError(), VUErr::ValueTooLong);
    QVERIFY(prot.WriteParam(P::PID_KConst, 1));
    QCOMPARE(prot.LastError(), VUErr::Ok);
}

QTEST_GUILESS_MAIN(tst_hiprot)
#include "tst_hiprot.moc"
