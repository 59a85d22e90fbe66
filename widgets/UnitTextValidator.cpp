#include "widgets/UnitTextValidator.h"

#include "widgets/UnitNumberBox.h"
#include "widgets/VUMessages.h"

#include <QLineEdit>
#include <QStringList>

UnitTextValidator::UnitTextValidator(CKR_HiProt::T_ParamId aId, const QString& aCaption, QObject* aParent)
    : QValidator(aParent), mId(aId), mCaption(aCaption)
{
}

QValidator::State UnitTextValidator::validate(QString& aInput, int& aPos) const
{
    Q_UNUSED(aPos); // a held text keeps its length
    if (!CKR_HiProt::HoldsText(mId, aInput))
        return Invalid;
    aInput = CKR_HiProt::HeldText(mId, aInput);
    return Acceptable;
}

void HoldUnitText(QLineEdit* aEdit, CKR_HiProt::T_ParamId aId, const QString& aCaption)
{
    aEdit->setValidator(new UnitTextValidator(aId, aCaption, aEdit));
    const int most = CKR_HiProt::MaxTextChars(aId);
    if (most >= 0 && aEdit->maxLength() > most)
        aEdit->setMaxLength(most);
}

bool UnitTextsHeld(QWidget* aWindow)
{
    for (QLineEdit* edit : aWindow->findChildren<QLineEdit*>()) {
        // A text the unit gave, untouched, goes back as it came (or is not written): only what the
        // technician typed or loaded from a record is refused.
        const auto* validator = qobject_cast<const UnitTextValidator*>(edit->validator());
        if (!validator || !edit->isModified() || CKR_HiProt::HoldsText(validator->Param(), edit->text()))
            continue;
        const QString unheld = CKR_HiProt::UnheldChars(validator->Param(), edit->text());
        QString why;
        if (!unheld.isEmpty()) {
            QStringList chars;
            for (const uint code : unheld.toUcs4()) {
                const char32_t c = code;
                chars << (QChar::isSpace(c)
                              ? QStringLiteral("пробельный символ U+%1")
                                    .arg(QString::number(uint(c), 16).toUpper().rightJustified(4, u'0'))
                              : QStringLiteral("«%1»").arg(QString::fromUcs4(&c, 1)));
            }
            why = QStringLiteral("тахограф не может сохранить %1 %2.")
                      .arg(chars.size() > 1 ? QStringLiteral("символы") : QStringLiteral("символ"),
                           chars.join(QStringLiteral(", ")));
        } else {
            why = QStringLiteral("тахограф хранит не более %1 символов.")
                      .arg(CKR_HiProt::MaxTextChars(validator->Param()));
        }
        // The field's page comes to the front, so the field shows when the message has gone.
        BringFieldToFront(aWindow, edit);
        ShowVUNotice(QStringLiteral("Значения не записаны:"),
                     QStringLiteral("Поле «%1»: %2 Исправьте значение и запишите снова.")
                         .arg(validator->Caption(), why),
                     aWindow);
        edit->setFocus();
        return false;
    }
    return true;
}

bool TextToWrite(const QLineEdit* aEdit)
{
    const auto* validator = qobject_cast<const UnitTextValidator*>(aEdit->validator());
    return !validator || aEdit->isModified() || CKR_HiProt::HoldsText(validator->Param(), aEdit->text());
}
