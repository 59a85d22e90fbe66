#include "link/UART.h"
#include "link/UnitLine.h"

#include <QDebug>

#include <cstdio>

#include <windows.h>

struct UART::Overlapped
{
    OVERLAPPED ov{};
};

namespace {

void CloseIfValid(HANDLE& aHandle)
{
    if (aHandle != nullptr && aHandle != INVALID_HANDLE_VALUE)
        CloseHandle(aHandle);
    aHandle = nullptr;
}

} // namespace

UART::UART() : mReadOv(std::make_unique<Overlapped>()), mWriteOv(std::make_unique<Overlapped>()) {}

UART::~UART()
{
    Close();
}

QString UART::PortPath(int aPort)
{
    if (aPort < 1 || aPort > 255)
        return {};
    return QStringLiteral("\\\\.\\COM%1").arg(aPort);
}

int UART::Open(int aPort, int aBaud)
{
    Close();
    mOpenFault = OpenFault::None;
    if (int result = 0; OpenOffered(aPort, aBaud, result))
        return result;

    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", aPort);
    HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // An exclusive port that another program holds answers "access denied".
        const DWORD error = GetLastError();
        mOpenFault = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? OpenFault::Busy
                                                                                      : OpenFault::Missing;
        return E_UART;
    }

    // Undoes a half-done open: the object is not open yet, so Close() would not.
    auto fail = [&](const char* aWarning) {
        qWarning() << aWarning;
        mOpenFault = OpenFault::Unusable;
        CloseIfValid(mReadOv->ov.hEvent);
        CloseIfValid(mWriteOv->ov.hEvent);
        CloseHandle(handle);
        mHandle = INVALID_HANDLE_VALUE;
        return int(E_UART);
    };

    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(handle, &dcb))
        return fail("UART::Open GetCommState() error");
    dcb.BaudRate = DWORD(aBaud);
    dcb.ByteSize = 8;
    dcb.Parity = ODDPARITY;
    dcb.StopBits = ONESTOPBIT;
    // The driver keeps what the previous program set. Frames are binary: XON, XOFF and NUL are data,
    // and a line error must not stop every later transfer until someone calls ClearCommError.
    dcb.fBinary = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(handle, &dcb))
        return fail("UART::Open SetCommState() error");

    // A read ends 70 ms after a byte with no further byte; a read that receives nothing is ended
    // by the wait in Read().
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(handle, &timeouts))
        return fail("UART::Open GetCommTimeouts() error");
    timeouts.ReadIntervalTimeout = 70;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    if (!SetCommTimeouts(handle, &timeouts))
        return fail("UART::Open SetCommTimeouts() error");

    mReadOv->ov = OVERLAPPED{};
    mWriteOv->ov = OVERLAPPED{};
    mReadOv->ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (mReadOv->ov.hEvent == nullptr)
        return fail("UART::Open CreateEvent() error");
    mWriteOv->ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (mWriteOv->ov.hEvent == nullptr)
        return fail("UART::Open CreateEvent() error");

    mHandle = handle;
    mOpen = true;
    mMsPerByte = 11000.0 / aBaud;
    Purge(true, true);
    return S_OK;
}

void UART::Close()
{
    if (!mOpen)
        return;
    mOpen = false;
    if (mLine) {
        UnitLine::Release(mLine);
        mLine.reset();
    }
    if (mHandle != INVALID_HANDLE_VALUE) {
        // Wake a thread waiting on either event before the handle goes.
        if (mReadOv->ov.hEvent != nullptr)
            SetEvent(mReadOv->ov.hEvent);
        if (mWriteOv->ov.hEvent != nullptr)
            SetEvent(mWriteOv->ov.hEvent);
        const HANDLE old = mHandle;
        mHandle = INVALID_HANDLE_VALUE;
        CancelIo(old);
        CloseHandle(old);
    }
    CloseIfValid(mReadOv->ov.hEvent);
    CloseIfValid(mWriteOv->ov.hEvent);
    mMsPerByte = 0.0;
}

void UART::Purge(bool aRx, bool aTx)
{
    if (mLine) {
        mLine->Purge(aRx, aTx);
        return;
    }
    DWORD flags = 0;
    if (aRx)
        flags |= PURGE_RXCLEAR;
    if (aTx)
        flags |= PURGE_TXCLEAR;
    if (mHandle != INVALID_HANDLE_VALUE)
        PurgeComm(mHandle, flags);
}

int UART::Read(void* aBuf, int aCount, int aLimitMs)
{
    if (!mOpen)
        return -1;
    if (mLine)
        return mLine->Read(aBuf, aCount, aLimitMs);
    if (aCount < 1)
        return 0;

    ResetEvent(mReadOv->ov.hEvent);
    if (!ReadFile(mHandle, aBuf, DWORD(aCount), nullptr, &mReadOv->ov) &&
        GetLastError() != ERROR_IO_PENDING) {
        CancelIo(mHandle);
        return -1;
    }
    // A negative limit means no time left; as a DWORD it would be INFINITE (-1) or weeks.
    WaitForSingleObject(mReadOv->ov.hEvent, DWORD(qMax(aLimitMs, 0)));
    DWORD done = 0;
    if (GetOverlappedResult(mHandle, &mReadOv->ov, &done, FALSE))
        return int(done);
    // Not complete: cancel, and let the cancellation finish before the buffer is given back.
    CancelIo(mHandle);
    done = 0;
    GetOverlappedResult(mHandle, &mReadOv->ov, &done, TRUE);
    return -int(done);
}

int UART::Write(const void* aBuf, int aCount, int aLimitMs)
{
    if (!mOpen)
        return -1;
    if (mLine)
        return mLine->Write(aBuf, aCount, aLimitMs);
    if (aCount < 1)
        return 0;

    // WriteFile resets the write event itself.
    if (!WriteFile(mHandle, aBuf, DWORD(aCount), nullptr, &mWriteOv->ov) &&
        GetLastError() != ERROR_IO_PENDING) {
        CancelIo(mHandle);
        return -1;
    }
    WaitForSingleObject(mWriteOv->ov.hEvent, DWORD(qMax(aLimitMs, 0)));
    DWORD done = 0;
    if (GetOverlappedResult(mHandle, &mWriteOv->ov, &done, FALSE))
        return int(done);
    CancelIo(mHandle);
    done = 0;
    GetOverlappedResult(mHandle, &mWriteOv->ov, &done, TRUE);
    return -int(done);
}

int UART::TransferTime(int aCount, int aExtraMs) const
{
    const int t = int(aCount * mMsPerByte * 1.4 + aExtraMs);
    return t < 32 ? 32 : t;
}
