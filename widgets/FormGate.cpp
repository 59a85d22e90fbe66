#include "widgets/FormGate.h"

#include "widgets/UnitNumberBox.h"
#include "widgets/VUMessages.h"

QString FieldRefusal::Message() const
{
    return text.isNull() ? QStringLiteral("Поле «%1»: %2").arg(caption, reason)
                         : QStringLiteral("Поле «%1»: «%2» — %3").arg(caption, text, reason);
}

void FormGate::Refuse(QWidget* aField, const QString& aCaption, const QString& aText, const QString& aReason)
{
    mRefusals.append({aField, aCaption, aText, aReason});
}

std::optional<qint64> FormGate::Steps(const UnitNumberField& aField, QWidget* aWidget)
{
    const std::optional<qint64> steps = aField.HeldSteps();
    if (!steps)
        Refuse(aWidget, aField.Caption(), aField.Text().trimmed(),
               QStringLiteral("%1 (допустимо %2)").arg(aField.Problem(), aField.RangeText()));
    return steps;
}

void FormGate::ShowRefusals(QWidget* aWindow, const QString& aCaption) const
{
    if (mRefusals.isEmpty())
        return;
    QStringList lines;
    for (const FieldRefusal& refusal : mRefusals)
        lines << refusal.Message();
    QWidget* first = mRefusals.first().field;
    if (first)
        BringFieldToFront(aWindow, first);
    ShowVUNotice(aCaption, lines.join(QLatin1Char('\n')) + QStringLiteral("\nИсправьте значение."), aWindow);
    if (first)
        first->setFocus();
}
