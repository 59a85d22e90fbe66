#include "widgets/CKR_GMTSpinBox.h"

#include "link/TKR_VUDateTime.h"

#include <QDebug>
#include <QRegularExpression>
#include <QToolTip>

#include <cstdlib>
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
    // An offset beyond the box's range would be turned into its end: the keystroke is refused, and said
    // why, instead.
    if (std::abs(ReadOffsetText(aText).HalfHours()) > maximum()) {
        auto* self = const_cast<CKR_GMTSpinBox*>(this);
        if (hasFocus())
            QToolTip::showText(
                self->mapToGlobal(QPoint(0, height())),
                QStringLiteral("Часовой пояс: от %1 до %2").arg(OffsetText(minimum()), OffsetText(maximum())),
                self);
        return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

int CKR_GMTSpinBox::valueFromText(const QString& aText) const
{
    qDebug().noquote().nospace() << "valueFromText (" << aText << ")";

    // Partly typed texts count too: "7" is seven hours, "1:" one hour. The range is the box's to keep;
    // here a direct call with a long digit string must only not overflow.
    const qint64 lowest = std::numeric_limits<int>::min();
    const qint64 highest = std::numeric_limits<int>::max();
    return static_cast<int>(qBound(lowest, ReadOffsetText(aText).HalfHours(), highest));
}

QString CKR_GMTSpinBox::textFromValue(int aValue) const
{
    qDebug().nospace() << "textFromValue (" << aValue << ")";
    return OffsetText(aValue);
}
