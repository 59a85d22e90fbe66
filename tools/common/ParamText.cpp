#include "tools/common/ParamText.h"

#include "link/TKR_VUDateTime.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");
const QString kDateTimeFormat = QStringLiteral("dd/MM/yyyy hh:mm:ss");

using Encoding = CKR_HiProt::Encoding;

bool IsInteger(const CKR_HiProt::ParamInfo& aInfo)
{
    return aInfo.read == Encoding::Unsigned;
}

bool Fail(QString* aError, const QString& aText)
{
    if (aError)
        *aError = aText;
    return false;
}

QDateTime ParseUtc(const QString& aText)
{
    QDateTime when = QDateTime::fromString(aText, kDateTimeFormat);
    if (when.isValid())
        when = QDateTime(when.date(), when.time(), QTimeZone::utc());
    return when;
}

} // namespace

namespace ParamText {

const CKR_HiProt::ParamInfo* Find(const QString& aNameOrNumber)
{
    return CKR_HiProt::FindParam(aNameOrNumber, Qt::CaseInsensitive);
}

QString Name(const CKR_HiProt::ParamInfo& aInfo)
{
    QString name = QString::fromLatin1(aInfo.name);
    if (name.startsWith(QLatin1String("PID_")))
        name.remove(0, 4);
    return name;
}

QString ToText(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    const CKR_HiProt::ParamInfo* info = CKR_HiProt::FindParam(aId);
    if (!info)
        return aValue.toString();
    switch (info->read) {
    case Encoding::Unsigned:
        return QString::number(aValue.toULongLong());
    case Encoding::Date3:
        return aValue.toDate().toString(kDateFormat);
    case Encoding::Seconds:
        return aValue.toDateTime().toUTC().toString(kDateTimeFormat);
    case Encoding::VUDateTime: {
        TKR_VUDateTime clock;
        clock.FromVariant(aValue);
        return clock.mDateTime.toUTC().toString(kDateTimeFormat) + QLatin1Char(' ') +
               OffsetText(clock.mOffset);
    }
    default:
        return aValue.toString();
    }
}

bool FromText(CKR_HiProt::T_ParamId aId, const QString& aText, QVariant& aValue, QString* aError)
{
    const CKR_HiProt::ParamInfo* info = CKR_HiProt::FindParam(aId);
    if (!info)
        return Fail(aError, QStringLiteral("unknown parameter %1").arg(aId));

    if (IsInteger(*info)) {
        bool ok = false;
        const quint64 value = aText.trimmed().toULongLong(&ok, 10);
        const quint64 limit = CKR_HiProt::MaxUnsigned(aId);
        if (!ok)
            return Fail(aError, QStringLiteral("not a decimal number: '%1'").arg(aText));
        if (value > limit)
            return Fail(aError, QStringLiteral("%1 does not fit in %2 byte(s)").arg(value).arg(info->size));
        aValue = QVariant::fromValue<quint64>(value);
        return true;
    }

    switch (info->read) {
    case Encoding::Date3: {
        const QDate date = QDate::fromString(aText.trimmed(), kDateFormat);
        if (!date.isValid())
            return Fail(aError, QStringLiteral("not a date dd/MM/yyyy: '%1'").arg(aText));
        if (!CKR_HiProt::HoldsValue(aId, date))
            return Fail(aError, QStringLiteral("year out of range 1985..2240: '%1'").arg(aText));
        aValue = date;
        return true;
    }
    case Encoding::Seconds: {
        const QDateTime when = ParseUtc(aText.trimmed());
        if (!when.isValid())
            return Fail(aError, QStringLiteral("not a date and time dd/MM/yyyy hh:mm:ss: '%1'").arg(aText));
        const qint64 secs = when.toSecsSinceEpoch();
        if (secs < 0 || secs > qint64(0xFFFFFFFFu))
            return Fail(aError, QStringLiteral("date and time out of range: '%1'").arg(aText));
        aValue = when;
        return true;
    }
    case Encoding::VUDateTime: {
        static const QRegularExpression pattern(QStringLiteral(
            "^\\s*(\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d)(?:\\s+([+-]\\d{1,2}:\\d\\d))?\\s*$"));
        const QRegularExpressionMatch match = pattern.match(aText);
        if (!match.hasMatch())
            return Fail(aError,
                        QStringLiteral("not a clock text dd/MM/yyyy hh:mm:ss +h:mm: '%1'").arg(aText));
        const QDateTime when = ParseUtc(match.captured(1));
        if (!when.isValid())
            return Fail(aError, QStringLiteral("not a valid date and time: '%1'").arg(aText));
        if (when.date() < CKR_HiProt::FirstDate() || when.date() > CKR_HiProt::LastDate())
            return Fail(aError, QStringLiteral("year out of range 1985..2240: '%1'").arg(aText));
        // The clock travels as 32-bit seconds since 1970: later times would wrap round to the 1970s.
        if (when.toSecsSinceEpoch() > qint64(0xFFFFFFFFu))
            return Fail(aError, QStringLiteral("date and time out of range: '%1'").arg(aText));
        int offset = 0;
        if (match.hasCaptured(2)) {
            // Exact minutes: the unit keeps any offset, not only whole half hours.
            const OffsetParts parts = ReadOffsetText(match.captured(2));
            if (parts.minutes > 59)
                return Fail(aError, QStringLiteral("offset minutes out of range: '%1'").arg(aText));
            if (parts.hours * 60 + parts.minutes > CKR_HiProt::MaxOffsetMinutes)
                return Fail(aError, QStringLiteral("offset out of range: '%1'").arg(aText));
            offset = int(parts.Exact());
        }
        aValue = TKR_VUDateTime(when, offset).ToVariant();
        return true;
    }
    default:
        aValue = aText;
        return true;
    }
}

} // namespace ParamText
