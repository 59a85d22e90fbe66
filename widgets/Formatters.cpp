#include "widgets/Formatters.h"

#include "link/TKR_VUDateTime.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <cmath>

int LocalUtcOffset()
{
    // One reading of the clock, so that date and time belong to the same moment.
    const QDateTime local = QDateTime::currentDateTime();
    const QDateTime utc = local.toUTC();
    const qint64 days = utc.date().daysTo(local.date());
    const int seconds = utc.time().secsTo(local.time());
    return static_cast<int>((days * 86400 + seconds) / 60);
}

QString NumberText(double aValue)
{
    return QString::number(aValue, 'g', 6).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

QString CoordText(const QString& aText)
{
    const QString point = QLocale().decimalPoint();
    QString text = aText;
    if (!text.contains(point))
        text += point + QLatin1Char('0');
    text.prepend(QStringLiteral("00000"));

    // Three digits before the two minute digits are the degrees; the leading zeros make short texts work.
    const qsizetype p = text.indexOf(point);
    const uint degrees = text.mid(p - 5, 3).toUInt();

    // The minutes carry the locale's point; read them in the C notation.
    QString minutesText = text.mid(p - 2);
    minutesText.replace(point, QStringLiteral("."));
    const double minutes = minutesText.toDouble();
    // Converting a minutes value outside the int range (or infinity) to int is undefined.
    if (!std::isfinite(minutes) || std::fabs(minutes) >= 1e9)
        return aText;
    const int wholeMinutes = static_cast<int>(minutes);
    const double seconds = (minutes - wholeMinutes) * 60.0;

    return QStringLiteral("%1\u00B0 %2' %3\"")
        .arg(degrees)
        .arg(wholeMinutes)
        .arg(QString::number(seconds, 'g', 6));
}

QString KnotsAsKmhText(double aKnots)
{
    const double kmh = aKnots * 1.852;
    // Far below the 64-bit limit; beyond it the cast would be undefined, and no vehicle goes that fast.
    if (!std::isfinite(kmh) || std::fabs(kmh) >= 1e15)
        return NumberText(kmh);
    return QString::number(qint64(std::trunc(kmh)));
}

bool OffsetFromText(const QString& aText, int& aMinutes)
{
    const OffsetParts parts = ReadOffsetText(aText);
    if (!parts.complete)
        return false;
    constexpr qint64 kLimit = 23 * 60 + 30;
    aMinutes = int(std::clamp(parts.HalfHours(), -kLimit, kLimit));
    return true;
}
