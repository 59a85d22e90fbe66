#include "link/UART.h"
#include "link/UnitLine.h"

#include "link/LineSettings.h"

#include <QDebug>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// The unit ends a read once this long passes after a byte with no further byte.
constexpr std::chrono::milliseconds kInterByteGap(70);

bool BaudConstant(int aBaud, speed_t& aSpeed)
{
    switch (aBaud) {
    case 1200:
        aSpeed = B1200;
        return true;
    case 2400:
        aSpeed = B2400;
        return true;
    case 4800:
        aSpeed = B4800;
        return true;
    case 9600:
        aSpeed = B9600;
        return true;
    case 19200:
        aSpeed = B19200;
        return true;
    case 38400:
        aSpeed = B38400;
        return true;
    case 57600:
        aSpeed = B57600;
        return true;
    case 115200:
        aSpeed = B115200;
        return true;
    default:
        return false;
    }
}

// Milliseconds left until aDeadline, rounded up so that a poll does not wake just before it.
int MsUntil(Clock::time_point aDeadline)
{
    const auto left = aDeadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    return int(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

UART::OpenFault FaultOfOpen(int aErrno)
{
    switch (aErrno) {
    case EACCES:
    case EPERM:
        return UART::OpenFault::Denied;
    case EBUSY: // another user's TIOCEXCL
        return UART::OpenFault::Busy;
    default: // ENOENT, ENXIO, ENODEV, EIO (a ttyS without hardware), ...
        return UART::OpenFault::Missing;
    }
}

// The slave side of a pseudo-terminal (the simulated unit's line) rather than a device with a wire.
// (Unix 98 pseudo-terminal slaves have the majors 136 to 143).
bool IsPseudoTerminal(int aFd)
{
    struct stat info = {};
    return ::fstat(aFd, &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) >= 136 &&
           major(info.st_rdev) <= 143;
}

} // namespace

UART::UART() = default;

UART::~UART()
{
    Close();
}

QString UART::PortPath(int aPort)
{
    if (aPort < 1 || aPort > 255)
        return {};
    const QString dir = qEnvironmentVariable("VELMORA_SERIAL_DIR");
    if (!dir.isEmpty() && QDir(dir).exists())
        return QDir(dir).filePath(QStringLiteral("COM%1").arg(aPort));
    if (aPort <= 32)
        return QStringLiteral("/dev/ttyS%1").arg(aPort - 1);
    if (aPort <= 64)
        return QStringLiteral("/dev/ttyUSB%1").arg(aPort - 33);
    if (aPort <= 96)
        return QStringLiteral("/dev/ttyACM%1").arg(aPort - 65);
    return {};
}

int UART::Open(int aPort, int aBaud)
{
    Close();
    mOpenFault = OpenFault::None;
    if (int result = 0; OpenOffered(aPort, aBaud, result))
        return result;

    const QString path = PortPath(aPort);
    if (path.isEmpty()) {
        mOpenFault = OpenFault::Missing;
        return E_UART;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        mOpenFault = FaultOfOpen(errno);
        return E_UART;
    }
    // Exclusive use: TIOCEXCL keeps other users out, but root ignores it, so the flock decides.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        mOpenFault = errno == EWOULDBLOCK ? OpenFault::Busy : OpenFault::Unusable;
        ::close(fd);
        return E_UART;
    }

    // Not a terminal at all, such as a plain file in the port folder.
    termios tio{};
    speed_t speed = B9600;
    if (::tcgetattr(fd, &tio) != 0) {
        qWarning() << "UART::Open GetCommState() error";
        mOpenFault = OpenFault::Unusable;
        ::close(fd);
        return E_UART;
    }
    if (!BaudConstant(aBaud, speed)) {
        qWarning() << "UART::Open SetCommState() error";
        mOpenFault = OpenFault::Unusable;
        ::close(fd);
        return E_UART;
    }
    ::ioctl(fd, TIOCEXCL);

    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | CSTOPB);
    tio.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    // tcsetattr succeeds when any one setting was taken, so the line is read back and compared. A device
    // that cannot run 9600 8O1 would garble every frame; only a pseudo-terminal may drop the parity.
    const bool pseudo = IsPseudoTerminal(fd);
    const bool applied = ::tcsetattr(fd, TCSANOW, &tio) == 0;
    termios got{};
    if ((!applied && !pseudo) || ::tcgetattr(fd, &got) != 0 || !LineSettingsHeld(tio, got, pseudo)) {
        qWarning() << "UART::Open SetCommState() error";
        mOpenFault = OpenFault::Unusable;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return E_UART;
    }

    mFd = fd;
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
    if (mFd >= 0) {
        const int fd = mFd;
        mFd = -1;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd); // also releases the flock
    }
    mMsPerByte = 0.0;
}

void UART::Purge(bool aRx, bool aTx)
{
    if (mLine) {
        mLine->Purge(aRx, aTx);
        return;
    }
    if (mFd < 0 || (!aRx && !aTx))
        return;
    ::tcflush(mFd, aRx && aTx ? TCIOFLUSH : (aRx ? TCIFLUSH : TCOFLUSH));
}

int UART::Read(void* aBuf, int aCount, int aLimitMs)
{
    if (!mOpen)
        return -1;
    if (mLine)
        return mLine->Read(aBuf, aCount, aLimitMs);
    if (aCount < 1)
        return 0;

    auto* out = static_cast<char*>(aBuf);
    const auto deadline = Clock::now() + std::chrono::milliseconds(qMax(aLimitMs, 0));
    Clock::time_point gapEnd; // valid once a byte has arrived
    int got = 0;
    bool hungUp = false;
    for (;;) {
        // Take what has arrived first, so that a late wake-up (a busy machine) does not lose bytes that
        // came in time. With VMIN = VTIME = 0 an empty line reads as 0.
        const ssize_t n = ::read(mFd, out + got, size_t(aCount - got));
        if (n > 0) {
            got += int(n);
            if (got == aCount)
                return got;
            gapEnd = Clock::now() + kInterByteGap;
            continue;
        }
        if (hungUp || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            return got > 0 ? -got : -1; // hang-up or device error: nothing more will come

        const auto now = Clock::now();
        if (got > 0 && now >= gapEnd && gapEnd <= deadline)
            return got; // the line went quiet after some bytes: a complete (short) read
        if (now >= deadline)
            return -got;

        const int wait = got > 0 ? qMin(MsUntil(gapEnd), MsUntil(deadline)) : MsUntil(deadline);
        pollfd p{mFd, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR)
            return got > 0 ? -got : -1;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
            hungUp = true; // what is still buffered is read once more above
    }
}

int UART::Write(const void* aBuf, int aCount, int aLimitMs)
{
    if (!mOpen)
        return -1;
    if (mLine)
        return mLine->Write(aBuf, aCount, aLimitMs);
    if (aCount < 1)
        return 0;

    const auto* in = static_cast<const char*>(aBuf);
    const auto deadline = Clock::now() + std::chrono::milliseconds(qMax(aLimitMs, 0));
    int put = 0;
    for (;;) {
        const ssize_t n = ::write(mFd, in + put, size_t(aCount - put));
        if (n > 0) {
            put += int(n);
            if (put == aCount)
                return put;
            continue;
        }
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return put > 0 ? -put : -1;
        if (Clock::now() >= deadline)
            return -put;
        pollfd p{mFd, POLLOUT, 0};
        const int r = ::poll(&p, 1, MsUntil(deadline));
        if (r < 0 && errno != EINTR)
            return put > 0 ? -put : -1;
        if (r > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(p.revents & POLLOUT))
            return put > 0 ? -put : -1;
    }
}

int UART::TransferTime(int aCount, int aExtraMs) const
{
    const int t = int(aCount * mMsPerByte * 1.4 + aExtraMs);
    return t < 32 ? 32 : t;
}
