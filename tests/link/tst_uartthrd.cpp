#include "TestLog.h"
#include "link/CKR_ClbrUartThrd.h"
#include "link/CKR_FirstUartThrd.h"
#include "link/CKR_InfoUartThrd.h"
#include "link/TKR_VUDateTime.h"
#include "link/UART.h"
#include "tools/vusim/VUSimulator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using P = CKR_HiProt;

namespace {

QByteArray Hex(const char* aHex)
{
    return QByteArray::fromHex(aHex);
}

QString Code(TKR_VUError aErr)
{
    return QStringLiteral("0x%1").arg(aErr, 0, 16);
}

} // namespace

// Collects the worker's signals in the test's (GUI) thread, as they arrive there.
class Recorder : public QObject
{
    Q_OBJECT

public:
    explicit Recorder(CKR_UartThrd* aThread)
    {
        mTimer.start();
        connect(aThread, &CKR_UartThrd::OnReadData, this, [this](P::T_ParamId aId, const QVariant& aValue) {
            Add(QStringLiteral("RD %1 %2").arg(aId).arg(Text(aValue)));
        });
        connect(aThread, &CKR_UartThrd::OnReadComplete, this, [this] { Add("RC"); });
        connect(aThread, &CKR_UartThrd::OnReadError, this, [this](P::T_ParamId aId, TKR_VUError aErr) {
            Add(QStringLiteral("RE %1 %2").arg(aId).arg(Code(aErr)));
        });
        connect(aThread, &CKR_UartThrd::OnWriteData, this,
                [this](P::T_ParamId aId) { Add(QStringLiteral("WD %1").arg(aId)); });
        connect(aThread, &CKR_UartThrd::OnWriteComplete, this, [this] { Add("WC"); });
        connect(aThread, &CKR_UartThrd::OnWriteError, this, [this](P::T_ParamId aId, TKR_VUError aErr) {
            Add(QStringLiteral("WE %1 %2").arg(aId).arg(Code(aErr)));
        });
        connect(aThread, &CKR_UartThrd::OnPingData, this, [this](P::T_ParamId aId, const QVariant& aValue) {
            Add(QStringLiteral("PD %1 %2").arg(aId).arg(Text(aValue)));
        });
        connect(aThread, &CKR_UartThrd::OnPingError, this, [this](P::T_ParamId aId, TKR_VUError aErr) {
            Add(QStringLiteral("PE %1 %2").arg(aId).arg(Code(aErr)));
        });
    }

    // Every signal but the pings.
    QStringList Requests() const
    {
        QStringList out;
        for (const QString& e : mEvents)
            if (!e.startsWith('P'))
                out << e;
        return out;
    }
    QStringList Pings() const
    {
        QStringList out;
        for (const QString& e : mEvents)
            if (e.startsWith('P'))
                out << e;
        return out;
    }
    QList<qint64> PingTimes() const
    {
        QList<qint64> out;
        for (int i = 0; i < mEvents.size(); ++i)
            if (mEvents[i].startsWith('P'))
                out << mTimes[i];
        return out;
    }
    QStringList mEvents;
    QList<qint64> mTimes;

private:
    static QString Text(const QVariant& aValue)
    {
        return QStringLiteral("%1:'%2'").arg(aValue.metaType().name(), aValue.toString());
    }
    void Add(const QString& aEvent)
    {
        mEvents << aEvent;
        mTimes << mTimer.elapsed();
    }
    QElapsedTimer mTimer;
};

class tst_uartthrd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void mixedQueues_data();
    void mixedQueues();
    void tolerance_data();
    void tolerance();
    void clearWhileUnderWay();
    void failureParksWorker();
    void destructionNeverHangs_data();
    void destructionNeverHangs();
    void infoPingAlternates();
    void pingIntervals_data();
    void pingIntervals();
    void pingDroppedWhenWorkArrives();
    void pingRefusedGnss();
    void pingFailureParks();

private:
    template <class T> std::unique_ptr<CKR_UartThrd> Make() { return std::make_unique<T>(mPort.get()); }

    QTemporaryDir mDir;
    std::unique_ptr<VUSimulator> mUnit;
    std::unique_ptr<UART> mPort;
};

void tst_uartthrd::initTestCase()
{
    RegisterLinkMetaTypes();
    qputenv("VELMORA_SERIAL_DIR", mDir.path().toLocal8Bit());
}

void tst_uartthrd::init()
{
    mUnit = std::make_unique<VUSimulator>();
    // Held, so that a read of the clock gives the very value set here.
    mUnit->HoldVUClock(true);
    mUnit->SetRawValue(P::PID_VUDateTime, Hex("442A0E0C19290003"));
    mUnit->SetRawValue(P::PID_GPSData, "$GPRMC,1");
    mUnit->SetRawValue(P::PID_Speed, Hex("00")); // the counter stands still
    mUnit->SetRawValue(P::PID_ImpCounter, Hex("05000000"));
    mUnit->SetRawValue(P::PID_KConst, Hex("401F"));
    mUnit->SetRawValue(P::PID_LConst, Hex("DC05"));
    mUnit->SetRawValue(P::PID_WConst, Hex("3C1F"));
    mUnit->SetRawValue(P::PID_MdmAPN, "apn");
    mUnit->SetRawValue(P::PID_MdmUpdate, Hex("01"));
    QVERIFY2(mUnit->Start(mDir.path(), 1), qPrintable(mUnit->ErrorString()));
    mPort = std::make_unique<UART>();
    QCOMPARE(mPort->Open(1, 9600), int(S_OK));
}

void tst_uartthrd::cleanup()
{
    mPort.reset();
    mUnit.reset();
}

// Requests: "r ID" or "w ID"; the signals without the pings.
void tst_uartthrd::mixedQueues_data()
{
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("signals_");
    const QString k = QString::number(P::PID_KConst);
    const QString l = QString::number(P::PID_LConst);
    const QString w = QString::number(P::PID_WConst);
    QTest::newRow("three reads") << QStringList{"r " + k, "r " + l, "r " + w}
                                 << QStringList{"RD " + k + " qulonglong:'8000'",
                                                "RD " + l + " qulonglong:'1500'",
                                                "RD " + w + " qulonglong:'7996'", "RC"};
    QTest::newRow("read, write") << QStringList{"r " + k, "w " + l}
                                 << QStringList{"RD " + k + " qulonglong:'8000'", "WD " + l, "WC"};
    QTest::newRow("write, read") << QStringList{"w " + l, "r " + l}
                                 << QStringList{"WD " + l, "RD " + l + " qulonglong:'900'", "RC"};
    QTest::newRow("two writes") << QStringList{"w " + k, "w " + w} << QStringList{"WD " + k, "WD " + w, "WC"};
    QTest::newRow("clock")
        << QStringList{"r " + QString::number(P::PID_VUDateTime)}
        << QStringList{"RD 63755 qulonglong:'" +
                           QString::number(
                               TKR_VUDateTime(QDateTime(QDate(2026, 12, 7), QTime(14, 42, 17), Qt::UTC), 180)
                                   .ToVariant()
                                   .toULongLong()) +
                           "'",
                       "RC"};
}

void tst_uartthrd::mixedQueues()
{
    QFETCH(QStringList, requests);
    QFETCH(QStringList, signals_);
    // Each reply takes a while, so that all requests are queued before the first one is done.
    for (const int id : {P::PID_KConst, P::PID_LConst, P::PID_WConst, P::PID_VUDateTime})
        mUnit->SetReplyDelay(id, 60);
    auto thread = Make<CKR_ClbrUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    for (const QString& r : requests) {
        const int id = r.mid(2).toInt();
        if (r.startsWith('w'))
            thread->AddWrite(id, 900);
        else
            thread->AddRead(id);
    }
    QTRY_COMPARE_WITH_TIMEOUT(rec.Requests(), signals_, 3000);
    QTest::qWait(100);
    QCOMPARE(rec.Requests(), signals_); // nothing after the completion
}

void tst_uartthrd::tolerance_data()
{
    QTest::addColumn<bool>("write");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("reason"); // refusal, -1 none
    QTest::addColumn<QStringList>("signals_");
    QTest::addColumn<int>("modemLines");
    QTest::newRow("modem read out of range")
        << false << 50 << 0x31 << QStringList{"RD 50 QString:''", "RC"} << 1;
    QTest::newRow("modem PIN") << false << 49 << 0x31 << QStringList{"RD 49 QString:''", "RC"} << 1;
    QTest::newRow("modem write out of range") << true << 54 << 0x31 << QStringList{"WD 54", "WC"} << 1;
    QTest::newRow("modem other reason") << false << 50 << 0x22 << QStringList{"RE 50 0x80000022"} << 0;
    QTest::newRow("modem update not tolerated")
        << false << 55 << 0x31 << QStringList{"RE 55 0x80000031"} << 0;
    QTest::newRow("not in the table") << false << 48 << -1 << QStringList{"RE 48 0x40000001"} << 0;
    QTest::newRow("GNSS refused") << false << 65 << 0x22 << QStringList{"RD 65 QString:''", "RC"} << 0;
    QTest::newRow("GNSS out of range") << false << 65 << 0x31 << QStringList{"RD 65 QString:''", "RC"} << 0;
    QTest::newRow("GNSS write refused") << true << 65 << 0x22 << QStringList{"WE 65 0x80000022"} << 0;
    QTest::newRow("modem read works") << false << 50 << -1 << QStringList{"RD 50 QString:'apn'", "RC"} << 0;
}

void tst_uartthrd::tolerance()
{
    QFETCH(bool, write);
    QFETCH(int, id);
    QFETCH(int, reason);
    QFETCH(QStringList, signals_);
    QFETCH(int, modemLines);
    if (reason >= 0)
        mUnit->SetNegativeReply(id, quint8(reason));
    TestLog log;
    auto thread = Make<CKR_ClbrUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    if (write)
        thread->AddWrite(id, QStringLiteral("x"));
    else
        thread->AddRead(id);
    QTRY_COMPARE_WITH_TIMEOUT(rec.Requests(), signals_, 3000);
    thread.reset();
    QCOMPARE(log.Count("!!! Modem Error ROOR correction"), modemLines);
}

void tst_uartthrd::clearWhileUnderWay()
{
    mUnit->SetReplyDelay(P::PID_KConst, 300);
    auto thread = Make<CKR_ClbrUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    thread->AddRead(P::PID_KConst);
    QTRY_VERIFY_WITH_TIMEOUT(mUnit->RequestCount() >= 1, 2000);
    thread->Clear();
    thread->AddRead(P::PID_LConst); // a new cycle started at once must not get the old result
    QTRY_COMPARE_WITH_TIMEOUT(rec.Requests(), (QStringList{"RD 63772 qulonglong:'1500'", "RC"}), 3000);
    QTest::qWait(400);
    QCOMPARE(rec.Requests(), (QStringList{"RD 63772 qulonglong:'1500'", "RC"}));
}

void tst_uartthrd::failureParksWorker()
{
    mUnit->SetNegativeReply(P::PID_LConst, 0x22);
    auto thread = Make<CKR_InfoUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    thread->AddRead(P::PID_KConst);
    thread->AddRead(P::PID_LConst);
    thread->AddRead(P::PID_WConst);
    thread->AddWrite(P::PID_KConst, 1);
    QTRY_COMPARE_WITH_TIMEOUT(rec.Requests(),
                              (QStringList{"RD 63768 qulonglong:'8000'", "RE 63772 0x80000022"}), 3000);
    const int frames = mUnit->RequestCount();
    QCOMPARE(frames, 2);
    thread->AddRead(P::PID_KConst); // a parked worker serves nothing, and polls nothing
    QTest::qWait(800);
    QCOMPARE(mUnit->RequestCount(), frames);
    QCOMPARE(rec.mEvents, (QStringList{"RD 63768 qulonglong:'8000'", "RE 63772 0x80000022"}));

    QElapsedTimer timer;
    timer.start();
    thread.reset(); // Stop releases it
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

void tst_uartthrd::destructionNeverHangs_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("limitMs");
    QTest::newRow("never started") << "created" << 100;
    QTest::newRow("idle") << "idle" << 300;
    QTest::newRow("serving a slow unit") << "serving" << 2500; // at most one exchange of three attempts
    QTest::newRow("parked") << "parked" << 300;
    QTest::newRow("queue full") << "queue" << 800;
}

void tst_uartthrd::destructionNeverHangs()
{
    QFETCH(QString, state);
    QFETCH(int, limitMs);
    mUnit->SetReplyDelay(P::PID_WConst, 1000);
    mUnit->SetNegativeReply(P::PID_LConst, 0x13);
    std::unique_ptr<CKR_UartThrd> thread = Make<CKR_FirstUartThrd>();
    Recorder rec(thread.get());
    if (state != "created")
        thread->start();
    if (state == "serving")
        thread->AddRead(P::PID_WConst);
    if (state == "parked")
        thread->AddRead(P::PID_LConst);
    if (state == "queue")
        for (int i = 0; i < 100; ++i)
            thread->AddRead(P::PID_KConst);
    if (state == "parked")
        QTRY_COMPARE_WITH_TIMEOUT(rec.Requests(), QStringList{"RE 63772 0x80000013"}, 3000);
    else
        QTest::qWait(150);
    QElapsedTimer timer;
    timer.start();
    thread.reset();
    QVERIFY2(timer.elapsed() < 10 * limitMs, qPrintable(QString::number(timer.elapsed())));
}

void tst_uartthrd::infoPingAlternates()
{
    auto thread = Make<CKR_InfoUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(rec.Pings().size() >= 3, 3000);
    // Work in between: the next poll starts again with the clock.
    thread->AddRead(P::PID_KConst);
    QTRY_VERIFY_WITH_TIMEOUT(rec.Requests().size() == 2, 3000);
    const int before = int(rec.Pings().size());
    QTRY_VERIFY_WITH_TIMEOUT(rec.Pings().size() >= before + 2, 3000);
    thread.reset();

    QStringList ids;
    for (const QString& p : rec.Pings())
        ids << p.section(' ', 1, 1);
    const QString clock = QString::number(P::PID_VUDateTime);
    const QString gnss = QString::number(P::PID_GPSData);
    QCOMPARE(ids.mid(0, 3), (QStringList{clock, gnss, clock}));
    QCOMPARE(ids.mid(before, 2), (QStringList{clock, gnss}));
    QVERIFY(rec.Pings().contains("PD 65 QString:'$GPRMC,1'"));
}

void tst_uartthrd::pingIntervals_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("waitMs");
    QTest::newRow("calibration") << "clbr" << QString::number(P::PID_ImpCounter) << 480;
    QTest::newRow("first activation") << "first" << QString::number(P::PID_VUDateTime) << 800;
    QTest::newRow("information") << "info" << QString() << 300;
}

void tst_uartthrd::pingIntervals()
{
    QFETCH(QString, kind);
    QFETCH(QString, id);
    QFETCH(int, waitMs);
    std::unique_ptr<CKR_UartThrd> thread = kind == "clbr"    ? Make<CKR_ClbrUartThrd>()
                                           : kind == "first" ? Make<CKR_FirstUartThrd>()
                                                             : Make<CKR_InfoUartThrd>();
    Recorder rec(thread.get());
    QElapsedTimer timer;
    timer.start();
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(rec.Pings().size() >= 3, 4000);
    thread.reset();
    const QList<qint64> times = rec.PingTimes();
    for (int i = 1; i < 3; ++i) {
        const qint64 gap = times[i] - times[i - 1];
        QVERIFY2(gap >= waitMs - 30 && gap < waitMs + 250, qPrintable(QString::number(gap)));
    }
    if (!id.isEmpty())
        for (const QString& p : rec.Pings())
            QCOMPARE(p.section(' ', 1, 1), id);
    QVERIFY(rec.Pings().first().startsWith("PD "));
}

void tst_uartthrd::pingDroppedWhenWorkArrives()
{
    mUnit->SetReplyDelay(P::PID_ImpCounter, 300);
    auto thread = Make<CKR_ClbrUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(mUnit->RequestCount() >= 1, 2000); // the poll is on the line
    thread->AddRead(P::PID_KConst);
    QTRY_COMPARE_WITH_TIMEOUT(rec.mEvents, (QStringList{"RD 63768 qulonglong:'8000'", "RC"}), 3000);
}

void tst_uartthrd::pingRefusedGnss()
{
    mUnit->SetNegativeReply(P::PID_GPSData, 0x31);
    auto thread = Make<CKR_InfoUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(rec.Pings().size() >= 3, 3000);
    thread.reset();
    QCOMPARE(rec.Pings().mid(1, 1), QStringList{"PD 65 QString:''"});
    QVERIFY(rec.Pings()[2].startsWith("PD 63755 qulonglong:"));
}

void tst_uartthrd::pingFailureParks()
{
    VUSimulator::Faults deadAfterOne;
    deadAfterOne.deadAfterFrames = 1;
    mUnit->SetFaults(deadAfterOne);
    auto thread = Make<CKR_ClbrUartThrd>();
    Recorder rec(thread.get());
    thread->start();
    QTRY_COMPARE_WITH_TIMEOUT(rec.mEvents, (QStringList{"PD 1 qulonglong:'5'", "PE 1 0x4"}), 5000);
    const int frames = mUnit->RequestCount();
    QCOMPARE(frames, 4); // one poll answered, one unanswered three times
    thread->AddRead(P::PID_KConst);
    QTest::qWait(700);
    QCOMPARE(mUnit->RequestCount(), frames);
    QCOMPARE(rec.mEvents.size(), 2);
    QElapsedTimer timer;
    timer.start();
    thread.reset();
    QVERIFY(timer.elapsed() < 3000);
}

QTEST_MAIN(tst_uartthrd)
#include "tst_uartthrd.moc"
