#pragma once

#include <QMutex>
#include <QSemaphore>

// Auto-reset event: Set() releases exactly one Wait(), or the next one when nobody waits.
class WaitEvent
{
public:
    WaitEvent() = default;
    ~WaitEvent();
    WaitEvent(const WaitEvent&) = delete;
    WaitEvent& operator=(const WaitEvent&) = delete;

    void Init(bool aSignalled);
    void Set();
    void Reset();
    // True when the event was set within aMs milliseconds (-1: no limit); the event is then reset.
    bool Wait(int aMs);

private:
    QMutex mMutex;
    QSemaphore mSemaphore{0};
    bool mWaiting = false;   // a waiter is (or was) blocked on the semaphore
    bool mSignalled = false; // Set() arrived with no waiter
};
