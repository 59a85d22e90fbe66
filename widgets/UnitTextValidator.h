#pragma once

#include "link/CKR_HiProt.h"

#include <QValidator>

class QLineEdit;
class QWidget;

// A field whose text goes to the unit takes only what the unit's encoding holds (CKR_HiProt::HoldsText):
// a keystroke or paste that would put in a character the encoding cannot carry, or more characters than
// it keeps, is refused. The registration number shows what the unit will hold (CKR_HiProt::HeldText):
// lower case turns upper case, the Cyrillic capitals with a Latin twin turn into that twin.
class UnitTextValidator : public QValidator
{
    Q_OBJECT

public:
    UnitTextValidator(CKR_HiProt::T_ParamId aId, const QString& aCaption, QObject* aParent);

    State validate(QString& aInput, int& aPos) const override;

    CKR_HiProt::T_ParamId Param() const { return mId; }
    // The field's label as the messages name it ("Рег.номер").
    QString Caption() const { return mCaption; }

private:
    CKR_HiProt::T_ParamId mId;
    QString mCaption;
};

// Gives aEdit the validator for aId and a maximum length no longer than the encoding keeps.
void HoldUnitText(QLineEdit* aEdit, CKR_HiProt::T_ParamId aId, const QString& aCaption);

// Before a write: a text loaded from a record (or typed) may still be one the unit cannot hold. True when
// every changed field of aWindow with a UnitTextValidator (typed into, or marked modified when a record
// filled it) holds its text; otherwise the first that does not is named in a message with its characters,
// takes the focus, and the result is false. A field still showing what the unit gave never blocks: see
// TextToWrite.
bool UnitTextsHeld(QWidget* aWindow);

// Whether aEdit's text is to be written: false for an untouched text that the unit gave and that its
// encoding cannot hold, so that the unit keeps exactly what it has rather than a text with characters
// lost.
bool TextToWrite(const QLineEdit* aEdit);
