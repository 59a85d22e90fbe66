#pragma once

#include "link/VUError.h"

#include <QString>

#include <memory>

class UnitLine;

// One serial port at 8 data bits, odd parity, 1 stop bit, with a time limit on every transfer.
// Used by one thread at a time.
class UART
{
public:
    // Why the last Open failed: the port search names busy and forbidden ports to the technician.
    enum class OpenFault
    {
        None,     // opened, or not tried yet
        Missing,  // no such port on this PC
        Busy,     // held by another program
        Denied,   // this user may not open it
        Unusable, // not a serial line, or its line settings cannot be applied
    };

    UART();
    ~UART();
    UART(const UART&) = delete;
    UART& operator=(const UART&) = delete;

    // 0 on success, E_UART on any failure (the object stays closed).
    int Open(int aPort, int aBaud);
    void Close();
    bool IsOpen() const { return mOpen; }
    OpenFault LastOpenFault() const { return mOpenFault; }
    void Purge(bool aRx, bool aTx);
    // Bytes transferred; fewer than asked (0 or negative) when the limit ran out; -1 when closed.
    int Read(void* aBuf, int aCount, int aLimitMs);
    int Write(const void* aBuf, int aCount, int aLimitMs);
    // Time limit in ms for a transfer of aCount bytes: count x ms per byte x 1.4 + extra, at least 32.
    int TransferTime(int aCount, int aExtraMs) const;

    // The device path of a port number on this system (empty when the number does not exist).
    static QString PortPath(int aPort);

private:
    // A line offered inside this program (UnitLine) in place of port aPort: Open takes it (true, with
    // aResult) when one is offered, and then Read, Write, Purge and Close go to it.
    bool OpenOffered(int aPort, int aBaud, int& aResult);
    std::shared_ptr<UnitLine> mLine;
#ifdef Q_OS_WIN
    // An overlapped-I/O block with its own event; defined where <windows.h> is included, so that this
    // header does not spread the system header (and its min/max and S_OK macros) to every user.
    struct Overlapped;
    void* mHandle = reinterpret_cast<void*>(~quintptr(0)); // HANDLE; INVALID_HANDLE_VALUE when closed
    double mMsPerByte = 0.0;
    std::unique_ptr<Overlapped> mReadOv;
    bool mOpen = false;
    std::unique_ptr<Overlapped> mWriteOv;
    OpenFault mOpenFault = OpenFault::None;
#else
    int mFd = -1;
    double mMsPerByte = 0.0;
    bool mOpen = false;
    OpenFault mOpenFault = OpenFault::None;
#endif
};
