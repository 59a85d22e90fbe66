#include "PtyUnit.h"

#include "link/CKR_LoLev.h"

#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyUnit::PtyUnit()
{
    mMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (mMaster < 0)
        return;
    if (::grantpt(mMaster) != 0 || ::unlockpt(mMaster) != 0) {
        ::close(mMaster);
        mMaster = -1;
        return;
    }
    mSlavePath = QString::fromLocal8Bit(::ptsname(mMaster));
    mSlaveKeep =
        ::open(QFile::encodeName(mSlavePath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (mSlaveKeep >= 0 && ::tcgetattr(mSlaveKeep, &tio) == 0) {
        cfmakeraw(&tio);
        ::tcsetattr(mSlaveKeep, TCSANOW, &tio);
    }
    if (::pipe2(mWake, O_CLOEXEC | O_NONBLOCK) != 0)
        mWake[0] = mWake[1] = -1;
}

PtyUnit::~PtyUnit()
{
    StopAnswering();
    for (int fd : {mMaster, mSlaveKeep, mWake[0], mWake[1]})
        if (fd >= 0)
            ::close(fd);
}

bool PtyUnit::LinkAs(const QString& aDir, int aPort) const
{
    const QString link = QDir(aDir).filePath(QStringLiteral("COM%1").arg(aPort));
    QFile::remove(link);
    return QFile::link(mSlavePath, link);
}

void PtyUnit::Start(Handler aHandler)
{
    StopAnswering();
    mHandler = std::move(aHandler);
    mRunning = true;
    mThread = std::thread([this] { Loop(); });
}

void PtyUnit::StopAnswering()
{
    if (!mThread.joinable())
        return;
    mRunning = false;
    const char c = 'x';
    [[maybe_unused]] const auto n = ::write(mWake[1], &c, 1);
    mThread.join();
    char buf[16];
    while (::read(mWake[0], buf, sizeof buf) > 0) {
    }
}

QList<QByteArray> PtyUnit::Frames() const
{
    QMutexLocker lock(&mMutex);
    return mFrames;
}

void PtyUnit::ClearFrames()
{
    QMutexLocker lock(&mMutex);
    mFrames.clear();
    mRaw.clear();
}

int PtyUnit::FrameCount() const
{
    QMutexLocker lock(&mMutex);
    return int(mFrames.size());
}

QByteArray PtyUnit::RawReceived() const
{
    QMutexLocker lock(&mMutex);
    return mRaw;
}

QByteArray PtyUnit::ReplyFrame(const QByteArray& aData, quint8 aTarget, quint8 aSource)
{
    return CKR_LoLev::BuildFrame(aData, aTarget, aSource);
}

QList<PtyUnit::Chunk> PtyUnit::Chunked(const QByteArray& aFrame, const QList<int>& aSizes, int aDelayMs)
{
    QList<Chunk> chunks;
    qsizetype at = 0;
    int i = 0;
    while (at < aFrame.size()) {
        const int size = aSizes.value(qMin(i, int(aSizes.size()) - 1), 1);
        chunks.append(Chunk{aFrame.mid(at, size), chunks.isEmpty() ? 0 : aDelayMs});
        at += size;
        ++i;
    }
    return chunks;
}

void PtyUnit::WriteRaw(const QByteArray& aBytes)
{
    qsizetype at = 0;
    while (at < aBytes.size()) {
        const ssize_t n = ::write(mMaster, aBytes.constData() + at, size_t(aBytes.size() - at));
        if (n > 0) {
            at += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{mMaster, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

QByteArray PtyUnit::ReadRaw(int aMaxMs, int aCount)
{
    QByteArray got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(aMaxMs);
    while (got.size() < aCount) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now())
                .count();
        if (left <= 0)
            break;
        pollfd p{mMaster, POLLIN, 0};
        if (::poll(&p, 1, int(left)) <= 0)
            continue;
        char buf[512];
        const ssize_t n = ::read(mMaster, buf, sizeof buf);
        if (n > 0)
            got.append(buf, n);
    }
    return got;
}

void PtyUnit::Loop()
{
    QByteArray pending;
    while (mRunning) {
        pollfd p[2] = {{mMaster, POLLIN, 0}, {mWake[0], POLLIN, 0}};
        if (::poll(p, 2, 200) <= 0)
            continue;
        if (p[1].revents)
            break;
        char buf[512];
        const ssize_t n = ::read(mMaster, buf, sizeof buf);
        if (n <= 0)
            continue;
        pending.append(buf, n);
        {
            QMutexLocker lock(&mMutex);
            mRaw.append(buf, n);
        }
        // Cut complete frames: 0x80, target, source, length, data, checksum.
        for (;;) {
            while (!pending.isEmpty() && quint8(pending[0]) != 0x80)
                pending.remove(0, 1);
            if (pending.size() < 4)
                break;
            const int total = 5 + quint8(pending[3]);
            if (pending.size() < total)
                break;
            const QByteArray frame = pending.left(total);
            pending.remove(0, total);
            {
                QMutexLocker lock(&mMutex);
                mFrames.append(frame);
            }
            // Set before this thread started; the handler keeps its own state between frames.
            const QList<Chunk> reply = mHandler ? mHandler(frame) : QList<Chunk>();
            for (const Chunk& chunk : reply) {
                if (chunk.delayMs > 0) {
                    pollfd w{mWake[0], POLLIN, 0};
                    if (::poll(&w, 1, chunk.delayMs) > 0)
                        return; // told to stop
                }
                WriteRaw(chunk.bytes);
            }
        }
    }
}
