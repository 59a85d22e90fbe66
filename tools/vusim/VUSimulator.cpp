#include "tools/vusim/VUSimulator.h"

#include "link/CKR_HiProt.h"
#include "link/CodePage.h"
#include "tools/common/ParamText.h"
#include "tools/vusim/SimLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QTextStream>
#include <QTimeZone>

#include <cmath>
#include <cstdio>

namespace {

using P = CKR_HiProt;
using SimLine::SteadyMs;
using SimLine::Sum;

constexpr quint8 kOtherTester = 0xF1;
constexpr int kMaxFreeText = 252; // a longer data field cannot be framed
constexpr qsizetype kMaxLog = 10000;

QByteArray Le(quint64 aValue, int aSize)
{
    QByteArray bytes(aSize, '\0');
    for (int i = 0; i < aSize; ++i)
        bytes[i] = char((aValue >> (8 * i)) & 0xFF);
    return bytes;
}

quint64 FromLe(const QByteArray& aBytes, int aSize)
{
    quint64 value = 0;
    for (int i = 0; i < aSize && i < aBytes.size(); ++i)
        value |= quint64(quint8(aBytes[i])) << (8 * i);
    return value;
}

QByteArray Padded(const QByteArray& aBytes, int aSize)
{
    QByteArray bytes = aBytes.left(aSize);
    if (bytes.size() < aSize)
        bytes.append(QByteArray(aSize - bytes.size(), ' '));
    return bytes;
}

QByteArray Cp1251(const char* aUtf8, int aSize)
{
    return Padded(CodePage::ToProgram8Bit(QString::fromUtf8(aUtf8)), aSize);
}

QByteArray SerialNumber(quint32 aSerial, quint8 aMonthBcd, quint8 aYearBcd, quint8 aType, quint8 aMaker)
{
    QByteArray bytes = Le(aSerial, 4);
    bytes.append(char(aMonthBcd));
    bytes.append(char(aYearBcd));
    bytes.append(char(aType));
    bytes.append(char(aMaker));
    return bytes;
}

QByteArray Date3(int aYear, int aMonth, int aDay)
{
    QByteArray bytes;
    bytes.append(char(aMonth));
    bytes.append(char(aDay * 4 - 3));
    bytes.append(char(aYear - 1985));
    return bytes;
}

bool IsBcd(quint8 aByte)
{
    return (aByte >> 4) <= 9 && (aByte & 0x0F) <= 9;
}

bool ValidDate3(const QByteArray& aBytes)
{
    const int month = quint8(aBytes[0]);
    const int dayByte = quint8(aBytes[1]);
    if (month < 1 || month > 12 || dayByte < 1 || dayByte > 121)
        return false;
    return QDate(1985 + quint8(aBytes[2]), month, (dayByte - 1) / 4 + 1).isValid();
}

QByteArray EncodeClock(const QDateTime& aUtc, int aOffset)
{
    const QDate date = aUtc.date();
    const QTime time = aUtc.time();
    QByteArray bytes;
    bytes.append(char(time.second() * 4));
    bytes.append(char(time.minute()));
    bytes.append(char(time.hour()));
    bytes.append(char(date.month()));
    bytes.append(char(date.day() * 4 - 3));
    bytes.append(char(qBound(0, date.year() - 1985, 255)));
    bytes.append(char(qint8(aOffset % 60)));
    bytes.append(char(qint8(aOffset / 60)));
    return bytes;
}

// False when the bytes are no valid clock.
bool DecodeClock(const QByteArray& aBytes, QDateTime& aUtc, int& aOffset)
{
    if (aBytes.size() != 8)
        return false;
    const int seconds = quint8(aBytes[0]) / 4;
    const int minutes = quint8(aBytes[1]);
    const int hours = quint8(aBytes[2]);
    if (seconds > 59 || minutes > 59 || hours > 23 || !ValidDate3(aBytes.mid(3, 3)))
        return false;
    const QDate date(1985 + quint8(aBytes[5]), quint8(aBytes[3]), (quint8(aBytes[4]) - 1) / 4 + 1);
    int m = qint8(aBytes[6]);
    int h = qint8(aBytes[7]);
    if (h < 0 || (h == 0 && m < 0)) {
        m = -qAbs(m);
        h = -qAbs(h);
    } else {
        m = qAbs(m);
        h = qAbs(h);
    }
    if (qAbs(m) > 59)
        return false;
    aUtc = QDateTime(date, QTime(hours, minutes, seconds), QTimeZone::utc());
    aOffset = h * 60 + m;
    return true;
}

// The receiver's last position as an RMC sentence: a fixed spot in Moscow, the VU clock's time and
// the test speed.
QByteArray GpsSentence(const QDateTime& aUtc, quint64 aSpeedKmh)
{
    const QString body = QStringLiteral("GPRMC,%1.00,A,5545.1234,N,03739.5678,E,%2,54.7,%3,,,A")
                             .arg(aUtc.toString(QStringLiteral("hhmmss")))
                             .arg(double(aSpeedKmh) / 1.852, 0, 'f', 1)
                             .arg(aUtc.toString(QStringLiteral("ddMMyy")));
    quint8 check = 0;
    for (const QChar c : body)
        check ^= quint8(c.toLatin1());
    const QString sentence = QStringLiteral("$%1*%2").arg(body).arg(check, 2, 16, QLatin1Char('0')).toUpper();
    return Padded(sentence.toLatin1(), 68);
}

QString Hex(const QByteArray& aBytes)
{
    return QString::fromLatin1(aBytes.toHex(' ').toUpper());
}

} // namespace

VUSimulator::VUSimulator()
{
    QMutexLocker lock(&mMutex);
    InitValuesLocked();
}

VUSimulator::~VUSimulator()
{
    Stop();
}

void VUSimulator::InitValuesLocked()
{
    mStore.clear();
    mStore[P::PID_VUPartNo] = Cp1251("ВТ-01.02М", 16);
    mStore[P::PID_VUSerNo] = SerialNumber(10004027, 0x03, 0x25, 0x07, 0xA1);
    mStore[P::PID_VUSWVer] = QByteArray("1.07");
    mStore[P::PID_VUManufacturer] =
        char(5) + Padded(CodePage::ToIso8859(5, QString::fromUtf8("АО \"Вельмора\"")), 36);
    mStore[P::PID_VUOptions] = Le(0x2B, 4);
    mStore[P::PID_VUSettings] = Le(0x09, 4);
    mStore[P::PID_B6Const] = Le(8000, 2);
    mStore[P::PID_B7Const] = Le(4000, 2);
    mStore[P::PID_CANSpeedometer] = Le(8, 1);
    mStore[P::PID_SnsSerNo] = SerialNumber(5012345, 0x11, 0x24, 0x09, 0xA1);
    mStore[P::PID_SnsNumber] = QByteArray("e1-00052");
    mStore[P::PID_SnsPaired] =
        Le(QDateTime(QDate(2026, 3, 15), QTime(9, 30), QTimeZone::utc()).toSecsSinceEpoch(), 4);
    mStore[P::PID_MdmPIN] = QByteArray("1234");
    mStore[P::PID_MdmAPN] = QByteArray("internet.mts.ru");
    mStore[P::PID_MdmLogin] = Padded("mts", 40);
    mStore[P::PID_MdmPassword] = Padded("mts", 40);
    mStore[P::PID_MdmGlnURL] = QByteArray("glonass.velmora.ru:20629");
    mStore[P::PID_MdmMonitURL] = QByteArray("monitoring.velmora.ru:8080");
    mStore[P::PID_MdmUpdate] = Le(1, 1);
    mStore[P::PID_Speed] = Le(0, 1);
    mStore[P::PID_VehicleVIN] = QByteArray("XTC65206371234567");
    mStore[P::PID_VUHROdometer] = Le(123456000, 4);
    mStore[P::PID_KConst] = Le(8000, 2);
    mStore[P::PID_LConst] = Le(3215, 2);
    mStore[P::PID_WConst] = Le(8012, 2);
    mStore[P::PID_VehicleTyre] = Padded("315/80R22.5", 15);
    mStore[P::PID_NextCalibration] = Date3(2028, 6, 15);
    mStore[P::PID_VehicleMaxSpeed] = Le(90, 2);
    mStore[P::PID_MemberState] = QByteArray("RUS");
    mStore[P::PID_VehicleRegNo] = char(1) + Padded("A123BC777", 14);

    mClockOffsetMs = 0;
    mHeldClock = QDateTime();
    mLocalOffset = 180; // Moscow
    mGpsLive = true;
    mCounterBase = 0.0;
    mCounterSince = SteadyMs();
}

void VUSimulator::ResetValues()
{
    QMutexLocker lock(&mMutex);
    InitValuesLocked();
}

bool VUSimulator::IsRunning() const
{
    return mThread.joinable();
}

QString VUSimulator::SlavePath() const
{
    return mSlavePath;
}

QString VUSimulator::LinkPath() const
{
    return mLinkPath;
}

QString VUSimulator::ErrorString() const
{
    return mError;
}

// ---- parameter store -------------------------------------------------------------------------

QDateTime VUSimulator::VUClockLocked() const
{
    if (mHeldClock.isValid())
        return mHeldClock;
    return QDateTime::currentDateTimeUtc().addMSecs(mClockOffsetMs);
}

quint32 VUSimulator::ImpCounterLocked() const
{
    const quint64 speed = FromLe(mStore.value(P::PID_Speed), 1);
    quint64 w = FromLe(mStore.value(P::PID_WConst), 2);
    if (w == 0)
        w = 8000;
    const double elapsedHours = double(SteadyMs() - mCounterSince) / 3'600'000.0;
    const double total = mCounterBase + double(speed) * double(w) * elapsedHours;
    return quint32(quint64(std::floor(total)) & 0xFFFFFFFFu);
}

void VUSimulator::SettleCounterLocked()
{
    const quint64 speed = FromLe(mStore.value(P::PID_Speed), 1);
    quint64 w = FromLe(mStore.value(P::PID_WConst), 2);
    if (w == 0)
        w = 8000;
    const qint64 now = SteadyMs();
    double total = mCounterBase + double(speed) * double(w) * double(now - mCounterSince) / 3'600'000.0;
    total = std::fmod(total, 4294967296.0);
    mCounterBase = total;
    mCounterSince = now;
}

QByteArray VUSimulator::RawValueLocked(int aId) const
{
    switch (aId) {
    case P::PID_VUDateTime:
        return EncodeClock(VUClockLocked(), mLocalOffset);
    case P::PID_ImpCounter:
        return Le(ImpCounterLocked(), 4);
    case P::PID_GPSData:
        if (mGpsLive)
            return GpsSentence(VUClockLocked(), FromLe(mStore.value(P::PID_Speed), 1));
        return mStore.value(aId);
    default:
        return mStore.value(aId);
    }
}

void VUSimulator::SetRawValueLocked(int aId, const QByteArray& aBytes)
{
    switch (aId) {
    case P::PID_VUDateTime: {
        QDateTime utc;
        int offset = 0;
        if (DecodeClock(aBytes, utc, offset)) {
            mClockOffsetMs = QDateTime::currentDateTimeUtc().msecsTo(utc);
            if (mHeldClock.isValid())
                mHeldClock = utc;
            mLocalOffset = offset;
        }
        return;
    }
    case P::PID_ImpCounter:
        mCounterBase = double(FromLe(aBytes, 4) & 0xFFFFFFFFu);
        mCounterSince = SteadyMs();
        return;
    case P::PID_GPSData:
        mGpsLive = false;
        break;
    case P::PID_Speed:
    case P::PID_WConst:
        SettleCounterLocked();
        break;
    default:
        break;
    }
    mStore[aId] = aBytes;
}

// Checks the value bytes of a write as the unit does and stores them. Returns 0 or the reason of the
// negative reply.
quint8 VUSimulator::ApplyWriteLocked(int aId, const QByteArray& aBytes)
{
    constexpr quint8 kBadLength = 0x13;
    constexpr quint8 kOutOfRange = 0x31;
    const P::ParamInfo* info = P::FindParam(aId);
    if (!info)
        return kOutOfRange;
    const int n = int(aBytes.size());
    switch (info->write) {
    case P::Encoding::Unsigned:
    case P::Encoding::FixedText:
        if (n != info->size)
            return kBadLength;
        break;
    case P::Encoding::FreeText:
        if (n < 1 || n > kMaxFreeText)
            return kBadLength;
        break;
    case P::Encoding::SerialNumber:
        if (n != 8)
            return kBadLength;
        if (!IsBcd(quint8(aBytes[4])) || !IsBcd(quint8(aBytes[5])))
            return kOutOfRange;
        break;
    case P::Encoding::Seconds:
        if (n != 4)
            return kBadLength;
        break;
    case P::Encoding::Date3:
        if (n != 3)
            return kBadLength;
        if (!ValidDate3(aBytes))
            return kOutOfRange;
        break;
    case P::Encoding::VUDateTime: {
        if (n != 8)
            return kBadLength;
        QDateTime utc;
        int offset = 0;
        if (!DecodeClock(aBytes, utc, offset))
            return kOutOfRange;
        break;
    }
    case P::Encoding::RegNo:
    case P::Encoding::CodePageText:
        if (n != 15)
            return kBadLength;
        break;
    default:
        break;
    }

    if (aId == P::PID_VUManufacturer) {
        // Written in the program's code page, kept as the unit reports it: Latin-1 where that holds
        // the text, else ISO 8859-5 (Cyrillic).
        const QString text = CodePage::FromProgram8Bit(aBytes);
        const bool latin = CodePage::FromIso8859(1, CodePage::ToIso8859(1, text)) == text;
        const int page = latin ? 1 : 5;
        SetRawValueLocked(aId, char(page) + CodePage::ToIso8859(page, text));
        return 0;
    }
    if (aId == P::PID_VehicleRegNo && aBytes[0] == 0) {
        // Code page 0 means the sender's own; after transliteration that is plain Latin.
        SetRawValueLocked(aId, char(1) + aBytes.mid(1));
        return 0;
    }
    SetRawValueLocked(aId, aBytes);
    return 0;
}

QByteArray VUSimulator::RawValue(int aId) const
{
    QMutexLocker lock(&mMutex);
    return RawValueLocked(aId);
}

void VUSimulator::SetRawValue(int aId, const QByteArray& aBytes)
{
    QMutexLocker lock(&mMutex);
    SetRawValueLocked(aId, aBytes);
}

QVariant VUSimulator::Value(int aId) const
{
    const QByteArray raw = RawValue(aId);
    QVariant value;
    CKR_HiProt::DecodeValue(aId, raw, value);
    return value;
}

bool VUSimulator::SetValue(int aId, const QVariant& aValue)
{
    QByteArray bytes;
    if (!CKR_HiProt::EncodeValue(aId, aValue, bytes))
        return false;
    QMutexLocker lock(&mMutex);
    return ApplyWriteLocked(aId, bytes) == 0;
}

void VUSimulator::SetOptions(quint32 aOptions)
{
    SetRawValue(P::PID_VUOptions, Le(aOptions, 4));
}

bool VUSimulator::LoadValues(const QString& aFile, QString* aError)
{
    QFile file(aFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (aError)
            *aError = QStringLiteral("%1: %2").arg(aFile, file.errorString());
        return false;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const auto error = [&](const QString& aWhat) {
            if (aError)
                *aError = QStringLiteral("%1:%2: %3").arg(aFile).arg(lineNo).arg(aWhat);
            return false;
        };
        if (eq < 0)
            return error(QStringLiteral("no '=' in line"));
        const QString name = line.left(eq).trimmed();
        const P::ParamInfo* info = ParamText::Find(name);
        if (!info)
            return error(QStringLiteral("unknown parameter '%1'").arg(name));
        QVariant value;
        QString why;
        if (!ParamText::FromText(info->id, line.mid(eq + 1), value, &why))
            return error(why);
        if (!SetValue(info->id, value))
            return error(QStringLiteral("value refused for %1").arg(name));
    }
    return true;
}

QDateTime VUSimulator::VUClock() const
{
    QMutexLocker lock(&mMutex);
    return VUClockLocked();
}

void VUSimulator::SetVUClock(const QDateTime& aUtc, int aLocalOffsetMin)
{
    QMutexLocker lock(&mMutex);
    mClockOffsetMs = QDateTime::currentDateTimeUtc().msecsTo(aUtc);
    if (mHeldClock.isValid())
        mHeldClock = aUtc.toUTC();
    mLocalOffset = aLocalOffsetMin;
}

void VUSimulator::HoldVUClock(bool aHeld)
{
    QMutexLocker lock(&mMutex);
    if (aHeld == mHeldClock.isValid())
        return;
    if (aHeld) {
        mHeldClock = VUClockLocked();
    } else {
        // Runs on from the time it was held at, not from where it would be by now.
        mClockOffsetMs = QDateTime::currentDateTimeUtc().msecsTo(mHeldClock);
        mHeldClock = QDateTime();
    }
}

int VUSimulator::LocalOffset() const
{
    QMutexLocker lock(&mMutex);
    return mLocalOffset;
}

quint32 VUSimulator::ImpCounter() const
{
    QMutexLocker lock(&mMutex);
    return ImpCounterLocked();
}

void VUSimulator::SetImpCounter(quint32 aValue)
{
    QMutexLocker lock(&mMutex);
    mCounterBase = double(aValue);
    mCounterSince = SteadyMs();
}

void VUSimulator::SetResponseTime(int aMs)
{
    QMutexLocker lock(&mMutex);
    mResponseMs = qMax(0, aMs);
}

int VUSimulator::ResponseTime() const
{
    QMutexLocker lock(&mMutex);
    return mResponseMs;
}

void VUSimulator::SetPacing(bool aOn)
{
    QMutexLocker lock(&mMutex);
    mPacing = aOn;
}

void VUSimulator::SetFaults(const Faults& aFaults)
{
    QMutexLocker lock(&mMutex);
    mFaults = aFaults;
    mRepliesSent = 0;
}

VUSimulator::Faults VUSimulator::CurrentFaults() const
{
    QMutexLocker lock(&mMutex);
    return mFaults;
}

void VUSimulator::ClearFaults()
{
    QMutexLocker lock(&mMutex);
    mFaults = Faults{};
    mNegative.clear();
    mReplyDelays.clear();
    mRepliesSent = 0;
}

void VUSimulator::SetNegativeReply(int aId, quint8 aReason)
{
    QMutexLocker lock(&mMutex);
    mNegative[aId] = aReason;
}

void VUSimulator::ClearNegativeReplies()
{
    QMutexLocker lock(&mMutex);
    mNegative.clear();
}

void VUSimulator::SetReplyDelay(int aId, int aMs)
{
    QMutexLocker lock(&mMutex);
    if (aMs > 0)
        mReplyDelays[aId] = aMs;
    else
        mReplyDelays.remove(aId);
}

QList<VUSimulator::Request> VUSimulator::Log() const
{
    QMutexLocker lock(&mMutex);
    return mLog;
}

void VUSimulator::ClearLog()
{
    QMutexLocker lock(&mMutex);
    mLog.clear();
}

int VUSimulator::RequestCount() const
{
    QMutexLocker lock(&mMutex);
    return mRequestCount;
}

qint64 VUSimulator::BytesReceived() const
{
    QMutexLocker lock(&mMutex);
    return mBytesReceived;
}

void VUSimulator::SetVerbose(bool aOn)
{
    QMutexLocker lock(&mMutex);
    mVerbose = aOn;
}

void VUSimulator::Trace(const char* aWhat, const QByteArray& aBytes) const
{
    bool verbose = false;
    {
        QMutexLocker lock(&mMutex);
        verbose = mVerbose;
    }
    if (!verbose)
        return;
    const QString line = QStringLiteral("%1 %2 %3\n")
                             .arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")),
                                  QString::fromLatin1(aWhat), Hex(aBytes));
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

// ---- requests ---------------------------------------------------------------------------------

QByteArray VUSimulator::ReplyTo(const QByteArray& aFrame, bool aChecksumOk, Faults& aFaults, int& aResponseMs,
                                bool& aPacing)
{
    Request request;
    request.frame = aFrame;
    request.checksumOk = aChecksumOk;
    request.target = quint8(aFrame[1]);
    request.source = quint8(aFrame[2]);
    const QByteArray data = aFrame.mid(4, aFrame.size() - 5);
    if (!data.isEmpty())
        request.service = quint8(data[0]);
    if (data.size() >= 3)
        request.id = quint8(data[1]) | (quint8(data[2]) << 8);
    if (data.size() > 3 && request.service == 0x2E)
        request.value = data.mid(3);

    QByteArray frame;
    QMutexLocker lock(&mMutex);
    ++mRequestCount;
    aFaults = mFaults.count == 0 ? Faults{} : mFaults;
    if (mFaults.count > 0 && --mFaults.count == 0)
        mFaults = Faults{};
    aFaults.lateFirstByteMs += mReplyDelays.value(request.id, 0);
    const bool dead = aFaults.deadAfterFrames >= 0 && mRepliesSent >= aFaults.deadAfterFrames;
    // A unit that is silent or dead does not act on requests either.
    const QByteArray reply = (aChecksumOk && !aFaults.silent && !dead) ? AnswerLocked(data) : QByteArray();
    if (!reply.isEmpty()) {
        frame.append(char(aFaults.badFirstByte ? 0x81 : 0x80));
        frame.append(char(aFaults.badAddress ? kOtherTester : request.source));
        frame.append(char(P::VUAddress));
        frame.append(char(reply.size()));
        frame.append(reply);
        frame.append(char(Sum(frame, int(frame.size())) + (aFaults.badChecksum ? 1 : 0)));
        ++mRepliesSent;
    }
    request.reply = frame;
    if (mLog.size() >= kMaxLog) // a unit left running for hours keeps the recent past only
        mLog.remove(0, kMaxLog / 10);
    mLog.append(request);
    aResponseMs = mResponseMs;
    aPacing = mPacing;
    return frame;
}

QByteArray VUSimulator::Respond(const QByteArray& aFrame, int* aDelayMs)
{
    *aDelayMs = 0;
    const int size = int(aFrame.size());
    if (size < 5 || quint8(aFrame[0]) != 0x80 || quint8(aFrame[1]) != P::VUAddress)
        return {};
    Faults faults;
    int responseMs = 0;
    bool pacing = true;
    const QByteArray frame =
        ReplyTo(aFrame, Sum(aFrame, size - 1) == quint8(aFrame[size - 1]), faults, responseMs, pacing);
    *aDelayMs = responseMs + faults.lateFirstByteMs;
    return frame;
}

// The reply data for one request, or nothing when the unit stays silent.
QByteArray VUSimulator::AnswerLocked(const QByteArray& aData)
{
    constexpr quint8 kNotSupported = 0x11;
    constexpr quint8 kBadLength = 0x13;
    constexpr quint8 kOutOfRange = 0x31;
    const auto negative = [](quint8 aService, quint8 aReason) {
        QByteArray reply;
        reply.append(char(0x7F));
        reply.append(char(aService));
        reply.append(char(aReason));
        return reply;
    };
    if (aData.isEmpty())
        return {};
    const quint8 service = quint8(aData[0]);
    if (service != 0x22 && service != 0x2E)
        return negative(service, kNotSupported);
    if (aData.size() < 3)
        return negative(service, kBadLength);
    const int id = quint8(aData[1]) | (quint8(aData[2]) << 8);
    if (mNegative.contains(id))
        return negative(service, mNegative.value(id));
    if (mNegative.contains(AllParams))
        return negative(service, mNegative.value(AllParams));
    if (!P::FindParam(id))
        return negative(service, kOutOfRange);

    QByteArray reply;
    reply.append(char(service + 0x40));
    reply.append(aData.mid(1, 2));
    if (service == 0x22) {
        if (aData.size() != 3)
            return negative(service, kBadLength);
        reply.append(RawValueLocked(id));
        return reply;
    }
    const quint8 reason = ApplyWriteLocked(id, aData.mid(3));
    if (reason != 0)
        return negative(service, reason);
    return reply;
}
