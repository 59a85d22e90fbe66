#pragma once

// The timing of the simulated unit's 9600-baud line and its frame checksum, shared by the unit's store
// (VUSimulator.cpp) and its lines (a pseudo-terminal, or SimulatedLine inside the program).

#include <QByteArray>

#include <chrono>

namespace SimLine {

// One character of 8 data bits with start, parity and stop bit at 9600 baud.
constexpr double kNsPerByte = 11000.0 / 9600.0 * 1e6;

inline qint64 SteadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

inline qint64 SteadyMs()
{
    return SteadyNs() / 1'000'000;
}

inline quint8 Sum(const QByteArray& aBytes, int aCount)
{
    quint8 sum = 0;
    for (int i = 0; i < aCount; ++i)
        sum = quint8(sum + quint8(aBytes[i]));
    return sum;
}

} // namespace SimLine
