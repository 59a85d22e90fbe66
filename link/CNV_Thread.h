#pragma once

#include <QThread>

#include <atomic>

// Thread base of the thread library: a stop flag polled by the subclass's run().
// A subclass whose run() uses its own members must call Stop() and wait() in its own destructor,
// since by the time this destructor runs those members are gone.
class CNV_Thread : public QThread
{
    Q_OBJECT

public:
    CNV_Thread();
    ~CNV_Thread() override;

    // Asks run() to end; it returns at its next look at the flag.
    virtual void Stop();

protected:
    std::atomic<bool> mStop{false};
};
