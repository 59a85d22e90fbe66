// The simulated unit inside the program (the training unit where there are no pseudo-terminals): offered
// as port 3, it is found by the port search and answers the real serial stack, one port user at a time.
// Runs on Linux under ctest and on Windows under Wine (scripts/test-windows.sh).
#include "link/CKR_HiProt.h"
#include "link/CKR_VUPortFindThrd.h"
#include "link/UART.h"
#include "tools/vusim/SimulatedLine.h"
#include "tools/vusim/VUSimulator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using P = CKR_HiProt;
constexpr int kPort = 3;

} // namespace

class tst_simulatedline : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mNoPorts; // on Linux: a port folder without ports, so that only the offered line answers
    VUSimulator mUnit;
    std::shared_ptr<SimulatedLine> mLine = std::make_shared<SimulatedLine>(mUnit);

private slots:
    void initTestCase()
    {
        qputenv("VELMORA_SERIAL_DIR", QFile::encodeName(mNoPorts.path()));
        UnitLine::Offer(kPort, mLine);
    }

    void cleanupTestCase() { UnitLine::Offer(kPort, nullptr); }

    void init()
    {
        mUnit.ResetValues();
        mUnit.ClearFaults();
    }

    void portSearchFindsTheUnit() { QCOMPARE(FindVUPort(), kPort); }

    void readsAndWritesThroughTheSerialStack()
    {
        UART port;
        QCOMPARE(port.Open(kPort, 9600), int(S_OK));
        CKR_HiProt unit(&port);
        QVariant vin;
        QVERIFY(unit.ReadParam(P::PID_VehicleVIN, vin));
        QCOMPARE(vin, mUnit.Value(P::PID_VehicleVIN));

        const quint64 k = mUnit.Value(P::PID_KConst).toULongLong() % 60000 + 17;
        QVERIFY(unit.WriteParam(P::PID_KConst, QVariant::fromValue(k)));
        QCOMPARE(mUnit.Value(P::PID_KConst).toULongLong(), k);
        QVariant read;
        QVERIFY(unit.ReadParam(P::PID_KConst, read));
        QCOMPARE(read.toULongLong(), k);
        // A refusal comes back as the unit's negative reply.
        mUnit.SetNegativeReply(P::PID_KConst, 0x22);
        QVERIFY(!unit.ReadParam(P::PID_KConst, read));
        QCOMPARE(unit.LastError(), TKR_VUError(0x80000022));
    }

    // The exchange takes the time of a 9600-baud line: 8 + 3 request bytes, 5 ms, 8 + 5 reply bytes.
    void repliesComeAtTheLinePace()
    {
        UART port;
        QCOMPARE(port.Open(kPort, 9600), int(S_OK));
        CKR_HiProt unit(&port);
        QVariant k;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(unit.ReadParam(P::PID_KConst, k));
        QVERIFY2(timer.elapsed() >= 25, qPrintable(QString::number(timer.elapsed())));
    }

    void oneUserAtATime()
    {
        UART first;
        UART second;
        QCOMPARE(first.Open(kPort, 9600), int(S_OK));
        QCOMPARE(second.Open(kPort, 9600), int(E_UART));
        QCOMPARE(second.LastOpenFault(), UART::OpenFault::Busy);
        first.Close();
        QCOMPARE(second.Open(kPort, 9600), int(S_OK));
    }

    void silentUnitIsNoReply()
    {
        VUSimulator::Faults silent;
        silent.silent = true;
        mUnit.SetFaults(silent);
        UART port;
        QCOMPARE(port.Open(kPort, 9600), int(S_OK));
        CKR_HiProt unit(&port);
        QVariant value;
        QVERIFY(!unit.ReadParam(P::PID_KConst, value));
        QCOMPARE(unit.LastError(), TKR_VUError(VUErr::NoReply));
    }
};

QTEST_GUILESS_MAIN(tst_simulatedline)
#include "tst_simulatedline.moc"
