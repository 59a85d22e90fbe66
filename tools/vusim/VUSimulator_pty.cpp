// The simulated unit's line on a pseudo-terminal (POSIX): the pty pair, the link in the port folder, the
// thread that takes requests from the line and the paced replies.
#include "tools/vusim/SimLine.h"
#include "tools/vusim/VUSimulator.h"

#include "link/CKR_HiProt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using P = CKR_HiProt;
using SimLine::kNsPerByte;
using SimLine::SteadyMs;
using SimLine::SteadyNs;
using SimLine::Sum;

// A frame whose next byte does not come within this time is broken off; the unit then looks for
// the next frame start.
constexpr int kInterByteTimeoutMs = 30;
// Paced replies are handed to the line in chunks of what is due, as a USB adapter delivers them.
constexpr qint64 kChunkNs = 4'000'000;

} // namespace

bool VUSimulator::Start(const QString& aDir, int aPort)
{
    Stop();
    mError.clear();

    const auto fail = [this](const QString& aWhat) {
        mError = QStringLiteral("%1: %2").arg(aWhat, QString::fromLocal8Bit(strerror(errno)));
        for (int* fd : {&mMaster, &mSlaveHold, &mWakePipe[0], &mWakePipe[1]}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
        return false;
    };

    mMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (mMaster < 0)
        return fail(QStringLiteral("posix_openpt"));
    if (::grantpt(mMaster) != 0 || ::unlockpt(mMaster) != 0)
        return fail(QStringLiteral("grantpt/unlockpt"));
    char name[128] = {};
    if (::ptsname_r(mMaster, name, sizeof name) != 0)
        return fail(QStringLiteral("ptsname"));
    mSlavePath = QString::fromLocal8Bit(name);

    // Our own slave descriptor keeps the pair alive between the program's opens (otherwise the master
    // reports a hang-up each time the program closes its port). It takes no lock and sets no exclusive
    // mode, so the program can still claim the port for itself.
    mSlaveHold = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (mSlaveHold < 0)
        return fail(QStringLiteral("open %1").arg(mSlavePath));
    termios tio{};
    if (::tcgetattr(mSlaveHold, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD | PARENB | PARODD;
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        ::tcsetattr(mSlaveHold, TCSANOW, &tio);
    }
    if (::pipe2(mWakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail(QStringLiteral("pipe"));

    const QDir dir(aDir);
    if (!dir.exists() && !QDir().mkpath(aDir))
        return fail(QStringLiteral("mkdir %1").arg(aDir));
    const QString link = dir.filePath(QStringLiteral("COM%1").arg(aPort));
    const QFileInfo old(link);
    if (old.isSymLink() || old.exists())
        QFile::remove(link);
    if (::symlink(name, QFile::encodeName(link).constData()) != 0)
        return fail(QStringLiteral("symlink %1").arg(link));
    mLinkPath = link;

    {
        QMutexLocker lock(&mMutex);
        mCounterSince = SteadyMs();
    }
    mStop = false;
    mThread = std::thread([this] { Run(); });
    return true;
}

void VUSimulator::Stop()
{
    if (mThread.joinable()) {
        mStop = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t n = ::write(mWakePipe[1], &wake, 1);
        mThread.join();
    }
    if (!mLinkPath.isEmpty()) {
        // Remove the link only while it is still ours (another simulator may have taken the name).
        if (QFileInfo(mLinkPath).symLinkTarget() == mSlavePath)
            QFile::remove(mLinkPath);
        mLinkPath.clear();
    }
    for (int* fd : {&mMaster, &mSlaveHold, &mWakePipe[0], &mWakePipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void VUSimulator::Run()
{
    QByteArray buffer;
    qint64 lastByteMs = 0;
    qint64 headNs = 0; // when the first buffered byte arrived
    char chunk[512];
    while (!mStop) {
        int timeout = -1;
        if (!buffer.isEmpty())
            timeout = int(qMax<qint64>(0, lastByteMs + kInterByteTimeoutMs - SteadyMs()));
        pollfd fds[2] = {{mMaster, POLLIN, 0}, {mWakePipe[0], POLLIN, 0}};
        const int r = ::poll(fds, 2, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents)
            break;
        if (r == 0) {
            ProcessInput(buffer, true, headNs);
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(mMaster, chunk, sizeof chunk);
            if (n > 0) {
                const QByteArray bytes(chunk, int(n));
                {
                    QMutexLocker lock(&mMutex);
                    mBytesReceived += n;
                }
                Trace("RX", bytes);
                if (buffer.isEmpty())
                    headNs = SteadyNs();
                buffer.append(bytes);
                lastByteMs = SteadyMs();
                ProcessInput(buffer, false, headNs);
                continue;
            }
        }
        if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while we hold the slave open; do not spin if it does.
            pollfd wake{mWakePipe[0], POLLIN, 0};
            ::poll(&wake, 1, 20);
        }
    }
}

// Takes every complete frame from the buffer. Bytes before a frame start are dropped; a frame that
// stays incomplete past the inter-byte time-out loses its first byte and the search goes on behind it.
// aHeadNs follows the time at which the first buffered byte would have been heard on a 9600-baud line.
void VUSimulator::ProcessInput(QByteArray& aBuffer, bool aTimedOut, qint64& aHeadNs)
{
    for (;;) {
        const qsizetype start = aBuffer.indexOf(char(0x80));
        if (start < 0) {
            if (!aBuffer.isEmpty())
                Trace("garbage", aBuffer);
            aBuffer.clear();
            return;
        }
        if (start > 0) {
            Trace("garbage", aBuffer.left(start));
            aBuffer.remove(0, start);
            aHeadNs += qint64(start * kNsPerByte);
        }
        const int total = aBuffer.size() >= 4 ? 4 + quint8(aBuffer[3]) + 1 : -1;
        if (total < 0 || aBuffer.size() < total) {
            if (!aTimedOut)
                return;
            Trace("broken", aBuffer.left(1));
            aBuffer.remove(0, 1);
            aHeadNs += qint64(kNsPerByte);
            continue;
        }
        const QByteArray frame = aBuffer.left(total);
        aBuffer.remove(0, total);
        aHeadNs += qint64(total * kNsPerByte);
        const bool checksumOk = Sum(frame, total - 1) == quint8(frame[total - 1]);
        if (quint8(frame[1]) != P::VUAddress)
            continue; // for another unit on the bus
        Serve(frame, checksumOk, aHeadNs);
        if (mStop)
            return;
    }
}

void VUSimulator::Serve(const QByteArray& aFrame, bool aChecksumOk, qint64 aHeardNs)
{
    Faults faults;
    int responseMs = 0;
    bool pacing = true;
    const QByteArray frame = ReplyTo(aFrame, aChecksumOk, faults, responseMs, pacing);
    if (!aChecksumOk)
        Trace("bad checksum", aFrame);
    if (!frame.isEmpty())
        SendReply(frame, faults, pacing ? aHeardNs : 0, responseMs, pacing);
}

bool VUSimulator::SleepUntil(qint64 aDueNs)
{
    for (;;) {
        if (mStop)
            return false;
        const qint64 left = aDueNs - SteadyNs();
        if (left <= 0)
            return true;
        const timespec ts{time_t(left / 1'000'000'000), long(left % 1'000'000'000)};
        // Like a unit on a half-duplex line, a new request from the tester breaks off the reply.
        pollfd fds[2] = {{mWakePipe[0], POLLIN, 0}, {mMaster, POLLIN, 0}};
        const int r = ::ppoll(fds, 2, &ts, nullptr);
        if (r > 0) {
            if (fds[1].revents & POLLIN)
                Trace("reply broken off by a new request", QByteArray());
            return false;
        }
    }
}

bool VUSimulator::WriteAll(const char* aData, int aCount)
{
    int put = 0;
    while (put < aCount) {
        const ssize_t n = ::write(mMaster, aData + put, size_t(aCount - put));
        if (n > 0) {
            put += int(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{mMaster, POLLOUT, 0};
            ::poll(&p, 1, 10);
            continue;
        }
        return false;
    }
    return true;
}

// Sends one reply frame: after the response time, each byte no earlier than a 9600-baud line would
// deliver it, with the injected delays.
void VUSimulator::SendReply(const QByteArray& aFrame, const Faults& aFaults, qint64 aHeardNs, int aResponseMs,
                            bool aPacing)
{
    // The response time counts from the moment the request's last byte was on the line.
    qint64 start = qMax(SteadyNs(), aHeardNs) + qint64(aResponseMs + aFaults.lateFirstByteMs) * 1'000'000;
    if (!SleepUntil(start))
        return;
    Trace("TX", aFrame);
    const int size = int(aFrame.size());
    const bool perByte = aPacing || aFaults.byteAtATime || aFaults.gapMs > 0;
    if (!perByte) {
        WriteAll(aFrame.constData(), size);
        return;
    }
    // Byte i is complete on the line at start + (i + 1) byte times.
    const auto due = [&](int aIndex) {
        return aPacing || aFaults.byteAtATime ? start + qint64((aIndex + 1) * kNsPerByte) : start;
    };
    int sent = 0;
    while (sent < size) {
        if (aFaults.gapMs > 0 && sent == aFaults.gapAfterBytes && sent > 0) {
            start += qint64(aFaults.gapMs) * 1'000'000;
            if (!SleepUntil(SteadyNs() + qint64(aFaults.gapMs) * 1'000'000))
                return;
        }
        int count = 1;
        if (!aFaults.byteAtATime) {
            // Everything due within the next chunk time, up to the gap.
            const qint64 horizon = SteadyNs() + kChunkNs;
            while (sent + count < size && due(sent + count) <= horizon &&
                   !(aFaults.gapMs > 0 && sent + count == aFaults.gapAfterBytes))
                ++count;
        }
        if (!SleepUntil(due(sent + count - 1)))
            return;
        if (!WriteAll(aFrame.constData() + sent, count))
            return;
        sent += count;
    }
}
