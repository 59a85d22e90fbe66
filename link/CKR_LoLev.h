#pragma once

#include "link/VUError.h"

#include <QByteArray>

class UART;

// Link layer: one request framed as 0x80, target, source, length, data, checksum; the reply read,
// checked and unpacked, with up to three attempts.
class CKR_LoLev
{
public:
    explicit CKR_LoLev(UART* aPort = nullptr, quint8 aOwnAddress = 0xF0);

    void Initialise(UART* aPort, quint8 aOwnAddress);
    // True when a valid positive reply arrived; its data bytes (service byte first) are then in aReply.
    // On false aReply is untouched and LinkError() holds the code.
    bool Exchange(const QByteArray& aRequest, QByteArray& aReply, quint8 aTarget, int aResponseTimeMs);
    TKR_VUError LinkError() const { return mLastError; }

    // Empty for data of 256 bytes or more.
    static QByteArray BuildFrame(const QByteArray& aData, quint8 aTarget, quint8 aSource);

protected:
    UART* mPort = nullptr;
    quint8 mOwnAddress = 0xF0;
    TKR_VUError mLastError = 0;
};
