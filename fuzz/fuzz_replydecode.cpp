// Every parameter's value decoding, fed any bytes for any identifier. Byte 0 below 0x80 picks an entry
// of the table and the value bytes follow; from 0x80 on, bytes 1 and 2 are any identifier (known or
// not) and the value bytes follow them.
#include "link/CKR_HiProt.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize)
{
    if (aSize < 3)
        return 0;
    const QList<CKR_HiProt::ParamInfo>& table = CKR_HiProt::ParamTable();
    const bool raw = aData[0] >= 0x80;
    const CKR_HiProt::T_ParamId id = raw ? aData[1] << 8 | aData[2] : table[aData[0] % table.size()].id;
    const size_t skip = raw ? 3 : 1;
    const QByteArray bytes(reinterpret_cast<const char*>(aData + skip), qsizetype(aSize - skip));

    QVariant value;
    if (CKR_HiProt::DecodeValue(id, bytes, value)) {
        // What the unit sent decodes into a value that encodes for the unit again exactly when its
        // encoding holds it (a date the bytes make no date of is refused, never written), and that
        // encodes as a reply whose bytes decode in turn.
        QByteArray again;
        QVariant twice;
        if (CKR_HiProt::EncodeValue(id, value, again) != CKR_HiProt::HoldsValue(id, value) ||
            !CKR_HiProt::EncodeReplyValue(id, value, again) || !CKR_HiProt::DecodeValue(id, again, twice))
            std::abort();
    }
    // The unit's side of a write request: the simulator and the tools decode these.
    QVariant written;
    if (CKR_HiProt::DecodeWriteValue(id, bytes, written)) {
        QByteArray again;
        if (CKR_HiProt::EncodeValue(id, written, again) != CKR_HiProt::HoldsValue(id, written))
            std::abort();
    }
    return 0;
}
