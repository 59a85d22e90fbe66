// The whole serial stack (port, link, protocol, worker, port search) against the simulated unit.
#include "link/CKR_InfoUartThrd.h"
#include "link/CKR_VUPortFindThrd.h"
#include "link/TKR_VUDateTime.h"
#include "link/UART.h"
#include "tools/vusim/VUSimulator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using P = CKR_HiProt;
using Faults = VUSimulator::Faults;

Q_DECLARE_METATYPE(VUSimulator::Faults)

class tst_linksim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void writeThenReadEverything();
    void faults_data();
    void faults();
    void portSearch_data();
    void portSearch();

private:
    QTemporaryDir mDir;
};

void tst_linksim::initTestCase()
{
    RegisterLinkMetaTypes();
    qputenv("VELMORA_SERIAL_DIR", mDir.path().toLocal8Bit());
}

void tst_linksim::cleanupTestCase()
{
    qunsetenv("VELMORA_SERIAL_DIR");
}

// Every parameter written through the worker and read back: what the unit keeps is what was meant.
void tst_linksim::writeThenReadEverything()
{
    VUSimulator sim;
    QVERIFY2(sim.Start(mDir.path(), 3), qPrintable(sim.ErrorString()));
    UART port;
    QCOMPARE(port.Open(3, 9600), int(S_OK));

    const QDateTime clock(QDate(2026, 12, 7), QTime(14, 42, 17), Qt::UTC);
    const QDateTime paired(QDate(2024, 2, 29), QTime(8, 0, 4), Qt::UTC);
    struct Row
    {
        int id;
        QVariant value;
        QVariant read;
    };
    const QList<Row> rows = {
        {P::PID_ImpCounter, 123456u, quint64(123456)},
        {P::PID_VUPartNo, "VR-3283", QStringLiteral("VR-3283").leftJustified(16)},
        {P::PID_VUSerNo, " 10004027/01 07/07/A1", " 10004027/01 07/07/A1"},
        {P::PID_VUSWVer, "2.1", "2.1 "},
        {P::PID_VUManufacturer, "ООО Вестра", QStringLiteral("ООО Вестра").leftJustified(36)},
        {P::PID_VUOptions, 0x2B, quint64(0x2B)},
        {P::PID_VUSettings, 0x09, quint64(0x09)},
        {P::PID_B6Const, 5111, quint64(5111)},
        {P::PID_B7Const, 65535, quint64(65535)},
        {P::PID_CANSpeedometer, 9, quint64(9)},
        {P::PID_SnsSerNo, "    12345/12 99/0A/B2", "    12345/12 99/0A/B2"},
        {P::PID_SnsNumber, "e1-0815", "e1-0815 "},
        {P::PID_SnsPaired, paired, paired.toLocalTime()},
        {P::PID_MdmPIN, "1234", "1234"},
        {P::PID_MdmAPN, "  internet.beeline.ru ", "internet.beeline.ru"},
        {P::PID_MdmLogin, "user", QStringLiteral("user").leftJustified(40)},
        {P::PID_MdmPassword, "пароль", QStringLiteral("пароль").leftJustified(40)},
        {P::PID_MdmGlnURL, "glonass.example:8080", "glonass.example:8080"},
        {P::PID_MdmMonitURL, "monit example", "monit example"},
        {P::PID_MdmUpdate, 1, quint64(1)},
        {P::PID_GPSData, "$GPRMC,A", QStringLiteral("$GPRMC,A").leftJustified(68)},
        {P::PID_Speed, 0, quint64(0)},
        {P::PID_VehicleVIN, "XTA21099071234567", "XTA21099071234567"},
        {P::PID_VUHROdometer, 987654321u, quint64(987654321)},
        {P::PID_KConst, 8000, quint64(8000)},
        {P::PID_LConst, 3100, quint64(3100)},
        {P::PID_WConst, 7996, quint64(7996)},
        {P::PID_VehicleTyre, "315/80 R22.5", QStringLiteral("315/80 R22.5").leftJustified(15)},
        {P::PID_NextCalibration, QDate(2028, 12, 31), QDate(2028, 12, 31)},
        {P::PID_VehicleMaxSpeed, 90, quint64(90)},
        {P::PID_MemberState, "RUS", "RUS"},
        {P::PID_VehicleRegNo, "а123вс77", "A123BC77      "},
        {P::PID_VUDateTime, TKR_VUDateTime(clock, -330).ToVariant(), QVariant()},
    };
    QCOMPARE(rows.size(), P::ParamTable().size());

    // Results are collected in this thread: the signals arrive queued, as in a dialog.
    CKR_InfoUartThrd thread(&port);
    QObject context;
    int writes = 0, writeDone = 0, errors = 0, readDone = 0;
    QList<QPair<int, QVariant>> read;
    connect(&thread, &CKR_UartThrd::OnWriteData, &context, [&] { ++writes; });
    connect(&thread, &CKR_UartThrd::OnWriteComplete, &context, [&] { ++writeDone; });
    connect(&thread, &CKR_UartThrd::OnWriteError, &context, [&] { ++errors; });
    connect(&thread, &CKR_UartThrd::OnReadError, &context, [&] { ++errors; });
    connect(&thread, &CKR_UartThrd::OnReadComplete, &context, [&] { ++readDone; });
    connect(&thread, &CKR_UartThrd::OnReadData, &context, [&](P::T_ParamId aId, const QVariant& aValue) {
        read.append({aId, aValue});
    });
    for (const Row& row : rows)
        thread.AddWrite(row.id, row.value);
    thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(writeDone + errors, 1, 10000);
    QCOMPARE(errors, 0);
    QCOMPARE(writes, rows.size());
    for (const Row& row : rows)
        thread.AddRead(row.id);
    QTRY_COMPARE_WITH_TIMEOUT(readDone + errors, 1, 10000);
    QCOMPARE(errors, 0);
    QCOMPARE(read.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const int id = read[i].first;
        const QVariant value = read[i].second;
        QCOMPARE(id, rows[i].id);
        if (id == P::PID_VUDateTime) {
            TKR_VUDateTime got;
            got.FromVariant(value);
            QCOMPARE(got.mOffset, -330);
            QVERIFY2(qAbs(got.mDateTime.secsTo(clock)) <= 5, qPrintable(got.mDateTime.toString()));
            continue;
        }
        QCOMPARE(value, rows[i].read);
    }
}

void tst_linksim::faults_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<int>("negative"); // reason for a refusal of the clock, -1 none
    QTest::addColumn<quint32>("code");
    QTest::addColumn<int>("requests");
    Faults f;
    QTest::newRow("healthy") << f << -1 << 0u << 1;
    f = {};
    f.byteAtATime = true;
    QTest::newRow("byte at a time") << f << -1 << 0u << 1;
    f = {};
    f.lateFirstByteMs = 450;
    QTest::newRow("late but in time") << f << -1 << 0u << 1;
    f = {};
    f.lateFirstByteMs = 700;
    QTest::newRow("too late") << f << -1 << 4u << 3;
    f = {};
    f.gapAfterBytes = 5;
    f.gapMs = 300;
    QTest::newRow("gap inside the frame") << f << -1 << 4u << 3;
    f = {};
    f.badChecksum = true;
    QTest::newRow("checksum") << f << -1 << 6u << 3;
    f = {};
    f.badAddress = true;
    QTest::newRow("other tester") << f << -1 << 5u << 3;
    f = {};
    f.badFirstByte = true;
    QTest::newRow("first byte") << f << -1 << 5u << 3;
    f = {};
    f.silent = true;
    QTest::newRow("silent") << f << -1 << 4u << 3;
    f = {};
    f.badChecksum = true;
    f.count = 1;
    QTest::newRow("one bad reply") << f << -1 << 0u << 2;
    f = {};
    f.silent = true;
    f.count = 2;
    QTest::newRow("third attempt") << f << -1 << 0u << 3;
    QTest::newRow("refused") << Faults{} << 0x22 << 0x80000022u << 1;
}

void tst_linksim::faults()
{
    QFETCH(Faults, faults);
    QFETCH(int, negative);
    QFETCH(quint32, code);
    QFETCH(int, requests);
    VUSimulator sim;
    QVERIFY2(sim.Start(mDir.path(), 5), qPrintable(sim.ErrorString()));
    sim.SetFaults(faults);
    if (negative >= 0)
        sim.SetNegativeReply(P::PID_VUDateTime, quint8(negative));
    UART port;
    QCOMPARE(port.Open(5, 9600), int(S_OK));
    P prot(&port);
    QVariant value(QStringLiteral("old"));
    QCOMPARE(prot.ReadParam(P::PID_VUDateTime, value), code == 0);
    QCOMPARE(prot.LastError(), code);
    if (code == 0)
        QCOMPARE(value.metaType(), QMetaType::fromType<quint64>());
    else
        QCOMPARE(value, QVariant(QStringLiteral("old")));
    QTRY_COMPARE_WITH_TIMEOUT(sim.RequestCount(), requests, 1000);
}

// Ports: "u" simulated unit, "s" silent unit, "n" unit refusing everything.
void tst_linksim::portSearch_data()
{
    QTest::addColumn<QString>("ports"); // position = port number - 1, "." = no port
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("tried");
    QTest::newRow("unit on 4") << ".s.u" << 4 << "2";
    QTest::newRow("refusing unit") << "ns" << 1 << "";
    QTest::newRow("nobody") << "s.s" << -1 << "1, 3";
}

void tst_linksim::portSearch()
{
    QFETCH(QString, ports);
    QFETCH(int, result);
    QFETCH(QString, tried);
    std::vector<std::unique_ptr<VUSimulator>> sims;
    for (int i = 0; i < ports.size(); ++i) {
        if (ports[i] == '.')
            continue;
        auto sim = std::make_unique<VUSimulator>();
        QVERIFY(sim->Start(mDir.path(), i + 1));
        if (ports[i] == 's') {
            Faults f;
            f.silent = true;
            sim->SetFaults(f);
        }
        if (ports[i] == 'n')
            sim->SetNegativeReply(VUSimulator::AllParams, 0x22);
        sims.push_back(std::move(sim));
    }
    QString list;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(FindVUPort(&list), result);
    QCOMPARE(list, tried);
    qInfo("search took %lld ms", timer.elapsed());
}

QTEST_GUILESS_MAIN(tst_linksim)
#include "tst_linksim.moc"
