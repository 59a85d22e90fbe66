#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <atomic>
#include <thread>

// A simulated vehicle unit on a pseudo-terminal. It answers reads (0x22) and writes (0x2E) of every
// identifier of the parameter table from a store of raw value bytes, paces its replies like a 9600-baud
// line and injects faults on request. As on a half-duplex line, a request that comes in while a reply
// is still pending or under way breaks that reply off. The pty slave is offered as aDir/COM<aPort>, so the
// program's UART finds it when VELMORA_SERIAL_DIR names aDir. Start and Stop belong to the owner; everything
// else may be called from any thread.
class VUSimulator
{
public:
    // One request as the unit saw it.
    struct Request
    {
        QByteArray frame; // everything received for this request, checksum included
        bool checksumOk = false;
        quint8 target = 0;  // address byte 1 of the frame
        quint8 source = 0;  // address byte 2
        quint8 service = 0; // first data byte (0 when the frame has no data)
        int id = -1;        // parameter identifier, -1 when the data is shorter than 3 bytes
        QByteArray value;   // write: the value bytes after the identifier
        QByteArray reply;   // the frame sent back, empty when the unit stayed silent
    };

    // Faults applied to the replies. With count > 0 they apply to that many more requests only (each
    // request counts, answered or not), then the unit behaves again; -1: until changed; 0: none.
    struct Faults
    {
        bool silent = false;     // no reply at all
        int lateFirstByteMs = 0; // extra delay before the first reply byte
        int gapAfterBytes = 0;   // with gapMs > 0: pause after this many reply bytes
        int gapMs = 0;
        bool badChecksum = false;  // checksum byte off by one
        bool badAddress = false;   // reply addressed to another tester (0xF1)
        bool badFirstByte = false; // first byte 0x81 instead of 0x80
        int deadAfterFrames = -1;  // after this many replies no more (-1: never)
        bool byteAtATime = false;  // each reply byte its own write, at its 9600-baud time
        int count = -1;
    };

    static constexpr int AllParams = -1;

    VUSimulator();
    ~VUSimulator();
    VUSimulator(const VUSimulator&) = delete;
    VUSimulator& operator=(const VUSimulator&) = delete;

    // Opens a pty, makes aDir/COM<aPort> a symlink to its slave and starts answering. False (with
    // ErrorString) when the pty or the link cannot be made.
    bool Start(const QString& aDir, int aPort);
    // Stops the thread, removes the link and closes the pty. Idempotent; the destructor calls it.
    void Stop();
    bool IsRunning() const;
    QString SlavePath() const; // e.g. /dev/pts/7
    QString LinkPath() const;  // aDir/COM<aPort>
    QString ErrorString() const;

    // Parameter store: raw value bytes as the unit keeps them (what follows service and identifier
    // in a read reply). PID_VUDateTime and PID_ImpCounter are computed from the running clock and
    // counter; setting them sets clock and counter.
    QByteArray RawValue(int aId) const;
    void SetRawValue(int aId, const QByteArray& aBytes);
    // Typed access through the protocol's own encoders and decoders (same variant types as a read).
    QVariant Value(int aId) const;
    bool SetValue(int aId, const QVariant& aValue);
    void SetOptions(quint32 aOptions);
    // Initial values from a file of NAME=value lines (value texts as vuctl prints them; '#' comments).
    bool LoadValues(const QString& aFile, QString* aError = nullptr);
    void ResetValues(); // back to the built-in initial values

    // VU clock: PC UTC time plus a settable offset; the local offset (minutes) is kept apart.
    QDateTime VUClock() const; // UTC
    void SetVUClock(const QDateTime& aUtc, int aLocalOffsetMin);
    int LocalOffset() const;
    // Stops the VU clock where it is (setting it still works), so that a read gives a value known in
    // advance; false lets it run on from there.
    void HoldVUClock(bool aHeld);

    // Impulse counter: moves while PID_Speed > 0 at speed x W impulses per hour (W from the store,
    // 8000 when 0); wraps at 2^32.
    quint32 ImpCounter() const;
    void SetImpCounter(quint32 aValue);

    // Timing: response time before the first reply byte (default 5 ms) and 9600-baud pacing (default
    // on): a request counts as heard 1.1458 ms per byte after its first byte came in, and the reply
    // bytes go out no faster than that.
    void SetResponseTime(int aMs);
    int ResponseTime() const;
    void SetPacing(bool aOn);

    // Fault injection.
    void SetFaults(const Faults& aFaults);
    Faults CurrentFaults() const;
    void ClearFaults(); // also clears the negative replies and the reply delays
    // Negative reply 7F, service, aReason for identifier aId (AllParams: every request).
    void SetNegativeReply(int aId, quint8 aReason);
    void ClearNegativeReplies();
    // The first reply byte to a request for aId comes aMs later, on top of the faults (0: no delay).
    void SetReplyDelay(int aId, int aMs);

    // Request log (the last 10000 requests at most).
    QList<Request> Log() const;
    void ClearLog();
    int RequestCount() const;     // requests received since the start (not reset by ClearLog)
    qint64 BytesReceived() const; // every byte received since the start, garbage included

    // Hex dump of every received and sent byte to stderr.
    void SetVerbose(bool aOn);

    // Answers one request frame as the unit on a line would, for a line without a pseudo-terminal
    // (SimulatedLine): the reply frame, empty when the unit stays silent or the frame is for another
    // unit, and in *aDelayMs the response time before its first byte. Logged and faulted like the rest.
    QByteArray Respond(const QByteArray& aFrame, int* aDelayMs);

private:
    void Run();
    void ProcessInput(QByteArray& aBuffer, bool aTimedOut, qint64& aHeadNs);
    void Serve(const QByteArray& aFrame, bool aChecksumOk, qint64 aHeardNs);
    // The reply frame to a request frame with the faults and timing that apply to it; logs the request.
    QByteArray ReplyTo(const QByteArray& aFrame, bool aChecksumOk, Faults& aFaults, int& aResponseMs,
                       bool& aPacing);
    QByteArray AnswerLocked(const QByteArray& aData);
    quint8 ApplyWriteLocked(int aId, const QByteArray& aBytes);
    void SendReply(const QByteArray& aFrame, const Faults& aFaults, qint64 aHeardNs, int aResponseMs,
                   bool aPacing);
    bool SleepUntil(qint64 aDueNs); // steady-clock ns; false when stopping or a request came in
    bool WriteAll(const char* aData, int aCount);
    void Trace(const char* aWhat, const QByteArray& aBytes) const;
    void InitValuesLocked();
    QByteArray RawValueLocked(int aId) const;
    void SetRawValueLocked(int aId, const QByteArray& aBytes);
    QDateTime VUClockLocked() const;
    quint32 ImpCounterLocked() const;
    void SettleCounterLocked();

    mutable QMutex mMutex;
    QHash<int, QByteArray> mStore;
    qint64 mClockOffsetMs = 0; // VU clock minus PC clock
    QDateTime mHeldClock;      // valid while the clock is held
    int mLocalOffset = 0;
    bool mGpsLive = true;      // PID_GPSData follows the VU clock until written
    double mCounterBase = 0.0; // counter (with its fraction) at mCounterSince
    qint64 mCounterSince = 0;  // steady-clock ms
    int mResponseMs = 5;
    bool mPacing = true;
    Faults mFaults;
    int mRepliesSent = 0;
    QHash<int, quint8> mNegative;
    QHash<int, int> mReplyDelays; // identifier -> ms
    QList<Request> mLog;
    int mRequestCount = 0;
    qint64 mBytesReceived = 0;
    bool mVerbose = false;
    QString mError;
    QString mLinkPath;
    QString mSlavePath;

    int mMaster = -1;
    int mSlaveHold = -1; // keeps the slave side open so the master never sees a hang-up
    int mWakePipe[2] = {-1, -1};
    std::atomic<bool> mStop{false};
    std::thread mThread;
};
