#include "link/UnitLine.h"

#include "link/UART.h"

#include <map>
#include <mutex>

namespace {

struct Offered
{
    std::shared_ptr<UnitLine> line;
    bool held = false;
};

// The lines offered in this process; the port search claims them from many threads at once. (Standard
// containers: the serial port story builds the port for Windows with stand-ins for the few Qt names.)
std::mutex gMutex;
std::map<int, Offered> gLines;

} // namespace

void UnitLine::Offer(int aPort, std::shared_ptr<UnitLine> aLine)
{
    const std::lock_guard lock(gMutex);
    if (aLine)
        gLines[aPort] = Offered{std::move(aLine), false};
    else
        gLines.erase(aPort);
}

std::shared_ptr<UnitLine> UnitLine::Claim(int aPort, bool* aBusy)
{
    const std::lock_guard lock(gMutex);
    *aBusy = false;
    const auto it = gLines.find(aPort);
    if (it == gLines.end())
        return nullptr;
    if (it->second.held) {
        *aBusy = true;
        return nullptr;
    }
    it->second.held = true;
    return it->second.line;
}

void UnitLine::Release(const std::shared_ptr<UnitLine>& aLine)
{
    const std::lock_guard lock(gMutex);
    for (auto& [port, offered] : gLines) {
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
