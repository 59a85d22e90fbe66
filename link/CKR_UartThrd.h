#pragma once

#include "link/CKR_HiProt.h"
#include "link/CNV_Thread.h"
#include "link/VUError.h"
#include "link/WaitEvent.h"

#include <QList>
#include <QMutex>
#include <QVariant>

class UART;

// Worker thread of a dialog that talks to the unit: carries out queued reads and writes one at a time,
// reports each result with a queued signal and, while the queue is empty, polls the unit (Ping).
// After a failure it clears the queue, sends one error signal and serves nothing more until stopped.
// The port is not owned: the dialog opens it before start() and closes it after destruction.
class CKR_UartThrd : public CNV_Thread
{
    Q_OBJECT

public:
    explicit CKR_UartThrd(UART* aPort);
    ~CKR_UartThrd() override;

    void AddRead(CKR_HiProt::T_ParamId aId);
    void AddWrite(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    // Drops every queued request; a result of the request under way is not signalled.
    void Clear();
    void Stop() override;
    // Units without a modem refuse its settings as out of range: such a read or write counts as a
    // success, a read giving an empty text. vuctl follows the same rule.
    static bool IsModemRefusal(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    // Number of requests waiting in the queue (for diagnostics).
    int QueueLength()
    {
        QMutexLocker lock(&mQueueMutex);
        return static_cast<int>(mQueue.size());
    }

signals:
    void OnReadData(CKR_HiProt::T_ParamId aId, QVariant aValue);
    void OnReadComplete();
    void OnReadError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnWriteData(CKR_HiProt::T_ParamId aId);
    void OnWriteComplete();
    void OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnPingData(CKR_HiProt::T_ParamId aId, QVariant aValue);
    void OnPingError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);

protected:
    void run() override;
    // Polls the unit while the queue is empty; returns when work arrives or the thread is stopping.
    virtual void Ping() = 0;

    // For Ping(): true when the work event was set within aMs (work arrived or the queue was cleared).
    bool WaitWork(int aMs);
    // For Ping(): one poll of aId, reported with OnPingData / OnPingError (parking after an error).
    // False when the caller should return to the run loop (work arrived, or stopping).
    bool PingOnce(CKR_HiProt::T_ParamId aId);
    bool IsStopping() const { return mStop; }

private:
    struct Request
    {
        int mWrite = 0;
        CKR_HiProt::T_ParamId mId = 0;
        QVariant mValue;
    };

    // A failed read of aId with aErr that still counts as a success with an empty text.
    static bool IsTolerated(CKR_HiProt::T_ParamId aId, bool aWrite, TKR_VUError aErr);
    void Park();

    WaitEvent mWorkEvent;
    WaitEvent mResumeEvent;
    QMutex mQueueMutex;
    QList<Request> mQueue;
    bool mBusy = false;
    quint64 mClearCount = 0; // bumped by Clear(): a result of a request taken before is dropped
    CKR_HiProt mProt;
};
