#pragma once

#include <memory>

// A serial line that ends inside this program instead of at a port: the training workshop's simulated
// unit on a PC without pseudo-terminals. A line offered for a port number takes the place of that port
// for every UART opened afterwards; like a real port, one UART at a time holds it.
class UnitLine
{
public:
    virtual ~UnitLine() = default;

    // As UART's operations of the same names.
    virtual int Read(void* aBuf, int aCount, int aLimitMs) = 0;
    virtual int Write(const void* aBuf, int aCount, int aLimitMs) = 0;
    virtual void Purge(bool aRx, bool aTx) = 0;

    // Offers aLine as port aPort (nullptr withdraws the offer).
    static void Offer(int aPort, std::shared_ptr<UnitLine> aLine);
    // The line offered as aPort, claimed for the caller; nullptr when none is offered. *aBusy tells
    // whether one is offered but held by another UART.
    static std::shared_ptr<UnitLine> Claim(int aPort, bool* aBusy);
    // Gives back a line that Claim handed out.
    static void Release(const std::shared_ptr<UnitLine>& aLine);
};
