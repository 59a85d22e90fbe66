#include "widgets/Formatters.h"

#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

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

bool DecimalFromText(const QString& aText, double* aValue)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?(\\d+[.,]?\\d*|[.,]\\d+)$"));
    QString text = aText.trimmed();
    if (!pattern.match(text).hasMatch())
        return false;
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return false;
    *aValue = value;
    return true;
}

double MaxOdometerKm()
{
    const quint64 tenths = CKR_HiProt::MaxUnsigned(CKR_HiProt::PID_VUHROdometer) / 100;
    return double(tenths) / 10.0;
}

bool OdometerFromText(const QString& aText, double* aValue)
{
    double value = 0.0;
    const bool ok = DecimalFromText(aText, &value);
    if (!ok || !std::isfinite(value) || value < 0.0 || value > kMaxOdometerKm)
        return false;
    *aValue = value;
    return true;
}

quint64 OdometerKmToMetres(double aKm)
{
    // Clamped before the conversion: a double beyond the integer's range has no defined conversion.
    // NaN fails both comparisons and counts as 0.
    const double km = aKm > kMaxOdometerKm ? kMaxOdometerKm : (aKm > 0.0 ? aKm : 0.0);
    return quint64(std::llround(km * 1000.0));
}

quint32 OdometerMetresToWrite(double aShownKm, quint64 aUnitMetres)
{
    const qint64 tenths = qRound64(aShownKm * 10.0);
    if (tenths == qRound64(aUnitMetres / 100.0))
        return quint32(aUnitMetres);
    return quint32(tenths * 100);
}

double OdometerTenthsKm(quint64 aMetres)
{
    // Whole hundreds of metres, so the km keep one decimal, truncated.
    return static_cast<double>(aMetres / 100) / 10.0;
}

QString OdometerText(double aKm)
{
    // Records hold tenths of a kilometre: show them, but no ".0" and no exponent. From 10,000,000 km on
    // the tenth would not fit the field's 9 characters; no unit reports such a reading.
    const double tenths = std::round(aKm * 10.0) / 10.0;
    if (std::fabs(tenths) < 1e7) {
        QString text = QString::number(tenths, 'f', 1);
        if (text.endsWith(QLatin1String(".0")))
            text.chop(2);
        if (text == QLatin1String("-0"))
            text = QStringLiteral("0");
        return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
    }
    // Nine digits still fit the field; beyond that the value is no odometer anyway.
    if (std::fabs(aKm) < 1e9)
        return QString::number(std::llround(aKm));
    return NumberText(aKm);
}

GnssTexts GnssTextsFromSentence(const QString& aText)
{
    const QString sentence = aText.trimmed();
    QStringList fields;
    if (sentence.size() > 10) {
        // The same locale as CoordText's, which reads the point back.
        const QString decimal = QLocale().decimalPoint();
        QString s = sentence.mid(7, sentence.size() - 10);
        s.replace(QLatin1Char(','), QLatin1Char('|'));
        s.replace(QLatin1Char('.'), decimal);
        fields = s.split(QLatin1Char('|'));
    }
    if (fields.size() < 11)
        return {};
    const QString suffix = fields[1] == QLatin1String("A") ? QString() : QStringLiteral(" (?)");
    GnssTexts texts;
    texts.latitude =
        QStringLiteral("%1 %2.ш.%3")
            .arg(CoordText(fields[2]),
                 fields[3] == QLatin1String("N") ? QStringLiteral("с") : QStringLiteral("ю"), suffix);
    texts.longitude =
        QStringLiteral("%1 %2.д.%3")
            .arg(CoordText(fields[4]),
                 fields[5] == QLatin1String("E") ? QStringLiteral("в") : QStringLiteral("з"), suffix);
    const double knots = QLocale().toDouble(fields[6]);
    texts.speed = QStringLiteral("%1 км/ч%2").arg(KnotsAsKmhText(knots), suffix);
    const QTime time = QTime::fromString(fields[0].left(6), QStringLiteral("hhmmss"));
    QDate date = QDate::fromString(fields[8], QStringLiteral("ddMMyy"));
    if (date.isValid() && date.year() < 2000)
        date = date.addYears(100);
    texts.dateTime = QDateTime(date, time).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")) + suffix;
    return texts;
}
