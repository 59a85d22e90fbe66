#include "link/CKR_LoLev.h"

#include "link/UART.h"

#include <QDebug>

namespace {

constexpr quint8 kFormatByte = 0x80;
constexpr quint8 kNegativeReply = 0x7F;
constexpr int kAttempts = 3;
// Slack on every reply read beyond the pure transfer time.
constexpr int kReadSlackMs = 75;

} // namespace

CKR_LoLev::CKR_LoLev(UART* aPort, quint8 aOwnAddress) : mPort(aPort), mOwnAddress(aOwnAddress) {}

void CKR_LoLev::Initialise(UART* aPort, quint8 aOwnAddress)
{
    mPort = aPort;
    mOwnAddress = aOwnAddress;
    mLastError = VUErr::Ok;
}

QByteArray CKR_LoLev::BuildFrame(const QByteArray& aData, quint8 aTarget, quint8 aSource)
{
    if (aData.size() > 255)
        return {};
    QByteArray frame;
    frame.reserve(aData.size() + 5);
    frame.append(char(kFormatByte));
    frame.append(char(aTarget));
    frame.append(char(aSource));
    frame.append(char(aData.size()));
    frame.append(aData);
    quint8 sum = 0;
    for (const char c : std::as_const(frame))
        sum += quint8(c);
    frame.append(char(sum));
    return frame;
}

bool CKR_LoLev::Exchange(const QByteArray& aRequest, QByteArray& aReply, quint8 aTarget, int aResponseTimeMs)
{
    if (mPort == nullptr) {
        mLastError = VUErr::NoPort;
        qDebug("LoLev_Err=%u", mLastError);
        return false;
    }
    if (!mPort->IsOpen()) {
        mLastError = VUErr::PortNotOpen;
        qDebug("LoLev_Err=%u", mLastError);
        return false;
    }

    const QByteArray frame = BuildFrame(aRequest, aTarget, mOwnAddress);
    quint8 buf[4 + 255 + 1];
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0)
            qDebug("!!! LoopCnt = %d (this=0x%llX)", kAttempts - attempt, qulonglong(quintptr(this)));

        // Drops whatever a previous attempt left on the line.
        mPort->Purge(true, true);
        if (mPort->Write(frame.constData(), int(frame.size()), mPort->TransferTime(int(frame.size()), 0)) <
            frame.size()) {
            mLastError = VUErr::WriteFailed;
            continue;
        }

        if (mPort->Read(buf, 1, mPort->TransferTime(1, aResponseTimeMs) + kReadSlackMs) != 1) {
            mLastError = VUErr::NoReply;
            continue;
        }
        if (buf[0] != kFormatByte) {
            mLastError = VUErr::BadReply;
            continue;
        }
        if (mPort->Read(buf + 1, 3, mPort->TransferTime(3, 0) + kReadSlackMs) != 3) {
            mLastError = VUErr::NoReply;
            continue;
        }
        if (buf[1] != mOwnAddress || buf[2] != aTarget) {
            mLastError = VUErr::BadReply;
            continue;
        }
        const int n = buf[3];
        if (mPort->Read(buf + 4, n + 1, mPort->TransferTime(n + 1, 0) + kReadSlackMs) != n + 1) {
            mLastError = VUErr::NoReply;
            continue;
        }
        quint8 sum = 0;
        for (int i = 0; i < 4 + n; ++i)
            sum += buf[i];
        if (sum != buf[4 + n]) {
            mLastError = VUErr::BadChecksum;
            continue;
        }

        // The unit refused: asking again would get the same answer.
        if (n > 0 && buf[4] == kNegativeReply) {
            mLastError = n == 3 ? (VUErr::NegativeReply | buf[6]) : VUErr::BadReply;
            qDebug("LoLev_Err=%u", mLastError);
            return false;
        }

        aReply = QByteArray(reinterpret_cast<const char*>(buf + 4), n);
        mLastError = VUErr::Ok;
        return true;
    }
    return false;
}
