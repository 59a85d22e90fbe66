#include "link/CKR_HiProt.h"

#include "link/CodePage.h"
#include "link/TKR_VUDateTime.h"

#include <QDebug>

#include <cmath>
#include <cstdlib>

namespace {

using Enc = CKR_HiProt::Encoding;

constexpr quint8 kReadService = 0x22;
constexpr quint8 kWriteService = 0x2E;
// The frame length is one byte: the whole data field of a request stays below 256 bytes.
constexpr int kMaxData = 255;
constexpr int kRequestHead = 3; // service and identifier
constexpr int kRegNoChars = 14;

// --- 1: unsigned little-endian integer of N bytes -------------------------------------------------

QByteArray EncodeUnsigned(int aSize, const QVariant& aValue)
{
    const quint64 v = aValue.toULongLong();
    QByteArray bytes(aSize, '\0');
    for (int i = 0; i < aSize; ++i)
        bytes[i] = char(quint8(v >> (8 * i)));
    return bytes;
}

QVariant DecodeUnsigned(int aSize, const QByteArray& aBytes)
{
    quint64 v = 0;
    for (int i = 0; i < aSize; ++i)
        v |= quint64(quint8(aBytes[i])) << (8 * i);
    return QVariant(v);
}

// --- 2, 3, 4: texts -----------------------------------------------------------------------------

// Cut or padded with blanks to exactly aSize bytes (a character the code page lacks is one byte).
QByteArray EncodeFixedText(int aSize, const QVariant& aValue)
{
    const QString text = aValue.toString().left(aSize).leftJustified(aSize, QLatin1Char(' '));
    return CodePage::ToProgram8Bit(text).leftJustified(aSize, ' ', true);
}

QByteArray EncodeFreeText(const QVariant& aValue)
{
    QString text = aValue.toString().simplified();
    if (text.isEmpty())
        text = QStringLiteral(" ");
    return CodePage::ToProgram8Bit(text);
}

// --- 5: text with a code-page byte ----------------------------------------------------------------

QByteArray EncodeCodePageText(quint8 aCodePage, int aSize, const QString& aText)
{
    const QString text = aText.left(aSize).leftJustified(aSize, QLatin1Char(' '));
    const QByteArray bytes =
        aCodePage == 0 ? CodePage::ToProgram8Bit(text) : CodePage::ToIso8859(aCodePage, text);
    return char(aCodePage) + bytes.leftJustified(aSize, ' ', true);
}

// A reply names the ISO/IEC 8859 part; 0 and anything above 9 count as part 1.
QString DecodeCodePageReply(const QByteArray& aBytes)
{
    int part = quint8(aBytes[0]);
    if (part == 0 || part > 9)
        part = 1;
    return CodePage::FromIso8859(part, aBytes.mid(1));
}

// A written text with a code page: byte 0 means the program's code page.
QString DecodeCodePageWrite(const QByteArray& aBytes)
{
    const int part = quint8(aBytes[0]);
    const QByteArray text = aBytes.mid(1);
    return part == 0 ? CodePage::FromProgram8Bit(text) : CodePage::FromIso8859(part, text);
}

// The first ISO/IEC 8859 part that holds the whole text (part 1 when none does).
quint8 FittingIsoPart(const QString& aText)
{
    for (const int part : {1, 5, 2, 3, 4, 6, 7, 8, 9}) {
        if (CodePage::HoldsIso8859(part, aText))
            return quint8(part);
    }
    return 1;
}

// --- 6: extended serial number ------------------------------------------------------------------

int FromBcd(quint8 aByte)
{
    return (aByte >> 4) * 10 + (aByte & 0x0F);
}

quint8 ToBcd(uint aValue)
{
    return quint8(((aValue / 10) % 10) << 4 | (aValue % 10));
}

QByteArray EncodeSerial(const QVariant& aValue)
{
    // "serial/month year/type/manufacturer": serial, month and year decimal, type and maker hexadecimal.
    const QString text = aValue.toString();
    QStringList parts;
    qsizetype from = 0;
    for (const QChar sep : {QLatin1Char('/'), QLatin1Char(' '), QLatin1Char('/'), QLatin1Char('/')}) {
        const qsizetype at = from <= text.size() ? text.indexOf(sep, from) : -1;
        if (at < 0) {
            parts << text.mid(from);
            from = text.size() + 1;
            continue;
        }
        parts << text.mid(from, at - from);
        from = at + 1;
    }
    parts << (from <= text.size() ? text.mid(from) : QString());

    const quint32 serial = parts[0].trimmed().toUInt();
    QByteArray bytes(8, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(quint8(serial >> (8 * i)));
    bytes[4] = char(ToBcd(parts[1].trimmed().toUInt()));
    bytes[5] = char(ToBcd(parts[2].trimmed().toUInt()));
    bytes[6] = char(quint8(parts[3].trimmed().toUInt(nullptr, 16)));
    bytes[7] = char(quint8(parts[4].trimmed().toUInt(nullptr, 16)));
    return bytes;
}

QVariant DecodeSerial(const QByteArray& aBytes)
{
    const auto b = [&](int i) { return quint8(aBytes[i]); };
    const quint32 serial = quint32(b(0)) | quint32(b(1)) << 8 | quint32(b(2)) << 16 | quint32(b(3)) << 24;
    return QString::asprintf("%9u/%02d %02d/%02X/%02X", serial, FromBcd(b(4)), FromBcd(b(5)), b(6), b(7))
        .toUpper();
}

// --- 7: seconds since 1970 UTC ------------------------------------------------------------------

QByteArray EncodeSeconds(const QVariant& aValue)
{
    const QDateTime when = aValue.toDateTime();
    return EncodeUnsigned(4, QVariant(quint64(when.isValid() ? quint32(when.toSecsSinceEpoch()) : 0)));
}

QVariant DecodeSeconds(const QByteArray& aBytes)
{
    const qint64 seconds = qint64(DecodeUnsigned(4, aBytes).toULongLong());
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toLocalTime();
}

// --- 8: three-byte date (day in quarter-day units) ----------------------------------------------

int DayFromQuarters(quint8 aByte)
{
    return (int(aByte) - 1) / 4 + 1;
}

QByteArray EncodeDate3(const QVariant& aValue)
{
    const QDate date = aValue.toDate();
    QByteArray bytes(3, '\0');
    bytes[0] = char(quint8(date.month()));
    bytes[1] = char(quint8(date.day() * 4 - 3));
    bytes[2] = char(quint8(date.year() - 1985));
    return bytes;
}

QDate DecodeDate3Fields(const QByteArray& aBytes, int& aDay, int& aMonth, int& aYear)
{
    aMonth = quint8(aBytes[0]);
    aDay = DayFromQuarters(quint8(aBytes[1]));
    aYear = quint8(aBytes[2]) + 1985;
    return QDate(aYear, aMonth, aDay);
}

QVariant DecodeDate3(const QByteArray& aBytes)
{
    int day = 0, month = 0, year = 0;
    return DecodeDate3Fields(aBytes, day, month, year);
}

// --- 9: unit date and time with local offset ----------------------------------------------------

QByteArray EncodeVUDateTime(const QVariant& aValue)
{
    TKR_VUDateTime value;
    value.FromVariant(aValue);
    const QDate date = value.mDateTime.date();
    const QTime time = value.mDateTime.time();
    QByteArray bytes(8, '\0');
    bytes[0] = char(quint8(time.second() * 4));
    bytes[1] = char(quint8(time.minute()));
    bytes[2] = char(quint8(time.hour()));
    bytes[3] = char(quint8(date.month()));
    bytes[4] = char(quint8(date.day() * 4 - 3));
    bytes[5] = char(quint8(date.year() - 1985));
    // Both parts carry the sign of the offset (truncating division).
    bytes[6] = char(qint8(value.mOffset % 60));
    bytes[7] = char(qint8(value.mOffset / 60));
    return bytes;
}

QVariant DecodeVUDateTime(const QByteArray& aBytes)
{
    const auto b = [&](int i) { return quint8(aBytes[i]); };
    const QDate date(b(5) + 1985, b(3), DayFromQuarters(b(4)));
    const QTime time(b(2), b(1), b(0) / 4);
    int minutes = qint8(b(6));
    int hours = qint8(b(7));
    const bool negative = hours < 0 || (hours == 0 && minutes < 0);
    minutes = negative ? -std::abs(minutes) : std::abs(minutes);
    hours = negative ? -std::abs(hours) : std::abs(hours);
    return TKR_VUDateTime(QDateTime(date, time, Qt::UTC), hours * 60 + minutes).ToVariant();
}

// --- 10: registration number --------------------------------------------------------------------

// Upper-cased, in ISO/IEC 8859-5, Cyrillic capitals replaced by Latin letters of the same shape.
QByteArray RegNoBytes(const QString& aText)
{
    // 0xB0..0xCF of ISO/IEC 8859-5: А Б В Г Д Е Ж З И Й К Л М Н О П Р С Т У Ф Х Ц Ч Ш Щ Ъ Ы Ь Э Ю Я
    static const char kLatin[33] = "A B  E    K MHO PCTY X          ";
    QByteArray bytes = CodePage::ToIso8859(5, aText.toUpper());
    for (char& c : bytes) {
        const quint8 b = quint8(c);
        if (b >= 0x20 && b <= 0x7E)
            continue;
        c = (b >= 0xB0 && b <= 0xCF) ? kLatin[b - 0xB0] : ' ';
    }
    return bytes;
}

// The characters of a text the registration number's encoding carries: every printable ASCII character
// (0x20 to 0x7E: digits, Latin letters, blank, "-", "/", "." ...), and the Cyrillic capitals that RegNoBytes
// writes as their Latin twins (А В Е К М Н О Р С Т У Х). Lower case counts as upper case, as the encoding
// upper-cases.
bool RegNoHolds(QChar aChar)
{
    const QChar c = aChar.toUpper();
    const char16_t u = c.unicode();
    if (u >= 0x20 && u <= 0x7E)
        return true;
    if (u < 0x0400 || u > 0x04FF)
        return false;
    const QByteArray twin = RegNoBytes(QString(c));
    return twin.size() == 1 && twin[0] >= 'A' && twin[0] <= 'Z';
}

// A free text is written simplified: a white-space character other than the blank would become one.
bool FreeTextHolds(QChar aChar)
{
    return aChar == QLatin1Char(' ') || !aChar.isSpace();
}

// --- what a written text keeps ------------------------------------------------------------------

QString UnheldIn(Enc aEnc, const QString& aText)
{
    QString unheld;
    for (qsizetype i = 0; i < aText.size(); ++i) {
        const bool pair =
            aText.at(i).isHighSurrogate() && i + 1 < aText.size() && aText.at(i + 1).isLowSurrogate();
        const QString one = aText.mid(i, pair ? 2 : 1);
        if (pair)
            ++i;
        bool held = true;
        switch (aEnc) {
        case Enc::RegNo:
            held = !pair && RegNoHolds(one.at(0));
            break;
        case Enc::FreeText:
            held = FreeTextHolds(one.at(0)) && CodePage::HoldsProgram8Bit(one);
            break;
        case Enc::Text:
        case Enc::FixedText:
        case Enc::CodePageText:
            held = CodePage::HoldsProgram8Bit(one);
            break;
        default:
            break;
        }
        if (!held && !unheld.contains(one))
            unheld += one;
    }
    return unheld;
}

int MaxChars(const CKR_HiProt::ParamInfo& aInfo)
{
    switch (aInfo.write) {
    case Enc::FixedText:
    case Enc::CodePageText:
        return aInfo.size;
    case Enc::RegNo:
        return kRegNoChars;
    case Enc::Text:
    case Enc::FreeText:
        return kMaxData - kRequestHead; // one byte a character
    default:
        return -1;
    }
}

// --- what a written value keeps ----------------------------------------------------------------

quint64 MaxOfBytes(int aSize)
{
    return aSize >= 8 ? ~quint64(0) : (quint64(1) << (8 * aSize)) - 1;
}

bool DateHeld(const QDate& aDate)
{
    return aDate.isValid() && aDate >= CKR_HiProt::FirstDate() && aDate <= CKR_HiProt::LastDate();
}

// A number variant as the unsigned integer it stands for; false for a negative number, a fraction or
// no number at all.
bool UnsignedOf(const QVariant& aValue, quint64& aNumber)
{
    bool ok = false;
    switch (aValue.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = aValue.toDouble();
        if (!(d >= 0.0 && d < 18446744073709551616.0) || d != std::floor(d))
            return false;
        aNumber = quint64(d);
        return true;
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
        if (aValue.toLongLong() < 0)
            return false;
        break;
    default:
        break;
    }
    aNumber = aValue.toULongLong(&ok);
    return ok;
}

bool ValueHeld(const CKR_HiProt::ParamInfo& aInfo, const QVariant& aValue)
{
    switch (aInfo.write) {
    case Enc::Unsigned: {
        quint64 number = 0;
        return UnsignedOf(aValue, number) && number <= MaxOfBytes(aInfo.size);
    }
    case Enc::Date3:
        return DateHeld(aValue.toDate());
    case Enc::VUDateTime: {
        TKR_VUDateTime clock;
        clock.FromVariant(aValue);
        return DateHeld(clock.mDateTime.date()) && std::abs(clock.mOffset) <= CKR_HiProt::MaxOffsetMinutes;
    }
    default:
        return true;
    }
}

// --- the two directions by encoding -------------------------------------------------------------

// Value bytes for the encoding aEnc as the PC writes them.
QByteArray EncodeWrite(const CKR_HiProt::ParamInfo& aInfo, const QVariant& aValue)
{
    switch (aInfo.write) {
    case Enc::Unsigned:
        return EncodeUnsigned(aInfo.size, aValue);
    case Enc::Text:
        return CodePage::ToProgram8Bit(aValue.toString());
    case Enc::FixedText:
        return EncodeFixedText(aInfo.size, aValue);
    case Enc::FreeText:
        return EncodeFreeText(aValue);
    case Enc::CodePageText:
        return EncodeCodePageText(0, aInfo.size, aValue.toString());
    case Enc::SerialNumber:
        return EncodeSerial(aValue);
    case Enc::Seconds:
        return EncodeSeconds(aValue);
    case Enc::Date3:
        return EncodeDate3(aValue);
    case Enc::VUDateTime:
        return EncodeVUDateTime(aValue);
    case Enc::RegNo:
        return EncodeCodePageText(0, kRegNoChars, QString::fromLatin1(RegNoBytes(aValue.toString())));
    }
    return {};
}

// Bytes a value of the encoding needs at least.
int MinimumSize(Enc aEnc, int aSize)
{
    switch (aEnc) {
    case Enc::Unsigned:
        return aSize;
    case Enc::CodePageText:
    case Enc::RegNo:
        return 1;
    case Enc::SerialNumber:
    case Enc::VUDateTime:
        return 8;
    case Enc::Seconds:
        return 4;
    case Enc::Date3:
        return 3;
    case Enc::Text:
    case Enc::FixedText:
    case Enc::FreeText:
        return 0;
    }
    return 0;
}

// Decodes bytes of encoding aEnc; aWriteSide tells a write request's bytes from a reply's.
bool Decode(Enc aEnc, int aSize, bool aWriteSide, const QByteArray& aBytes, QVariant& aValue)
{
    if (aBytes.size() < MinimumSize(aEnc, aSize))
        return false;
    switch (aEnc) {
    case Enc::Unsigned:
        aValue = DecodeUnsigned(aSize, aBytes);
        return true;
    case Enc::Text:
        aValue = CodePage::FromLocal8Bit(aBytes);
        return true;
    case Enc::FixedText:
    case Enc::FreeText:
        aValue = CodePage::FromProgram8Bit(aBytes);
        return true;
    case Enc::CodePageText:
    case Enc::RegNo:
        aValue = aWriteSide ? DecodeCodePageWrite(aBytes) : DecodeCodePageReply(aBytes);
        return true;
    case Enc::SerialNumber:
        aValue = DecodeSerial(aBytes);
        return true;
    case Enc::Seconds:
        aValue = DecodeSeconds(aBytes);
        return true;
    case Enc::Date3:
        aValue = DecodeDate3(aBytes);
        return true;
    case Enc::VUDateTime:
        aValue = DecodeVUDateTime(aBytes);
        return true;
    }
    return false;
}

QByteArray IdBytes(quint8 aService, CKR_HiProt::T_ParamId aId)
{
    QByteArray bytes;
    bytes.append(char(aService));
    bytes.append(char(quint8(aId & 0xFF)));
    bytes.append(char(quint8((aId >> 8) & 0xFF)));
    return bytes;
}

} // namespace

CKR_HiProt::CKR_HiProt(UART* aPort, quint8 aOwnAddress) : CKR_LoLev(aPort, aOwnAddress) {}

const QList<CKR_HiProt::ParamInfo>& CKR_HiProt::ParamTable()
{
    static const QList<ParamInfo> table = {
        {PID_ImpCounter, "PID_ImpCounter", 4, Enc::Unsigned, Enc::Unsigned},
        {PID_VUPartNo, "PID_VUPartNo", 16, Enc::Text, Enc::FixedText},
        {PID_VUSerNo, "PID_VUSerNo", 8, Enc::SerialNumber, Enc::SerialNumber},
        {PID_VUSWVer, "PID_VUSWVer", 4, Enc::Text, Enc::FixedText},
        {PID_VUManufacturer, "PID_VUManufacturer", 36, Enc::CodePageText, Enc::FixedText},
        {PID_VUOptions, "PID_VUOptions", 4, Enc::Unsigned, Enc::Unsigned},
        {PID_VUSettings, "PID_VUSettings", 4, Enc::Unsigned, Enc::Unsigned},
        {PID_B6Const, "PID_B6Const", 2, Enc::Unsigned, Enc::Unsigned},
        {PID_B7Const, "PID_B7Const", 2, Enc::Unsigned, Enc::Unsigned},
        {PID_CANSpeedometer, "PID_CANSpeedometer", 1, Enc::Unsigned, Enc::Unsigned},
        {PID_SnsSerNo, "PID_SnsSerNo", 8, Enc::SerialNumber, Enc::SerialNumber},
        {PID_SnsNumber, "PID_SnsNumber", 8, Enc::Text, Enc::FixedText},
        {PID_SnsPaired, "PID_SnsPaired", 4, Enc::Seconds, Enc::Seconds},
        {PID_MdmPIN, "PID_MdmPIN", 4, Enc::Text, Enc::FixedText},
        {PID_MdmAPN, "PID_MdmAPN", 0, Enc::Text, Enc::FreeText},
        {PID_MdmLogin, "PID_MdmLogin", 40, Enc::Text, Enc::FixedText},
        {PID_MdmPassword, "PID_MdmPassword", 40, Enc::Text, Enc::FixedText},
        {PID_MdmGlnURL, "PID_MdmGlnURL", 0, Enc::Text, Enc::FreeText},
        {PID_MdmMonitURL, "PID_MdmMonitURL", 0, Enc::Text, Enc::FreeText},
        {PID_MdmUpdate, "PID_MdmUpdate", 1, Enc::Unsigned, Enc::Unsigned},
        {PID_GPSData, "PID_GPSData", 68, Enc::Text, Enc::FixedText},
        {PID_Speed, "PID_Speed", 1, Enc::Unsigned, Enc::Unsigned},
        {PID_VehicleVIN, "PID_VehicleVIN", 17, Enc::Text, Enc::FixedText},
        {PID_VUDateTime, "PID_VUDateTime", 8, Enc::VUDateTime, Enc::VUDateTime},
        {PID_VUHROdometer, "PID_VUHROdometer", 4, Enc::Unsigned, Enc::Unsigned},
        {PID_KConst, "PID_KConst", 2, Enc::Unsigned, Enc::Unsigned},
        {PID_LConst, "PID_LConst", 2, Enc::Unsigned, Enc::Unsigned},
        {PID_WConst, "PID_WConst", 2, Enc::Unsigned, Enc::Unsigned},
        {PID_VehicleTyre, "PID_VehicleTyre", 15, Enc::Text, Enc::FixedText},
        {PID_NextCalibration, "PID_NextCalibration", 3, Enc::Date3, Enc::Date3},
        {PID_VehicleMaxSpeed, "PID_VehicleMaxSpeed", 2, Enc::Unsigned, Enc::Unsigned},
        {PID_MemberState, "PID_MemberState", 3, Enc::Text, Enc::FixedText},
        {PID_VehicleRegNo, "PID_VehicleRegNo", 14, Enc::CodePageText, Enc::RegNo},
    };
    return table;
}

const CKR_HiProt::ParamInfo* CKR_HiProt::FindParam(T_ParamId aId)
{
    for (const ParamInfo& info : ParamTable())
        if (info.id == aId)
            return &info;
    return nullptr;
}

const CKR_HiProt::ParamInfo* CKR_HiProt::FindParam(const QString& aName, Qt::CaseSensitivity aCase)
{
    const QString name = aName.trimmed();
    bool number = false;
    const int id = name.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? name.mid(2).toInt(&number, 16)
                                                                             : name.toInt(&number, 10);
    if (number)
        return FindParam(id);
    const QString prefixed = QStringLiteral("PID_") + name;
    for (const ParamInfo& info : ParamTable()) {
        const QLatin1String full(info.name);
        if (name.compare(full, aCase) == 0 || prefixed.compare(full, aCase) == 0)
            return &info;
    }
    return nullptr;
}

bool CKR_HiProt::EncodeValue(T_ParamId aId, const QVariant& aValue, QByteArray& aBytes)
{
    const ParamInfo* info = FindParam(aId);
    if (info == nullptr || !ValueHeld(*info, aValue))
        return false;
    aBytes = EncodeWrite(*info, aValue);
    return true;
}

quint64 CKR_HiProt::MaxUnsigned(T_ParamId aId)
{
    const ParamInfo* info = FindParam(aId);
    return info != nullptr && info->write == Enc::Unsigned ? MaxOfBytes(info->size) : 0;
}

QDate CKR_HiProt::FirstDate()
{
    return QDate(1985, 1, 1);
}

QDate CKR_HiProt::LastDate()
{
    return QDate(1985 + 255, 12, 31);
}

bool CKR_HiProt::HoldsValue(T_ParamId aId, const QVariant& aValue)
{
    const ParamInfo* info = FindParam(aId);
    return info != nullptr && ValueHeld(*info, aValue);
}

bool CKR_HiProt::HoldsText(T_ParamId aId, const QString& aText)
{
    const ParamInfo* info = FindParam(aId);
    if (info == nullptr || MaxChars(*info) < 0)
        return true;
    // The length counts characters as the encoding writes them: one byte each, a surrogate pair too.
    return aText.toUcs4().size() <= MaxChars(*info) && UnheldIn(info->write, aText).isEmpty();
}

QString CKR_HiProt::UnheldChars(T_ParamId aId, const QString& aText)
{
    const ParamInfo* info = FindParam(aId);
    return info == nullptr ? QString() : UnheldIn(info->write, aText);
}

int CKR_HiProt::MaxTextChars(T_ParamId aId)
{
    const ParamInfo* info = FindParam(aId);
    return info == nullptr ? -1 : MaxChars(*info);
}

QString CKR_HiProt::HeldText(T_ParamId aId, const QString& aText)
{
    const ParamInfo* info = FindParam(aId);
    if (info == nullptr || info->write != Enc::RegNo || !HoldsText(aId, aText))
        return aText;
    return QString::fromLatin1(RegNoBytes(aText));
}

bool CKR_HiProt::DecodeValue(T_ParamId aId, const QByteArray& aBytes, QVariant& aValue)
{
    const ParamInfo* info = FindParam(aId);
    return info != nullptr && Decode(info->read, info->size, false, aBytes, aValue);
}

bool CKR_HiProt::EncodeReplyValue(T_ParamId aId, const QVariant& aValue, QByteArray& aBytes)
{
    const ParamInfo* info = FindParam(aId);
    if (info == nullptr)
        return false;
    switch (info->read) {
    case Enc::Text:
        // A unit fills a sized field with blanks.
        aBytes =
            info->size > 0 ? EncodeFixedText(info->size, aValue) : CodePage::ToProgram8Bit(aValue.toString());
        return true;
    case Enc::CodePageText: {
        const QString text = aValue.toString();
        aBytes = EncodeCodePageText(FittingIsoPart(text), info->size, text);
        return true;
    }
    default: {
        ParamInfo same = *info;
        same.write = info->read;
        aBytes = EncodeWrite(same, aValue);
        return true;
    }
    }
}

bool CKR_HiProt::DecodeWriteValue(T_ParamId aId, const QByteArray& aBytes, QVariant& aValue)
{
    const ParamInfo* info = FindParam(aId);
    return info != nullptr && Decode(info->write, info->size, true, aBytes, aValue);
}

bool CKR_HiProt::ReadParam(T_ParamId aId, QVariant& aValue)
{
    mProtError = VUErr::Ok;
    if (FindParam(aId) == nullptr) {
        mProtError = VUErr::UnknownParam;
        return false;
    }
    QByteArray reply;
    if (!Exchange(IdBytes(kReadService, aId), reply, VUAddress, ReplyAllowanceMs))
        return false;
    // The value starts after the echoed service and identifier; a reply too short to hold it is refused.
    QVariant value;
    if (reply.size() < kRequestHead || !DecodeValue(aId, reply.mid(kRequestHead), value)) {
        mProtError = VUErr::BadReply;
        return false;
    }
    if (aId == PID_NextCalibration) {
        int day = 0, month = 0, year = 0;
        DecodeDate3Fields(reply.mid(kRequestHead), day, month, year);
        qDebug("GetD()=%d/%d/%d", day, month, year);
    }
    aValue = value;
    return true;
}

bool CKR_HiProt::WriteParam(T_ParamId aId, const QVariant& aValue)
{
    mProtError = VUErr::Ok;
    if (FindParam(aId) == nullptr) {
        mProtError = VUErr::UnknownParam;
        return false;
    }
    // A value the encoding would cut or wrap never goes out as another number.
    QByteArray value;
    if (!EncodeValue(aId, aValue, value)) {
        mProtError = VUErr::ValueOutOfRange;
        return false;
    }
    if (kRequestHead + value.size() > kMaxData) {
        mProtError = VUErr::ValueTooLong;
        return false;
    }
    if (aId == PID_VUDateTime) {
        TKR_VUDateTime when;
        when.FromVariant(aValue);
        qDebug().noquote() << QStringLiteral("SetDT2: %1, %2:%3")
                                  .arg(when.mDateTime.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")))
                                  .arg(when.mOffset / 60)
                                  .arg(when.mOffset % 60);
    }
    QByteArray reply;
    return Exchange(IdBytes(kWriteService, aId) + value, reply, VUAddress, ReplyAllowanceMs);
}

TKR_VUError CKR_HiProt::LastError() const
{
    return mProtError != VUErr::Ok ? mProtError : LinkError();
}
