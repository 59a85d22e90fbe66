#include "dialogs/TyreCircumference.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

// The workshop tables are built with this value of pi; the full double precision would change the
// rounding of some sizes (185/65 R15 gives 1952 with it).
constexpr double Pi = 3.1415926;
constexpr double MmPerInch = 25.4;

int Round(double aValue)
{
    return static_cast<int>(aValue + 0.5);
}

bool Matches(const QString& aText, const char* aPattern)
{
    return QRegularExpression(QString::fromLatin1(aPattern)).match(aText).hasMatch();
}

// Every "," and "." becomes the locale's decimal point, so that QLocale parses it.
QString WithLocalePoint(QString aText)
{
    const QString point = QLocale().decimalPoint();
    aText.replace(QLatin1Char(','), point);
    aText.replace(QLatin1Char('.'), point);
    return aText;
}

int WheelDiameter(const QString& aText, QString* aInfo)
{
    const int l = Round(aText.toInt() * Pi);
    if (l > 0 && aInfo)
        *aInfo = QStringLiteral("Диаметр шины. L = %1мм").arg(l);
    return l > 0 ? l : -1;
}

int RollingDistance(const QString& aText, QString* aInfo)
{
    const QLocale locale;
    const QString text = WithLocalePoint(aText);
    const QString point = QRegularExpression::escape(locale.decimalPoint());
    const QRegularExpressionMatch distance =
        QRegularExpression(QStringLiteral("^\\d{1,2}(%1\\d{1,2})?").arg(point)).match(text);
    const double s = locale.toDouble(distance.captured(0));

    const QRegularExpressionMatch separator = QRegularExpression(QStringLiteral("[\\\\/:]\\s*")).match(text);
    const int n = text.mid(separator.capturedEnd(0)).toInt();
    if (n <= 0)
        return -1;
    const int l = Round(s * 1000.0 / n);
    if (l <= 0)
        return -1;
    if (aInfo)
        *aInfo = QStringLiteral("%1 оборотов колеса. L = %2мм").arg(n).arg(l);
    return l;
}

int MetricSize(const QString& aText, QString* aInfo)
{
    QStringList numbers;
    QRegularExpressionMatchIterator it =
        QRegularExpression(QStringLiteral("\\d+[,.]?\\d*")).globalMatch(aText);
    while (it.hasNext())
        numbers << it.next().captured(0);
    if (numbers.size() < 3)
        return -1;

    // Width and aspect ratio are whole numbers; one with a separator counts as 0 (not recognised).
    const int b = numbers[0].toInt();
    const int a = numbers[1].toInt();
    QString rim = numbers[2];
    const int comma = rim.indexOf(QLatin1Char(','));
    const int pos = comma >= 0 ? comma : rim.indexOf(QLatin1Char('.'));
    if (pos >= 0)
        rim.replace(pos, 1, QLocale().decimalPoint());
    const double r = QLocale().toDouble(rim);
    if (b <= 0 || a <= 0 || r <= 0)
        return -1;

    const int l = Round((r * MmPerInch + 2.0 * b * a / 100.0) * Pi);
    if (aInfo)
        *aInfo = QStringLiteral("Метрическая маркировка. L = %1мм").arg(l);
    return l;
}

int InchSize(const QString& aText, QString* aInfo)
{
    const int diameter = aText.left(2).toInt();
    const int l = Round(diameter * Pi * MmPerInch);
    if (l <= 0)
        return -1;
    if (aInfo)
        *aInfo = QStringLiteral("Дюймовая маркировка. L = %1мм").arg(l);
    return l;
}

} // namespace

int TyreCircumference(const QString& aText, QString* aInfo)
{
    const QString text = aText.simplified();
    if (aInfo)
        aInfo->clear();

    if (Matches(text, R"(^\d{3,4}$)"))
        return WheelDiameter(text, aInfo);
    if (Matches(text, R"(^\d{1,2}([,.]\d{1,2})?\s*[\\/:]\s*\d{1,2}$)"))
        return RollingDistance(text, aInfo);
    if (Matches(text, R"(^\d{2,3}\s*[\\/]\s*\d{2}\s*[Rr]?\s*\d{2}([,.]\d?)?$)"))
        return MetricSize(text, aInfo);
    if (Matches(text, R"(^\d{2}\s*[xX*]\s*\d{2}([,.]\d?)?\s*[-Rr]\s*\d{2}([,.]\d?)?$)"))
        return InchSize(text, aInfo);
    return -1;
}
