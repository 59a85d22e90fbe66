#include "link/CKR_UartThrd.h"

#include <QDebug>
#include <QMutexLocker>

CKR_UartThrd::CKR_UartThrd(UART* aPort) : mProt(aPort, CKR_HiProt::PCAddress)
{
    mWorkEvent.Init(false);
    mResumeEvent.Init(false);
}

CKR_UartThrd::~CKR_UartThrd()
{
    Stop();
    wait();
}

void CKR_UartThrd::AddRead(CKR_HiProt::T_ParamId aId)
{
    {
        QMutexLocker lock(&mQueueMutex);
        mQueue.append(Request{0, aId, QVariant()});
        mBusy = true;
    }
    mWorkEvent.Set();
}

void CKR_UartThrd::AddWrite(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    {
        QMutexLocker lock(&mQueueMutex);
        mQueue.append(Request{1, aId, aValue});
        mBusy = true;
    }
    mWorkEvent.Set();
}

void CKR_UartThrd::Clear()
{
    {
        QMutexLocker lock(&mQueueMutex);
        mQueue.clear();
        mBusy = false;
        ++mClearCount;
    }
    mWorkEvent.Set();
}

void CKR_UartThrd::Stop()
{
    mStop = true;
    Clear();            // wakes a waiting ping
    mResumeEvent.Set(); // releases a worker parked after an error
}

bool CKR_UartThrd::IsModemRefusal(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    return aId >= CKR_HiProt::PID_MdmPIN && aId <= CKR_HiProt::PID_MdmMonitURL && aErr == VUErr::RC_ROOR;
}

bool CKR_UartThrd::IsTolerated(CKR_HiProt::T_ParamId aId, bool aWrite, TKR_VUError aErr)
{
    if (IsModemRefusal(aId, aErr))
        return true;
    // Units without a GNSS receiver may refuse the position: there is simply none to show.
    return !aWrite && aId == CKR_HiProt::PID_GPSData && VUErr::IsNegativeReply(aErr);
}

void CKR_UartThrd::Park()
{
    mResumeEvent.Wait(-1);
}

void CKR_UartThrd::run()
{
    while (!mStop) {
        Request request;
        quint64 clearCount = 0;
        {
            QMutexLocker lock(&mQueueMutex);
            if (mQueue.isEmpty()) {
                mBusy = false;
                lock.unlock();
                Ping();
                continue;
            }
            request = mQueue.takeFirst();
            clearCount = mClearCount;
        }

        bool ok = request.mWrite ? mProt.WriteParam(request.mId, request.mValue)
                                 : mProt.ReadParam(request.mId, request.mValue);
        const TKR_VUError err = ok ? VUErr::Ok : mProt.LastError();

        bool last = false;
        {
            QMutexLocker lock(&mQueueMutex);
            // Cleared while the request ran: its result is no longer wanted.
            if (!mBusy || clearCount != mClearCount)
                continue;
            last = mQueue.isEmpty();
        }

        if (!ok && IsTolerated(request.mId, request.mWrite != 0, err)) {
            if (request.mId != CKR_HiProt::PID_GPSData)
                qDebug("!!! Modem Error ROOR correction");
            ok = true;
            request.mValue = QString();
        }

        if (ok) {
            if (request.mWrite) {
                emit OnWriteData(request.mId);
                if (last)
                    emit OnWriteComplete();
            } else {
                emit OnReadData(request.mId, request.mValue);
                if (last)
                    emit OnReadComplete();
            }
            continue;
        }

        Clear();
        if (request.mWrite)
            emit OnWriteError(request.mId, err);
        else
            emit OnReadError(request.mId, err);
        Park();
    }
}

bool CKR_UartThrd::WaitWork(int aMs)
{
    return mWorkEvent.Wait(aMs);
}

bool CKR_UartThrd::PingOnce(CKR_HiProt::T_ParamId aId)
{
    QVariant value;
    bool ok = mProt.ReadParam(aId, value);
    const TKR_VUError err = ok ? VUErr::Ok : mProt.LastError();
    {
        // Work arrived (or the thread is stopping) while polling: the poll's result is dropped.
        QMutexLocker lock(&mQueueMutex);
        if (!mQueue.isEmpty() || mStop)
            return false;
    }
    if (!ok && IsTolerated(aId, false, err)) {
        ok = true;
        value = QString();
    }
    if (ok) {
        emit OnPingData(aId, value);
        return true;
    }
    Clear();
    emit OnPingError(aId, err);
    Park();
    return false;
}
