#include "link/UnitLine.h"

#include "link/UART.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

struct Offered
{
    std::shared_ptr<UnitLine> line;
    bool held = false;
};

// The lines offered in this process; the port search claims them from many threads at once.
QMutex gMutex;
QHash<int, Offered> gLines;

} // namespace

void UnitLine::Offer(int aPort, std::shared_ptr<UnitLine> aLine)
{
    QMutexLocker lock(&gMutex);
    if (aLine)
        gLines.insert(aPort, Offered{std::move(aLine), false});
    else
        gLines.remove(aPort);
}

std::shared_ptr<UnitLine> UnitLine::Claim(int aPort, bool* aBusy)
{
    QMutexLocker lock(&gMutex);
    *aBusy = false;
    const auto it = gLines.find(aPort);
    if (it == gLines.end())
        return nullptr;
    if (it->held) {
        *aBusy = true;
        return nullptr;
    }
    it->held = true;
    return it->line;
}

void UnitLine::Release(const std::shared_ptr<UnitLine>& aLine)
{
    QMutexLocker lock(&gMutex);
    for (Offered& offered : gLines) {
        if (offered.line == aLine)
            offered.held = false;
    }
}

// Shared by both ports: an offered line takes the place of the port, busy while another UART holds it.
bool UART::OpenOffered(int aPort, int aBaud, int& aResult)
{
    bool busy = false;
    mLine = UnitLine::Claim(aPort, &busy);
    if (busy) {
        mOpenFault = OpenFault::Busy;
        aResult = E_UART;
        return true;
    }
    if (!mLine)
        return false;
    mOpen = true;
    mMsPerByte = 11000.0 / aBaud;
    aResult = S_OK;
    return true;
}
