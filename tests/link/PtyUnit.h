#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

// Test stand-in for a vehicle unit on a pseudo-terminal: the program opens the slave side as its port,
// the unit answers on the master side as a handler scripts it (frame in, chunks out), byte for byte.
// Tests that need a unit with a parameter store use VUSimulator instead.
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
    void StopAnswering();

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
};
