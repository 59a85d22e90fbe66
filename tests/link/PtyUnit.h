#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

// Test stand-in for a vehicle unit on a pseudo-terminal: the program opens the slave side as its port,
// the unit answers on the master side. Either scripted by a handler (frame in, chunks out) or as a small
// parameter store with faults.
class PtyUnit
{
public:
    struct Chunk
    {
        QByteArray bytes;
        int delayMs = 0; // before this chunk
    };
    // Gets each complete request frame; returns what to send back.
    using Handler = std::function<QList<Chunk>(const QByteArray& aFrame)>;

    PtyUnit();
    ~PtyUnit();
    PtyUnit(const PtyUnit&) = delete;
    PtyUnit& operator=(const PtyUnit&) = delete;

    bool IsValid() const { return mMaster >= 0; }
    QString SlavePath() const { return mSlavePath; }
    // Makes aDir/COM<aPort> a link to the slave.
    bool LinkAs(const QString& aDir, int aPort) const;

    // Starts answering on a thread of its own; the handler runs on that thread.
    void Start(Handler aHandler);
    // Answers as a unit holding the parameter store below.
    void StartStore();
    void StopAnswering();

    // Parameter store (value bytes as the unit sends them in a read reply).
    void SetValue(int aId, const QByteArray& aBytes);
    QByteArray Value(int aId) const;
    void SetRefusal(int aId, quint8 aReason); // negative reply 7F, service, reason
    void SetReplyDelay(int aId, int aMs);     // first byte of the reply that late
    void SetSilentAfter(int aFrames);         // stop answering after this many frames (-1: never)
    void SetByteAtATime(bool aOn);

    // Every request frame received, in order.
    QList<QByteArray> Frames() const;
    void ClearFrames();
    int FrameCount() const;
    // Bytes received that did not form a frame (or all bytes, when nobody answers).
    QByteArray RawReceived() const;

    // Builds a reply frame from the unit (0xEE) to the PC (0xF0) as the link frames its requests (empty for
    // more than 255 data bytes); tests corrupt its bytes for malformed replies.
    static QByteArray ReplyFrame(const QByteArray& aData, quint8 aTarget = 0xF0, quint8 aSource = 0xEE);
    // Splits a frame into chunks of the given sizes (the last size repeats).
    static QList<Chunk> Chunked(const QByteArray& aFrame, const QList<int>& aSizes, int aDelayMs = 0);

    // Raw access for tests that drive the line themselves.
    int MasterFd() const { return mMaster; }
    void WriteRaw(const QByteArray& aBytes);
    QByteArray ReadRaw(int aMaxMs, int aCount);

private:
    void Loop();
    QList<Chunk> StoreAnswer(const QByteArray& aFrame);

    int mMaster = -1;
    int mSlaveKeep = -1; // keeps the line up while the program has the port closed
    QString mSlavePath;
    std::thread mThread;
    std::atomic<bool> mRunning{false};
    int mWake[2] = {-1, -1};

    mutable QMutex mMutex;
    Handler mHandler;
    QList<QByteArray> mFrames;
    QByteArray mRaw;
    QHash<int, QByteArray> mValues;
    QHash<int, quint8> mRefusals;
    QHash<int, int> mDelays;
    int mSilentAfter = -1;
    bool mByteAtATime = false;
};
