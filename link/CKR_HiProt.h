#pragma once

#include "link/CKR_LoLev.h"

#include <QVariant>

// Parameter protocol: read (0x22) or write (0x2E) one parameter named by a 16-bit identifier,
// values encoded and decoded by the identifier's entry of the parameter table.
class CKR_HiProt : public CKR_LoLev
{
public:
    typedef int T_ParamId;

    static constexpr T_ParamId PID_ImpCounter = 1;
    static constexpr T_ParamId PID_VUPartNo = 17;
    static constexpr T_ParamId PID_VUSerNo = 18;
    static constexpr T_ParamId PID_VUSWVer = 19;
    static constexpr T_ParamId PID_VUManufacturer = 21;
    static constexpr T_ParamId PID_VUOptions = 22;
    static constexpr T_ParamId PID_VUSettings = 23;
    static constexpr T_ParamId PID_B6Const = 24;
    static constexpr T_ParamId PID_B7Const = 25;
    static constexpr T_ParamId PID_CANSpeedometer = 26;
    static constexpr T_ParamId PID_SnsSerNo = 33;
    static constexpr T_ParamId PID_SnsNumber = 34;
    static constexpr T_ParamId PID_SnsPaired = 35;
    static constexpr T_ParamId PID_MdmPIN = 49;
    static constexpr T_ParamId PID_MdmAPN = 50;
    static constexpr T_ParamId PID_MdmLogin = 51;
    static constexpr T_ParamId PID_MdmPassword = 52;
    static constexpr T_ParamId PID_MdmGlnURL = 53;
    static constexpr T_ParamId PID_MdmMonitURL = 54;
    static constexpr T_ParamId PID_MdmUpdate = 55;
    static constexpr T_ParamId PID_GPSData = 65;
    static constexpr T_ParamId PID_Speed = 90;
    static constexpr T_ParamId PID_VehicleVIN = 0xF190;
    static constexpr T_ParamId PID_VUDateTime = 0xF90B;
    static constexpr T_ParamId PID_VUHROdometer = 0xF912;
    static constexpr T_ParamId PID_KConst = 0xF918;
    static constexpr T_ParamId PID_LConst = 0xF91C;
    static constexpr T_ParamId PID_WConst = 0xF91D;
    static constexpr T_ParamId PID_VehicleTyre = 0xF921;
    static constexpr T_ParamId PID_NextCalibration = 0xF922;
    static constexpr T_ParamId PID_VehicleMaxSpeed = 0xF92C;
    static constexpr T_ParamId PID_MemberState = 0xF97D;
    static constexpr T_ParamId PID_VehicleRegNo = 0xF97E;

    // PID_VUOptions / PID_VUSettings bits.
    static constexpr quint32 OPT_CryptoSensor = 0x01;
    static constexpr quint32 OPT_Gnss = 0x02;
    static constexpr quint32 OPT_Modem = 0x08;
    static constexpr quint32 OPT_SimpleSensor = 0x20;

    static constexpr quint8 VUAddress = 0xEE;
    static constexpr quint8 PCAddress = 0xF0;
    static constexpr int ReplyAllowanceMs = 500;

    // Value encodings; the numbers are those of the protocol description.
    enum class Encoding
    {
        Unsigned,     // 1: unsigned little-endian integer of size bytes
        Text,         // 2: read: all bytes, PC's local code page
        FixedText,    // 3: write: cut / padded with blanks to size characters, program code page
        FreeText,     // 4: write: simplified, no padding (an empty text becomes one blank)
        CodePageText, // 5: code-page byte then ISO 8859-n text
        SerialNumber, // 6: extended serial number, 8 bytes
        Seconds,      // 7: seconds since 1970 UTC, 4 bytes
        Date3,        // 8: month, day*4-3, year-1985
        VUDateTime,   // 9: 8 bytes, UTC date-time and offset
        RegNo,        // 10: write: transliterated registration number, sent as encoding 5 with 14 chars
    };

    struct ParamInfo
    {
        T_ParamId id;
        const char* name; // with the PID_ prefix
        int size;         // value bytes (unsigned, fixed text) or characters; 0 where it does not apply
        Encoding read;
        Encoding write;
    };

    CKR_HiProt(UART* aPort, quint8 aOwnAddress = PCAddress);

    bool ReadParam(T_ParamId aId, QVariant& aValue);
    bool WriteParam(T_ParamId aId, const QVariant& aValue);
    // The protocol's own error if set, otherwise the last link error.
    TKR_VUError LastError() const;

    // The parameter table, in identifier order of the description.
    static const QList<ParamInfo>& ParamTable();
    static const ParamInfo* FindParam(T_ParamId aId);
    // By name, with or without the PID_ prefix ("KConst", "PID_KConst"), or by number, decimal or
    // hexadecimal with 0x ("63768", "0xF918"); blanks around do not count.
    static const ParamInfo* FindParam(const QString& aName, Qt::CaseSensitivity aCase = Qt::CaseSensitive);

    // Value bytes of a write request (after service and identifier). False for an unknown identifier
    // or a value that cannot be encoded, or that its encoding would cut or wrap (HoldsValue).
    static bool EncodeValue(T_ParamId aId, const QVariant& aValue, QByteArray& aBytes);

    // The range of what a parameter's write encoding holds, one rule for the dialogs' fields, the
    // records and vuctl. Every number parameter is unsigned: 0 ... MaxUnsigned, the largest number of
    // its size in bytes (0 for a parameter written as no number).
    static quint64 MaxUnsigned(T_ParamId aId);
    // The dates of the three-byte date and of the unit clock: the year is kept as year - 1985 in one byte.
    static QDate FirstDate();
    static QDate LastDate();
    // The most minutes of a clock offset (hours and minutes each in one signed byte).
    static constexpr int MaxOffsetMinutes = 127 * 60 + 59;
    // True when the write encoding of aId keeps aValue exactly: a number within 0 ... MaxUnsigned, a
    // valid date within FirstDate ... LastDate, a clock whose offset fits. Texts: always (HoldsText
    // tells what a text keeps).
    static bool HoldsValue(T_ParamId aId, const QVariant& aValue);
    // Decodes the value bytes of a reply (from reply byte 3 on). False (aValue untouched) for an
    // unknown identifier or bytes shorter than the value.
    static bool DecodeValue(T_ParamId aId, const QByteArray& aBytes, QVariant& aValue);

    // Texts the PC writes, one rule per text encoding (kept next to the encodings, used by the input
    // fields and vuctl): the unit holds aText when its encoding carries every character and keeps
    // that many. Otherwise the encoding would replace characters ('?' or blanks) or cut the text.
    // A registration number is upper-cased by its encoding, so a lower-case letter counts as its capital;
    // a free text loses nothing but runs of blanks at the ends and inside. Values that are no texts
    // always count as held.
    static bool HoldsText(T_ParamId aId, const QString& aText);
    // The characters of aText the encoding cannot carry, each once, in the order they come.
    static QString UnheldChars(T_ParamId aId, const QString& aText);
    // The most characters the encoding keeps; -1 when the parameter is written as no text.
    static int MaxTextChars(T_ParamId aId);
    // A text that HoldsText as the unit will hold it: a registration number upper-cased with the
    // Cyrillic capitals as their Latin twins (the same letter shapes); other texts unchanged.
    static QString HeldText(T_ParamId aId, const QString& aText);

    // The other side of the line (the unit, or a stand-in for it): value bytes of a read reply for a
    // value (inverse of DecodeValue), and the value carried by the value bytes of a write request
    // (inverse of EncodeValue). Same failures as the two above.
    static bool EncodeReplyValue(T_ParamId aId, const QVariant& aValue, QByteArray& aBytes);
    static bool DecodeWriteValue(T_ParamId aId, const QByteArray& aBytes, QVariant& aValue);

private:
    TKR_VUError mProtError = 0;
};
