#pragma once

#include "link/CNV_Thread.h"
#include "link/UART.h"
#include "link/VUError.h"
#include "link/WaitEvent.h"

#include <QList>
#include <QString>

#include <atomic>

// One probe of the port search: opens its port at 9600 baud and reads the unit clock once.
// Starts on construction; destruction waits until the probe has ended.
class CKR_VUPortFindThrd : public CNV_Thread
{
    Q_OBJECT

public:
    explicit CKR_VUPortFindThrd(int aPort);
    ~CKR_VUPortFindThrd() override;

    // True when the probe ended within aMs milliseconds.
    bool WaitDone(int aMs) { return mDone.Wait(aMs); }
    bool Found() const { return mFound; }
    int Port() const { return mPort; }
    // 1 when the port could not be opened, otherwise the error of the identifying read (0: success).
    TKR_VUError Result() const { return mResult; }
    // Why the port could not be opened (None when it opened).
    UART::OpenFault Fault() const { return mFault; }

protected:
    void run() override;

private:
    std::atomic<bool> mFound{false};
    const int mPort;
    WaitEvent mDone;
    std::atomic<TKR_VUError> mResult{0};
    std::atomic<UART::OpenFault> mFault{UART::OpenFault::None};
};

// What a search that found no unit can tell the technician besides the ports it tried.
struct VUPortSearch
{
    QString tried;     // ports that opened but gave no answer, as "1, 3"
    QList<int> busy;   // ports held by another program
    QList<int> denied; // ports this user may not open
};

// What to tell when aPort, found by a search, then failed to open with aFault.
VUPortSearch FailedOpen(int aPort, UART::OpenFault aFault);

// Tries ports 1..255 at once; returns the lowest port on which a unit answered, or -1.
// aTried gets the lower ports that opened but gave no answer, as "1, 3".
int FindVUPort(QString* aTried = nullptr);
// The same search; aSearch also gets the ports that exist but could not be opened, by reason.
int FindVUPort(VUPortSearch* aSearch);
