#include "tools/vusim/SimulatedLine.h"

#include "tools/vusim/SimLine.h"
#include "tools/vusim/VUSimulator.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

using SimLine::kNsPerByte;
using SimLine::SteadyNs;

// A port's read ends when the line has been quiet this long after some bytes.
constexpr qint64 kGapNs = 70'000'000;

void SleepUntilNs(qint64 aDueNs)
{
    const qint64 left = aDueNs - SteadyNs();
    if (left > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(left));
}

} // namespace

int SimulatedLine::Write(const void* aBuf, int aCount, int)
{
    if (aCount < 1)
        return 0;
    const qint64 start = SteadyNs();
    QMutexLocker lock(&mMutex);
    mToPc.clear(); // a request breaks off the reply
    mToUnit.append(static_cast<const char*>(aBuf), aCount);
    // Whole frames only: a start byte, the addresses, the length, the data and the checksum.
    for (;;) {
        const qsizetype begin = mToUnit.indexOf(char(0x80));
        mToUnit.remove(0, begin < 0 ? mToUnit.size() : begin);
        if (mToUnit.size() < 4 || mToUnit.size() < 5 + quint8(mToUnit[3]))
            break;
        const int total = 5 + quint8(mToUnit[3]);
        int delayMs = 0;
        const QByteArray reply = mUnit.Respond(mToUnit.left(total), &delayMs);
        mToUnit.remove(0, total);
        // The reply starts once the request was on the line and the unit's response time has passed.
        mToPc = reply;
        mDueNs = start + qint64(aCount * kNsPerByte) + qint64(delayMs) * 1'000'000 + qint64(kNsPerByte);
    }
    return aCount;
}

int SimulatedLine::Read(void* aBuf, int aCount, int aLimitMs)
{
    if (aCount < 1)
        return 0;
    auto* out = static_cast<char*>(aBuf);
    const qint64 deadline = SteadyNs() + qint64(std::max(aLimitMs, 0)) * 1'000'000;
    int got = 0;
    qint64 lastNs = 0; // when the last byte taken was complete
    for (;;) {
        qint64 nextNs = 0; // when the next byte will be there; 0 when none will come
        {
            QMutexLocker lock(&mMutex);
            const qint64 now = SteadyNs();
            const int due =
                now < mDueNs ? 0 : std::min(int((now - mDueNs) / kNsPerByte) + 1, int(mToPc.size()));
            const int take = std::min(due, aCount - got);
            if (take > 0) {
                std::memcpy(out + got, mToPc.constData(), size_t(take));
                mToPc.remove(0, take);
                got += take;
                lastNs = mDueNs + qint64((take - 1) * kNsPerByte);
                mDueNs += qint64(take * kNsPerByte);
            }
            if (got == aCount)
                return got;
            if (!mToPc.isEmpty())
                nextNs = mDueNs;
        }
        if (got > 0 && (nextNs == 0 || nextNs > lastNs + kGapNs)) {
            // The line goes quiet: a short read ends after the gap, unless the limit comes first.
            const qint64 gapEnd = lastNs + kGapNs;
            SleepUntilNs(std::min(gapEnd, deadline));
            return gapEnd <= deadline ? got : -got;
        }
        if (nextNs == 0 || nextNs > deadline) {
            SleepUntilNs(deadline);
            return -got;
        }
        SleepUntilNs(nextNs);
    }
}

void SimulatedLine::Purge(bool aRx, bool aTx)
{
    QMutexLocker lock(&mMutex);
    if (aRx)
        mToPc.clear();
    if (aTx)
        mToUnit.clear();
}
