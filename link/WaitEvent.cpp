#include "link/WaitEvent.h"

#include <QMutexLocker>

WaitEvent::~WaitEvent()
{
    Set();
}

void WaitEvent::Init(bool aSignalled)
{
    QMutexLocker lock(&mMutex);
    mSemaphore.tryAcquire(mSemaphore.available());
    mWaiting = false;
    mSignalled = aSignalled;
}

void WaitEvent::Set()
{
    QMutexLocker lock(&mMutex);
    if (mWaiting) {
        // Exactly one permit, however often Set() is called before the waiter runs.
        mWaiting = false;
        const int available = mSemaphore.available();
        if (available < 1)
            mSemaphore.release(1 - available);
    } else {
        mSignalled = true;
    }
}

void WaitEvent::Reset()
{
    QMutexLocker lock(&mMutex);
    mSignalled = false;
    mSemaphore.tryAcquire(mSemaphore.available());
}

bool WaitEvent::Wait(int aMs)
{
    {
        QMutexLocker lock(&mMutex);
        if (mSignalled) {
            mSignalled = false;
            return true;
        }
        mWaiting = true;
    }
    // A permit released after a wait ran out stays for the next Wait(): the event stays set.
    return mSemaphore.tryAcquire(1, aMs < 0 ? -1 : aMs);
}
