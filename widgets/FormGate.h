#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

class QLineEdit;
class UnitNumberField;

// What a dialog refuses to take from its form: the field, its caption as the messages name it, the text
// as it stands and why it is refused.
struct FieldRefusal
{
    QPointer<QWidget> field;
    QString caption;
    QString text;
    QString reason;

    // "Поле «W»: «65535» — не более 64255 (допустимо от 1 до 64255)".
    QString Message() const;
};

// A dialog reads its form once, through one function that checks every field into a FormGate and returns
// the values only when nothing was refused; writing, saving, printing and the account of a cut-short write
// all take that one result. The gate collects every refusal, so the message can name them all.
class FormGate
{
public:
    void Refuse(QWidget* aField, const QString& aCaption, const QString& aText, const QString& aReason);

    // A number field's value in steps of its last decimal (tenths for one decimal), exactly as typed:
    // empty, with a refusal, when the text is no value the field takes. A field the technician has not
    // changed still counts: whoever calls decides whether an untouched field goes anywhere.
    std::optional<qint64> Steps(const UnitNumberField& aField, QWidget* aWidget);

    bool Held() const { return mRefusals.isEmpty(); }
    const QList<FieldRefusal>& Refusals() const { return mRefusals; }

    // Names every refusal under aCaption in one notice; the first field's page comes to the front and the
    // field takes the focus. Does nothing when nothing was refused.
    void ShowRefusals(QWidget* aWindow, const QString& aCaption) const;

private:
    QList<FieldRefusal> mRefusals;
};

// The values of a form, or the refusals that kept them back.
template <class T> struct Gated
{
    std::optional<T> values;
    QList<FieldRefusal> refusals;

    bool Held() const { return values.has_value(); }
};
