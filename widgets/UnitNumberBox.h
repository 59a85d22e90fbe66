#pragma once

#include "link/CKR_HiProt.h"

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>

#include <optional>

// The most the calibration dialogs take for W, K, L, B6 and B7 (impulses/km, mm): below the 65535 of
// their two-byte parameters.
inline constexpr qint64 kMaxCalibrationConstant = 64255;

// A number field takes what the technician types and never turns it into another number: a value
// outside its limits, or with more decimals than it keeps, stays as typed, the field turns red and says
// why ("не более 64255"), and the dialog refuses it on OK or Записать (NumberFieldsHeld). "," and "." are
// both the decimal point, in any locale. The arrows and the wheel step within the limits. A field that
// feeds a parameter takes its limits from the parameter's encoding (CKR_HiProt::MaxUnsigned), or narrower.
class UnitNumberField
{
public:
    virtual ~UnitNumberField() = default;

    // The field as the messages name it ("W", "Одометр").
    QString Caption() const { return mCaption; }
    // The text as it stands in the field.
    virtual QString Text() const = 0;
    // Why the text is no value the field takes; empty when it is one.
    QString Problem() const;
    // The allowed range as the messages give it: "от 1 до 64255".
    QString RangeText() const;
    // The typed value in steps of the last decimal (tenths for one decimal) when the field takes its text;
    // exact, since a text with more decimals than the field keeps is refused rather than rounded.
    std::optional<qint64> HeldSteps() const;
    // True when the technician typed into the field, or MarkChanged was called (a value loaded from a
    // record), since the program last set its value.
    bool Changed() const { return mChanged; }
    void MarkChanged() { mChanged = true; }

protected:
    // Limits in steps of the last decimal (tenths for one decimal).
    void SetRule(const QString& aCaption, qint64 aMinSteps, qint64 aMaxSteps);
    QValidator::State Check(const QString& aText) const;
    // Check, with a hint at aField when a keystroke is refused (a letter, a second point).
    QValidator::State CheckTyped(QWidget* aField, const QString& aInput) const;
    // The arrows from aNow steps: up below the maximum, down above the minimum.
    QAbstractSpinBox::StepEnabled Steppable(qint64 aNow, bool aReadOnly) const;
    // The text as a count of steps, rounded to the field's decimals; false when it is no number.
    bool Steps(const QString& aText, qint64* aSteps) const;
    QString StepsText(qint64 aSteps) const;
    // Colours the field and sets (and, with the focus, shows) the reason as its tool tip.
    void ShowState(QWidget* aField) const;
    // Follows aBox's text: an edit by the technician (typing, pasting) marks it changed, a text the
    // program sets marks it unchanged; and shows the state.
    void Watch(QAbstractSpinBox* aBox, QLineEdit* aEdit);
    virtual int Decimals() const = 0;

    qint64 mMinSteps = 0;
    qint64 mMaxSteps = 0;
    int mMaxDigits = 9;

private:
    QString mCaption;
    bool mChanged = false;
    QString mEditedText; // the text of the technician's last edit
};

// Whole numbers (W, K, L, B6, B7, speeds).
class UnitSpinBox : public QSpinBox, public UnitNumberField
{
    Q_OBJECT

public:
    explicit UnitSpinBox(QWidget* aParent = nullptr);

    // Limits aMin ... the largest number the encoding of aId holds, or aNarrowMax when that is smaller.
    void HoldParam(CKR_HiProt::T_ParamId aId, const QString& aCaption, qint64 aMin = 0,
                   qint64 aNarrowMax = -1);
    void SetLimits(const QString& aCaption, qint64 aMin, qint64 aMax);
    // A number the program puts in on the technician's behalf (a calculator's result): shown as it is,
    // even beyond the limits, and counted as changed.
    void ShowNumber(quint64 aValue);

    QString Text() const override;

    QValidator::State validate(QString& aInput, int& aPos) const override;
    void fixup(QString& aInput) const override;
    void stepBy(int aSteps) override;

protected:
    int valueFromText(const QString& aText) const override;
    QString textFromValue(int aValue) const override;
    StepEnabled stepEnabled() const override;
    int Decimals() const override { return 0; }
};

// Decimal numbers (odometer in km, a distance in metres): the decimals of the field.
class UnitDoubleSpinBox : public QDoubleSpinBox, public UnitNumberField
{
    Q_OBJECT

public:
    explicit UnitDoubleSpinBox(QWidget* aParent = nullptr);

    // Limits 0 ... the largest count of the encoding of aId, converted to the field's unit (aPerUnit of
    // the parameter's units make one of the field's: 1000 m a km) and truncated to its decimals.
    void HoldParam(CKR_HiProt::T_ParamId aId, const QString& aCaption, quint64 aPerUnit);
    void SetLimits(const QString& aCaption, double aMin, double aMax);
    double MaximumValue() const;

    QString Text() const override;

    QValidator::State validate(QString& aInput, int& aPos) const override;
    void fixup(QString& aInput) const override;
    void stepBy(int aSteps) override;

protected:
    double valueFromText(const QString& aText) const override;
    QString textFromValue(double aValue) const override;
    StepEnabled stepEnabled() const override;
    int Decimals() const override { return decimals(); }

private:
    qint64 ToSteps(double aValue) const;
};

// Brings the tab page holding aField to the front of aWindow's tab widgets.
void BringFieldToFront(QWidget* aWindow, QWidget* aField);

// Before a write or an OK: true when every number field of aWindow takes its text; otherwise the first
// that does not is named with its text and its limits in a message under aCaption, takes the focus, and
// the result is false. With aOnlyChanged, fields the technician has not changed (showing what the unit
// gave) do not count: they go back to the unit as they came.
bool NumberFieldsHeld(QWidget* aWindow, bool aOnlyChanged = true,
                      const QString& aCaption = QStringLiteral("Значения не записаны:"));
