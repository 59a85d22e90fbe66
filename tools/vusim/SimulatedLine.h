#pragma once

#include "link/UnitLine.h"

#include <QByteArray>
#include <QMutex>

class VUSimulator;

// The simulated unit on a line inside the program, for PCs without pseudo-terminals: offered as a port
// (UnitLine::Offer), it takes the program's request frames, has the unit answer them (VUSimulator::Respond)
// and hands the reply out at the pace of a 9600-baud line after the unit's response time. A new request
// breaks off a reply still under way, as on the half-duplex line. Reads end as a port's do: with all bytes
// asked for, 70 ms after the last byte of a shorter reply, or at the limit.
class SimulatedLine : public UnitLine
{
public:
    explicit SimulatedLine(VUSimulator& aUnit) : mUnit(aUnit) {}

    int Read(void* aBuf, int aCount, int aLimitMs) override;
    int Write(const void* aBuf, int aCount, int aLimitMs) override;
    void Purge(bool aRx, bool aTx) override;

private:
    VUSimulator& mUnit;
    QMutex mMutex;
    QByteArray mToUnit; // request bytes that do not yet make a whole frame
    QByteArray mToPc;   // reply bytes not yet read
    qint64 mDueNs = 0;  // when the first byte of mToPc is complete on the line; each next one a byte later
};
