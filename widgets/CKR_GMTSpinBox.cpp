#include "widgets/CKR_GMTSpinBox.h"

#include <QDebug>
#include <QRegularExpression>

#include <limits>

CKR_GMTSpinBox::CKR_GMTSpinBox(QWidget* aParent) : QSpinBox(aParent)
{
    setMinimum(-1410);
    setMaximum(1410);
    setValue(240);
    setSingleStep(30);
    setMinimumSize(0, 40);
}

QValidator::State CKR_GMTSpinBox::validate(QString& aText, int& aPos) const
{
    Q_UNUSED(aPos);
    qDebug().noquote() << "CKR_GMTSpinBox::validate:" << aText;

    // Anything that can still grow into "+h:mm" is worth keeping while typing.
    static const QRegularExpression possible(QStringLiteral("^[+-]?\\d{0,2}:?\\d{0,2}$"));
    static const QRegularExpression complete(QStringLiteral("^[+-]?\\d{1,2}(:\\d{1,2})?$"));
    if (!possible.match(aText).hasMatch())
        return QValidator::Invalid;
    if (!complete.match(aText).hasMatch())
        return QValidator::Intermediate;
    return QValidator::Acceptable;
}

int CKR_GMTSpinBox::valueFromText(const QString& aText) const
{
    qDebug().noquote().nospace() << "valueFromText (" << aText << ")";

    const QString text = aText.simplified();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    qint64 hours = 0;
    qint64 half = 0;
    if (colon > 0) {
        hours = text.left(colon).toInt();
        const int minutes = text.mid(colon + 1).toInt();
        half = qAbs(minutes) < 15 ? 0 : 30;
    } else {
        hours = text.toInt();
    }

    // 64-bit arithmetic: a direct call with a long digit string must not overflow.
    const qint64 result = text.startsWith(QLatin1Char('-')) ? -(qAbs(hours) * 60 + half) : hours * 60 + half;
    const qint64 lowest = std::numeric_limits<int>::min();
    const qint64 highest = std::numeric_limits<int>::max();
    return static_cast<int>(qBound(lowest, result, highest));
}

QString CKR_GMTSpinBox::textFromValue(int aValue) const
{
    qDebug().nospace() << "textFromValue (" << aValue << ")";

    // 64-bit so that negating the smallest int stays defined.
    const qint64 v = aValue;
    const qint64 magnitude = v < 0 ? -v : v;
    return QStringLiteral("%1%2:%3")
        .arg(v < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 60)
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}
