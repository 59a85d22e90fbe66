#include "link/TKR_VUDateTime.h"

TKR_VUDateTime::TKR_VUDateTime() : mDateTime(QDate(), QTime(), Qt::UTC) {}

TKR_VUDateTime::TKR_VUDateTime(const QDateTime& aDateTime, int aOffset)
    : mDateTime(aDateTime.toUTC()), mOffset(aOffset)
{
}

QVariant TKR_VUDateTime::ToVariant() const
{
    const quint32 seconds = mDateTime.isValid() ? quint32(mDateTime.toSecsSinceEpoch()) : 0;
    return QVariant(quint64(seconds) | (quint64(quint32(mOffset)) << 32));
}

void TKR_VUDateTime::FromVariant(const QVariant& aValue)
{
    const quint64 packed = aValue.toULongLong();
    mDateTime = QDateTime::fromSecsSinceEpoch(qint64(quint32(packed)), Qt::UTC);
    mOffset = qint32(quint32(packed >> 32));
}

QString TKR_VUDateTime::ToText(int aMode) const
{
    switch (aMode) {
    case 1:
        return mDateTime.toString(QStringLiteral("dd/MM/yyyy"));
    case 2:
        return mDateTime.toString(QStringLiteral("hh:mm:ss"));
    case 3:
        return OffsetText(mOffset);
    default:
        return {};
    }
}

QString OffsetText(qint64 aMinutes)
{
    // 64-bit, so that the magnitude of the smallest int is defined.
    const qint64 magnitude = aMinutes < 0 ? -aMinutes : aMinutes;
    return QStringLiteral("%1%2:%3")
        .arg(aMinutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 60)
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

qint64 OffsetParts::Exact() const
{
    const qint64 total = hours * 60 + minutes;
    return negative ? -total : total;
}

qint64 OffsetParts::HalfHours() const
{
    const qint64 total = hours * 60 + (minutes < 15 ? 0 : 30);
    return negative ? -total : total;
}

OffsetParts ReadOffsetText(const QString& aText)
{
    const QString text = aText.simplified();
    OffsetParts parts;
    parts.negative = text.startsWith(QLatin1Char('-'));
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    bool hoursOk = false;
    // toInt refuses a digit string beyond the int range; 64-bit keeps 60 times the hours defined.
    const qint64 hours = (colon > 0 ? text.left(colon) : text).toInt(&hoursOk, 10);
    parts.hours = hours < 0 ? -hours : hours;
    if (colon <= 0)
        return parts;
    const QString minutesText = text.mid(colon + 1);
    bool minutesOk = false;
    parts.minutes = minutesText.toUInt(&minutesOk, 10);
    if (!minutesOk) {
        // What is typed may still carry a sign here ("3:-20"); its magnitude counts.
        const qint64 signedMinutes = minutesText.toInt();
        parts.minutes = signedMinutes < 0 ? -signedMinutes : signedMinutes;
    }
    parts.complete = hoursOk && minutesOk;
    return parts;
}
