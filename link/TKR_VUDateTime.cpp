#include "link/TKR_VUDateTime.h"

#include <cstdlib>

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
    case 3: {
        const int magnitude = std::abs(mOffset);
        return QStringLiteral("%1%2:%3")
            .arg(mOffset >= 0 ? QStringLiteral("+") : QStringLiteral("-"))
            .arg(magnitude / 60)
            .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
    }
    default:
        return {};
    }
}
