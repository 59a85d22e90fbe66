// The link's reply parsing: one read or write of a parameter through the real protocol layers, over a
// port double that hands out the fuzzer's bytes in the chunks the fuzzer chooses.
//
// Input: byte 0 picks the parameter and read or write, byte 1 the write's value; then records of
// [n][n bytes]: each port read returns at most the rest of the current record, as if the line fell
// silent there (a time limit running out); an n of 0xFF makes the request's write fail instead.
#include "link/CKR_HiProt.h"
#include "link/UART.h"

#include <cstdlib>

namespace {

// The bytes still to come on the line; the double below is only ever used by one call at a time.
struct Line
{
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t chunkLeft = 0; // bytes left in the current record
};
Line gLine;

} // namespace

// The port double: replaces the system's serial port for this program only.
UART::UART() = default;
UART::~UART() = default;
int UART::Open(int, int)
{
    mFd = -1; // no descriptor: the bytes come from the fuzzer
    mOpen = true;
    mMsPerByte = 1.0;
    return 0;
}
void UART::Close()
{
    mOpen = false;
}
void UART::Purge(bool, bool) {}
int UART::TransferTime(int aCount, int aExtraMs) const
{
    return std::max(32, int(aCount * mMsPerByte * 1.4) + aExtraMs);
}
QString UART::PortPath(int)
{
    return {};
}

int UART::Write(const void*, int aCount, int)
{
    if (gLine.size > 0 && gLine.chunkLeft == 0 && gLine.data[0] == 0xFF) {
        ++gLine.data;
        --gLine.size;
        return 0;
    }
    return aCount;
}

int UART::Read(void* aBuf, int aCount, int)
{
    if (gLine.chunkLeft == 0 && gLine.size > 0) {
        gLine.chunkLeft = std::min<size_t>(gLine.data[0], gLine.size - 1);
        ++gLine.data;
        --gLine.size;
    }
    const int n = int(std::min<size_t>(size_t(aCount), gLine.chunkLeft));
    memcpy(aBuf, gLine.data, size_t(n));
    gLine.data += n;
    gLine.size -= size_t(n);
    gLine.chunkLeft -= size_t(n);
    // A short read is a time limit that ran out: the rest of the record is lost with it.
    if (n < aCount) {
        gLine.data += gLine.chunkLeft;
        gLine.size -= gLine.chunkLeft;
        gLine.chunkLeft = 0;
    }
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize)
{
    if (aSize < 2)
        return 0;
    const QList<CKR_HiProt::ParamInfo>& table = CKR_HiProt::ParamTable();
    const CKR_HiProt::ParamInfo& info = table[(aData[0] & 0x7F) % table.size()];
    const bool write = aData[0] & 0x80;
    gLine = Line{aData + 2, aSize - 2, 0};

    UART port;
    port.Open(1, 9600);
    CKR_HiProt prot(&port);
    QVariant value = quint64(aData[1]);
    const bool ok = write ? prot.WriteParam(info.id, value) : prot.ReadParam(info.id, value);
    // A success carries no error, a failure always one.
    if (ok != (prot.LastError() == VUErr::Ok))
        std::abort();
    if (ok && !write && !value.isValid())
        std::abort();
    return 0;
}
