// The 24 reads of the unit information dialog through its worker thread against the simulated unit at
// 9600 baud: wall time against the time the bytes need on the line plus the unit's response time.
#include "link/CKR_HiProt.h"
#include "link/CKR_InfoUartThrd.h"
#include "link/UART.h"
#include "link/VUError.h"
#include "tools/vusim/VUSimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

using P = CKR_HiProt;

// The reading cycle of the information dialog, in its order.
const QList<P::T_ParamId> kInfoReads = {
    P::PID_VUPartNo,    P::PID_VUSerNo,      P::PID_VUSWVer,     P::PID_VUManufacturer,  P::PID_VehicleVIN,
    P::PID_MemberState, P::PID_VehicleRegNo, P::PID_VehicleTyre, P::PID_VehicleMaxSpeed, P::PID_VUHROdometer,
    P::PID_VUDateTime,  P::PID_VUOptions,    P::PID_SnsSerNo,    P::PID_SnsNumber,       P::PID_SnsPaired,
    P::PID_GPSData,     P::PID_VUSettings,   P::PID_MdmPIN,      P::PID_MdmAPN,          P::PID_MdmLogin,
    P::PID_MdmPassword, P::PID_MdmUpdate,    P::PID_MdmGlnURL,   P::PID_MdmMonitURL};

constexpr double kMsPerByte = 11000.0 / 9600.0;

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType aType, const QMessageLogContext&, const QString& aText) {
        if (aType != QtDebugMsg)
            std::fprintf(stderr, "%s\n", qPrintable(aText));
    });
    RegisterLinkMetaTypes();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    qputenv("VELMORA_SERIAL_DIR", dir.path().toLocal8Bit());
    VUSimulator unit;
    if (!unit.Start(dir.path(), 1)) {
        std::fprintf(stderr, "bench_inforeads: %s\n", qPrintable(unit.ErrorString()));
        return 1;
    }
    UART uart;
    if (uart.Open(1, 9600) != S_OK) {
        std::fprintf(stderr, "bench_inforeads: cannot open the port\n");
        return 1;
    }

    std::printf("24 information reads through CKR_InfoUartThrd, simulator response time %d ms\n",
                unit.ResponseTime());
    std::printf("%4s %10s %10s %10s %8s %12s\n", "run", "wall ms", "wire ms", "expect ms", "ratio",
                "tick gap ms");
    QList<double> ratios;
    for (int run = 1; run <= runs; ++run) {
        unit.ClearLog();
        int values = 0;
        bool failed = false;
        QEventLoop loop;
        CKR_InfoUartThrd worker(&uart);
        QObject::connect(&worker, &CKR_UartThrd::OnReadData, &loop, [&] { ++values; });
        QObject::connect(&worker, &CKR_UartThrd::OnReadComplete, &loop, &QEventLoop::quit);
        QObject::connect(&worker, &CKR_UartThrd::OnReadError, &loop, [&](P::T_ParamId aId, TKR_VUError aErr) {
            std::fprintf(stderr, "read of %d failed: 0x%x\n", aId, aErr);
            failed = true;
            loop.quit();
        });
        QTimer::singleShot(20000, &loop, [&] {
            failed = true;
            loop.quit();
        });
        // The thread that queues the reads must stay responsive: the longest gap between
        // its 5 ms ticks shows whether an exchange ever held it up.
        QElapsedTimer tick;
        qint64 longestStallNs = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
            longestStallNs = std::max(longestStallNs, tick.nsecsElapsed());
            tick.restart();
        });
        for (const P::T_ParamId id : kInfoReads)
            worker.AddRead(id);
        QElapsedTimer timer;
        timer.start();
        tick.start();
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.start(5);
        worker.start();
        loop.exec();
        const double wall = double(timer.nsecsElapsed()) / 1e6;
        worker.Stop();
        worker.wait();
        if (failed || values != int(kInfoReads.size())) {
            std::fprintf(stderr, "run %d failed (%d values)\n", run, values);
            return 1;
        }

        qint64 bytes = 0;
        int replies = 0;
        for (const VUSimulator::Request& r : unit.Log()) {
            bytes += r.frame.size() + r.reply.size();
            replies += r.reply.isEmpty() ? 0 : 1;
        }
        const double wire = double(bytes) * kMsPerByte;
        const double expected = wire + double(replies) * unit.ResponseTime();
        ratios.append(wall / expected);
        std::printf("%4d %10.1f %10.1f %10.1f %8.3f %12.1f\n", run, wall, wire, expected, wall / expected,
                    double(longestStallNs) / 1e6);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio %.3f (target <= 1.15)\n", ratios[ratios.size() / 2]);
    return 0;
}
