// Fault soak: thousands of queued reads and writes through the dialogs' worker and the real serial
// stack, against the simulated unit while it injects a random mix of its faults. A worker parks after
// a failure, so a new one takes over, as a new dialog would; now and then a worker is closed in the
// middle of its queue. Checked throughout:
//  - every request gets at most one result, in queue order, and a parked worker emits nothing more;
//  - a write reported done is in the unit's store byte for byte; a failed or unanswered write left
//    the value of an earlier write (or the value from before);
//  - no exchange takes longer than the link's limit for three attempts; closing a worker never hangs;
//  - the heap stays flat once warmed up.
// Usage: faultsoak [REQUESTS [SEED]]  (prints its figures; exit code 0 when every check held)
#include "link/CKR_InfoUartThrd.h"
#include "link/UART.h"
#include "tools/vusim/VUSimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <malloc.h>
#include <memory>

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's count of live heap bytes (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using P = CKR_HiProt;
constexpr int kPort = 5;
// Written parameters. No modem parameter: a refusal of those as out of range counts as done by design
// (units without a modem), so the store check would not hold for them.
constexpr P::T_ParamId kWrites[] = {P::PID_KConst, P::PID_VehicleMaxSpeed, P::PID_VehicleVIN,
                                    P::PID_VehicleTyre, P::PID_VUPartNo};

// Bytes of live heap: with AddressSanitizer its own count (its quarantine would hide a leak in the
// process size), else the C library's.
qint64 LiveHeap()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    return qint64(mallinfo2().uordblks);
#endif
}

struct Request
{
    bool write = false;
    P::T_ParamId id = 0;
    QVariant value;
};

// What the worker signalled, stamped on its own thread.
struct Result
{
    enum Kind
    {
        ReadData,
        WriteData,
        ReadError,
        WriteError,
        PingData,
        PingError,
    };
    Kind kind;
    P::T_ParamId id;
    qint64 atMs;
};

class Recorder
{
public:
    void Add(Result::Kind aKind, P::T_ParamId aId, qint64 aAtMs)
    {
        QMutexLocker lock(&mMutex);
        mResults.append({aKind, aId, aAtMs});
    }
    QList<Result> Take()
    {
        QMutexLocker lock(&mMutex);
        return std::exchange(mResults, {});
    }

private:
    QMutex mMutex;
    QList<Result> mResults;
};

struct Figures
{
    int requests = 0;
    int done = 0;
    int failed = 0;
    int unanswered = 0;
    int workers = 0;
    int closedBusy = 0;
    int unitOutages = 0;
    qint64 longestExchangeMs = 0;
    qint64 longestCloseMs = 0;
    QList<QString> violations;
};

class Soak
{
public:
    Soak(int aRequests, quint32 aSeed) : mTotal(aRequests), mRandom(aSeed) {}

    bool Run(Figures& aFig);

private:
    Request NextRequest();
    void InjectFault();
    // Runs aBatch on a new worker until every request is answered or the worker fails; returns the
    // requests that got no result.
    QList<Request> RunWorker(const QList<Request>& aBatch, Figures& aFig);
    void CheckStore(Figures& aFig);
    void Violation(Figures& aFig, const QString& aText) { aFig.violations.append(aText); }

    int mTotal;
    QRandomGenerator mRandom;
    QTemporaryDir mDir;
    VUSimulator mUnit;
    QElapsedTimer mClock;
    qint64 mExchangeLimitMs = 0;
    // Per written parameter: the values the store may hold now (the last write reported done, and
    // any written later without a success).
    QHash<P::T_ParamId, QList<QByteArray>> mAllowed;
    int mSerial = 0;
    int mFaultsInjected[9] = {};
};

Request Soak::NextRequest()
{
    static const P::T_ParamId reads[] = {P::PID_KConst,      P::PID_VUSerNo, P::PID_VehicleVIN,
                                         P::PID_VUDateTime,  P::PID_GPSData, P::PID_VehicleRegNo,
                                         P::PID_VehicleTyre, P::PID_MdmAPN};
    Request r;
    r.write = mRandom.bounded(2) == 0;
    if (!r.write) {
        r.id = reads[mRandom.bounded(int(std::size(reads)))];
        return r;
    }
    r.id = kWrites[mRandom.bounded(int(std::size(kWrites)))];
    ++mSerial;
    switch (r.id) {
    case P::PID_KConst:
    case P::PID_VehicleMaxSpeed:
        r.value = quint64(mSerial % 60000 + 1);
        break;
    case P::PID_VehicleVIN:
        r.value = QStringLiteral("XTA%1").arg(mSerial, 14, 10, QLatin1Char('0'));
        break;
    case P::PID_VehicleTyre:
        r.value = QStringLiteral("%1/80 R22,5").arg(mSerial % 1000);
        break;
    default:
        r.value = QStringLiteral("VT-%1").arg(mSerial);
        break;
    }
    return r;
}

// One fault for the next few requests, or none; the unit going away is handled by RunWorker.
void Soak::InjectFault()
{
    VUSimulator::Faults f;
    // A fault lasts one to four requests (attempts count), so that some are recovered by a retry and
    // some use up all three attempts.
    f.count = 1 + mRandom.bounded(4);
    const int kind = mRandom.bounded(9);
    ++mFaultsInjected[kind];
    switch (kind) {
    case 0:
        f.silent = true;
        break;
    case 1:
        f.lateFirstByteMs = mRandom.bounded(700);
        break;
    case 2:
        f.gapAfterBytes = 1 + mRandom.bounded(6);
        f.gapMs = mRandom.bounded(300);
        break;
    case 3:
        f.badChecksum = true;
        break;
    case 4:
        f.badAddress = true;
        break;
    case 5:
        f.badFirstByte = true;
        break;
    case 6:
        f.byteAtATime = true;
        break;
    default:
        mUnit.SetNegativeReply(VUSimulator::AllParams, mRandom.bounded(2) ? 0x22 : 0x31);
        return;
    }
    mUnit.SetFaults(f);
}

QList<Request> Soak::RunWorker(const QList<Request>& aBatch, Figures& aFig)
{
    ++aFig.workers;
    UART port;
    if (port.Open(kPort, 9600) != 0) {
        // The unit is away: as a dialog would, try again shortly.
        QThread::msleep(50);
        return aBatch;
    }
    Recorder recorder;
    auto worker = std::make_unique<CKR_InfoUartThrd>(&port);
    CKR_UartThrd* w = worker.get();
    const auto stamp = [this] { return mClock.elapsed(); };
    // Direct connections: each result is stamped on the worker's thread the moment it is emitted.
    QObject::connect(
        w, &CKR_UartThrd::OnReadData, w,
        [&](P::T_ParamId id, QVariant) { recorder.Add(Result::ReadData, id, stamp()); },
        Qt::DirectConnection);
    QObject::connect(
        w, &CKR_UartThrd::OnWriteData, w,
        [&](P::T_ParamId id) { recorder.Add(Result::WriteData, id, stamp()); }, Qt::DirectConnection);
    QObject::connect(
        w, &CKR_UartThrd::OnReadError, w,
        [&](P::T_ParamId id, TKR_VUError) { recorder.Add(Result::ReadError, id, stamp()); },
        Qt::DirectConnection);
    QObject::connect(
        w, &CKR_UartThrd::OnWriteError, w,
        [&](P::T_ParamId id, TKR_VUError) { recorder.Add(Result::WriteError, id, stamp()); },
        Qt::DirectConnection);
    QObject::connect(
        w, &CKR_UartThrd::OnPingData, w,
        [&](P::T_ParamId id, QVariant) { recorder.Add(Result::PingData, id, stamp()); },
        Qt::DirectConnection);
    QObject::connect(
        w, &CKR_UartThrd::OnPingError, w,
        [&](P::T_ParamId id, TKR_VUError) { recorder.Add(Result::PingError, id, stamp()); },
        Qt::DirectConnection);

    const qint64 started = mClock.elapsed();
    for (const Request& r : aBatch) {
        if (r.write)
            w->AddWrite(r.id, r.value);
        else
            w->AddRead(r.id);
    }
    w->start();

    // Now and then the dialog is closed while the queue is full, or the unit goes away mid-queue.
    const bool closeEarly = mRandom.bounded(15) == 0;
    const bool pullUnit = !closeEarly && mRandom.bounded(25) == 0;
    const qint64 stopAtMs = started + mRandom.bounded(300);

    QList<Result> results;
    bool failed = false;
    bool unitPulled = false;
    while (!failed) {
        QThread::msleep(2);
        const QList<Result> now = recorder.Take();
        for (const Result& r : now) {
            if (r.kind == Result::PingData)
                continue;
            results.append(r);
            failed = failed || r.kind == Result::ReadError || r.kind == Result::WriteError ||
                     r.kind == Result::PingError;
        }
        qsizetype answered = 0;
        for (const Result& r : results)
            answered += r.kind == Result::PingError ? 0 : 1;
        if (answered >= aBatch.size())
            break;
        if (pullUnit && !unitPulled && mClock.elapsed() >= stopAtMs) {
            ++aFig.unitOutages;
            unitPulled = true;
            mUnit.Stop();
        }
        if (closeEarly && mClock.elapsed() >= stopAtMs) {
            ++aFig.closedBusy;
            break;
        }
        // A worker that neither answers nor fails within every exchange's limit hangs.
        if (mClock.elapsed() - started > (aBatch.size() + 1) * mExchangeLimitMs) {
            Violation(aFig, QStringLiteral("worker silent for %1 ms").arg(mClock.elapsed() - started));
            break;
        }
    }
    if (failed) {
        // A parked worker stays silent.
        QThread::msleep(mRandom.bounded(2) ? 0 : 400);
    }

    QElapsedTimer closing;
    closing.start();
    worker.reset();
    aFig.longestCloseMs = std::max(aFig.longestCloseMs, closing.elapsed());
    if (closing.elapsed() > mExchangeLimitMs)
        Violation(aFig, QStringLiteral("closing a worker took %1 ms").arg(closing.elapsed()));
    port.Close();
    for (const Result& r : recorder.Take())
        if (r.kind != Result::PingData)
            results.append(r);

    if (unitPulled) {
        // Back after a while on a new pseudo-terminal, with what it stored.
        QThread::msleep(mRandom.bounded(200));
        if (!mUnit.Start(mDir.path(), kPort))
            Violation(aFig, QStringLiteral("unit did not come back: %1").arg(mUnit.ErrorString()));
    }

    // Results in queue order, at most one each, nothing after an error.
    qint64 previousMs = started;
    qsizetype next = 0;
    bool sawError = false;
    for (const Result& r : results) {
        if (sawError) {
            Violation(aFig, QStringLiteral("signal after the worker's error (id %1)").arg(r.id));
            break;
        }
        aFig.longestExchangeMs = std::max(aFig.longestExchangeMs, r.atMs - previousMs);
        if (r.kind != Result::PingError && r.atMs - previousMs > mExchangeLimitMs)
            Violation(aFig, QStringLiteral("exchange took %1 ms").arg(r.atMs - previousMs));
        previousMs = r.atMs;
        if (r.kind == Result::PingError) {
            sawError = true;
            continue;
        }
        if (next >= aBatch.size()) {
            Violation(aFig, QStringLiteral("more results than requests"));
            break;
        }
        const Request& q = aBatch[next++];
        const bool isWrite = r.kind == Result::WriteData || r.kind == Result::WriteError;
        if (q.id != r.id || q.write != isWrite) {
            Violation(aFig, QStringLiteral("result for id %1 where id %2 was next").arg(r.id).arg(q.id));
            break;
        }
        const bool ok = r.kind == Result::ReadData || r.kind == Result::WriteData;
        ok ? ++aFig.done : ++aFig.failed;
        sawError = !ok;
        if (!q.write)
            continue;
        QByteArray bytes;
        P::EncodeValue(q.id, q.value, bytes);
        if (ok)
            mAllowed[q.id] = {bytes};
        else
            mAllowed[q.id].append(bytes);
    }
    // Writes without a result may have reached the unit too.
    const QList<Request> rest = aBatch.mid(next);
    for (const Request& q : rest) {
        if (!q.write)
            continue;
        QByteArray bytes;
        P::EncodeValue(q.id, q.value, bytes);
        mAllowed[q.id].append(bytes);
    }
    CheckStore(aFig);
    return rest;
}

void Soak::CheckStore(Figures& aFig)
{
    for (auto it = mAllowed.cbegin(); it != mAllowed.cend(); ++it) {
        const QByteArray stored = mUnit.RawValue(it.key());
        if (!it.value().contains(stored)) {
            QStringList allowed;
            for (const QByteArray& bytes : it.value())
                allowed << QString::fromLatin1(bytes);
            QStringList seen;
            for (const VUSimulator::Request& r : mUnit.Log())
                if (r.id == it.key())
                    seen << QStringLiteral("%1%2%3").arg(
                        r.service == 0x2E ? QStringLiteral("write ") : QStringLiteral("read "),
                        QString::fromLatin1(r.value),
                        r.reply.isEmpty() ? QStringLiteral(" (no reply)") : QString());
            Violation(aFig, QStringLiteral("store of id %1 holds '%2', none of the written values [%3]; the "
                                           "unit got: %4")
                                .arg(it.key())
                                .arg(QString::fromLatin1(stored), allowed.join(QStringLiteral(", ")),
                                     seen.join(QStringLiteral("; "))));
        }
        // What the store holds is now the only value allowed.
        mAllowed[it.key()] = {stored};
    }
}

bool Soak::Run(Figures& aFig)
{
    RegisterLinkMetaTypes();
    if (!mDir.isValid())
        return false;
    qputenv("VELMORA_SERIAL_DIR", mDir.path().toLocal8Bit());
    mUnit.SetPacing(false);
    if (!mUnit.Start(mDir.path(), kPort)) {
        std::fprintf(stderr, "vusim: %s\n", qPrintable(mUnit.ErrorString()));
        return false;
    }
    {
        // Three attempts at the longest frames, each read waiting out its limit, and some slack for
        // a busy machine.
        UART port;
        port.Open(kPort, 9600);
        const int attempt = port.TransferTime(258, 0) + port.TransferTime(1, P::ReplyAllowanceMs) + 75 +
                            port.TransferTime(3, 0) + 75 + port.TransferTime(256, 0) + 75;
        mExchangeLimitMs = 3 * attempt + 500;
    }
    for (const P::T_ParamId id : kWrites)
        mAllowed[id] = {mUnit.RawValue(id)};
    mClock.start();

    QList<Request> pending;
    qint64 heapAtWarmUp = -1;
    qint64 heapPeak = 0;
    while (aFig.requests < mTotal || !pending.isEmpty()) {
        while (pending.size() < 20 && aFig.requests < mTotal) {
            pending.append(NextRequest());
            ++aFig.requests;
        }
        mUnit.ClearFaults();
        if (mRandom.bounded(2) == 0)
            InjectFault();
        // Requests dropped by a failure or a close are not asked again: a dialog would start afresh.
        aFig.unanswered += int(RunWorker(pending, aFig).size());
        pending.clear();
        mUnit.ClearLog();
        if (heapAtWarmUp < 0 && aFig.requests >= mTotal / 5)
            heapAtWarmUp = LiveHeap();
        heapPeak = std::max(heapPeak, LiveHeap());
        if (aFig.requests % 1000 < 20)
            std::fprintf(stderr, "%d requests, %lld ms\n", aFig.requests, mClock.elapsed());
    }
    const qint64 heapEnd = LiveHeap();
    std::printf("requests %d: done %d, failed %d, without result %d; workers %d (closed busy %d), unit "
                "outages %d\n",
                aFig.requests, aFig.done, aFig.failed, aFig.unanswered, aFig.workers, aFig.closedBusy,
                aFig.unitOutages);
    std::printf("faults injected: silent %d, late %d, gap %d, checksum %d, address %d, first byte %d, "
                "byte at a time %d, negative %d\n",
                mFaultsInjected[0], mFaultsInjected[1], mFaultsInjected[2], mFaultsInjected[3],
                mFaultsInjected[4], mFaultsInjected[5], mFaultsInjected[6],
                mFaultsInjected[7] + mFaultsInjected[8]);
    std::printf("time %.1f s; longest exchange %lld ms (limit %lld); longest close %lld ms\n",
                mClock.elapsed() / 1000.0, aFig.longestExchangeMs, mExchangeLimitMs, aFig.longestCloseMs);
    std::printf("live heap: %.2f MB after warm-up, %.2f MB peak, %.2f MB at the end\n", heapAtWarmUp / 1e6,
                heapPeak / 1e6, heapEnd / 1e6);
    // Flat: no growth beyond what a few batches of requests hold at once.
    if (heapAtWarmUp >= 0 && heapEnd - heapAtWarmUp > 2'000'000)
        Violation(aFig, QStringLiteral("heap grew by %1 bytes").arg(heapEnd - heapAtWarmUp));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int requests = args.size() > 1 ? args[1].toInt() : 1000;
    const quint32 seed = args.size() > 2 ? args[2].toUInt() : QRandomGenerator::global()->generate();
    std::printf("seed %u\n", seed);
    std::fflush(stdout);
    Figures figures;
    Soak soak(requests, seed);
    if (!soak.Run(figures))
        return 2;
    for (const QString& v : figures.violations)
        std::printf("VIOLATION: %s\n", qPrintable(v));
    return figures.violations.isEmpty() && figures.done > 0 ? 0 : 1;
}
