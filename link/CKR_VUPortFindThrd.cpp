#include "link/CKR_VUPortFindThrd.h"

#include "link/CKR_HiProt.h"
#include "link/UART.h"

#include <QDebug>

#include <memory>
#include <vector>

namespace {

constexpr int kFirstPort = 1;
constexpr int kLastPort = 255;
constexpr int kBaud = 9600;
constexpr int kProbeWaitMs = 2000;

} // namespace

CKR_VUPortFindThrd::CKR_VUPortFindThrd(int aPort) : mPort(aPort)
{
    mDone.Init(false);
    start();
    // A thread the system could not create never ends its wait: count the port as not there.
    if (!isRunning() && !isFinished()) {
        mResult = VUErr::PortNotOpen;
        mDone.Set();
    }
}

CKR_VUPortFindThrd::~CKR_VUPortFindThrd()
{
    Stop();
    wait();
}

void CKR_VUPortFindThrd::run()
{
    UART port;
    if (port.Open(mPort, kBaud) != S_OK) {
        mFault = port.LastOpenFault();
        mResult = VUErr::PortNotOpen;
        mDone.Set();
        return;
    }
    qDebug("\nOpen = %d\n", mPort);

    CKR_HiProt prot(&port, CKR_HiProt::PCAddress);
    QVariant value;
    bool found = prot.ReadParam(CKR_HiProt::PID_VUDateTime, value);
    const TKR_VUError result = prot.LastError();
    // A refusal is still an answer: a unit is there.
    if (!found && VUErr::IsNegativeReply(result))
        found = true;
    port.Close();

    mResult = result;
    mFound = found;
    mDone.Set();
}

VUPortSearch FailedOpen(int aPort, UART::OpenFault aFault)
{
    VUPortSearch search;
    search.tried = QString::number(aPort);
    if (aFault == UART::OpenFault::Busy)
        search.busy.append(aPort);
    else if (aFault == UART::OpenFault::Denied)
        search.denied.append(aPort);
    return search;
}

int FindVUPort(QString* aTried)
{
    VUPortSearch search;
    const int result = FindVUPort(&search);
    if (aTried != nullptr)
        *aTried = search.tried;
    return result;
}

int FindVUPort(VUPortSearch* aSearch)
{
    std::vector<std::unique_ptr<CKR_VUPortFindThrd>> probes;
    probes.reserve(kLastPort - kFirstPort + 1);
    for (int port = kFirstPort; port <= kLastPort; ++port)
        probes.push_back(std::make_unique<CKR_VUPortFindThrd>(port));

    int result = -1;
    QString tried;
    QList<int> busy;
    QList<int> denied;
    for (const auto& probe : probes) {
        probe->WaitDone(kProbeWaitMs);
        if (probe->Found()) {
            result = probe->Port();
            break;
        }
        if (probe->Result() != VUErr::PortNotOpen)
            tried += QStringLiteral("%1, ").arg(probe->Port());
        else if (probe->Fault() == UART::OpenFault::Busy)
            busy.append(probe->Port());
        else if (probe->Fault() == UART::OpenFault::Denied)
            denied.append(probe->Port());
    }
    if (!tried.isEmpty())
        tried.chop(2);

    probes.clear(); // each destruction waits for its probe to end

    if (aSearch != nullptr) {
        aSearch->tried = tried;
        aSearch->busy = busy;
        aSearch->denied = denied;
    }
    qDebug("Find: Port=%d", result);
    return result;
}
