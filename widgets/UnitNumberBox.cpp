#include "widgets/UnitNumberBox.h"

#include "widgets/Formatters.h"
#include "widgets/VUMessages.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace {

// The spin boxes' own range is wide, so that a number beyond the field's limits stays as typed; the
// digits a field takes keep every typed number within it.
constexpr int kIntBoxTop = 999999999;
constexpr int kIntDigits = 9;
constexpr double kDoubleBoxTop = 1e11;
constexpr int kDoubleDigits = 11;

const QColor kRefusedBase(255, 205, 205);

qint64 Scale(int aDecimals)
{
    qint64 scale = 1;
    for (int i = 0; i < aDecimals; ++i)
        scale *= 10;
    return scale;
}

bool IsPoint(QChar aChar)
{
    return aChar == QLatin1Char(',') || aChar == QLatin1Char('.');
}

// Digits after the point, digits in all, points: what the text holds besides blanks.
struct TextShape
{
    int digits = 0;
    int decimals = 0;
    int points = 0;
    bool other = false;
};

TextShape ShapeOf(const QString& aText)
{
    TextShape shape;
    for (const QChar c : aText.trimmed()) {
        if (c.isDigit() && c.unicode() < 0x80) {
            ++shape.digits;
            if (shape.points > 0)
                ++shape.decimals;
        } else if (IsPoint(c)) {
            ++shape.points;
        } else {
            shape.other = true;
        }
    }
    return shape;
}

void ShowHint(QWidget* aField, const QString& aText)
{
    if (aField->hasFocus())
        QToolTip::showText(aField->mapToGlobal(QPoint(0, aField->height())), aText, aField);
}

} // namespace

// --- the rule ---------------------------------------------------------------------------------------

void UnitNumberField::SetRule(const QString& aCaption, qint64 aMinSteps, qint64 aMaxSteps)
{
    mCaption = aCaption;
    mMinSteps = aMinSteps;
    mMaxSteps = aMaxSteps;
}

void UnitNumberField::Watch(QAbstractSpinBox* aBox, QLineEdit* aEdit)
{
    // An edit of the technician comes as textEdited; a value the program sets changes the text without
    // it (the box blocks its line edit's signals then) and announces it as the box's own text change.
    QObject::connect(aEdit, &QLineEdit::textEdited, aBox, [this](const QString& aText) {
        mChanged = true;
        mEditedText = aText;
    });
    QObject::connect(aEdit, &QLineEdit::textChanged, aBox, [this, aBox] { ShowState(aBox); });
    const auto programSet = [this, aBox, aEdit] {
        if (aEdit->displayText() != mEditedText)
            mChanged = false;
        ShowState(aBox);
    };
    if (auto* spin = qobject_cast<QSpinBox*>(aBox))
        QObject::connect(spin, &QSpinBox::textChanged, aBox, programSet);
    else if (auto* doubleSpin = qobject_cast<QDoubleSpinBox*>(aBox))
        QObject::connect(doubleSpin, &QDoubleSpinBox::textChanged, aBox, programSet);
}

QValidator::State UnitNumberField::Check(const QString& aText) const
{
    // Only what cannot be part of a number is refused as a keystroke (with a hint); any number, even one
    // beyond the limits, stays in the field as typed.
    const TextShape shape = ShapeOf(aText);
    if (shape.other || shape.points > 1 || shape.digits > mMaxDigits)
        return QValidator::Invalid;
    return QValidator::Acceptable;
}

QValidator::State UnitNumberField::CheckTyped(QWidget* aField, const QString& aInput) const
{
    const QValidator::State state = Check(aInput);
    if (state == QValidator::Invalid)
        ShowHint(aField, QStringLiteral("%1: только цифры%2, %3")
                             .arg(mCaption, Decimals() > 0 ? QStringLiteral(" и одна запятая") : QString(),
                                  RangeText()));
    return state;
}

QAbstractSpinBox::StepEnabled UnitNumberField::Steppable(qint64 aNow, bool aReadOnly) const
{
    QAbstractSpinBox::StepEnabled enabled = QAbstractSpinBox::StepNone;
    if (aReadOnly)
        return enabled;
    if (aNow < mMaxSteps)
        enabled |= QAbstractSpinBox::StepUpEnabled;
    if (aNow > mMinSteps)
        enabled |= QAbstractSpinBox::StepDownEnabled;
    return enabled;
}

bool UnitNumberField::Steps(const QString& aText, qint64* aSteps) const
{
    double value = 0.0;
    if (!DecimalFromText(aText, &value) || value < 0.0)
        return false;
    *aSteps = std::llround(value * double(Scale(Decimals())));
    return true;
}

QString UnitNumberField::StepsText(qint64 aSteps) const
{
    const qint64 scale = Scale(Decimals());
    QString text = QString::number(aSteps / scale);
    // Whole numbers without ",0", as the other number texts of the program show them.
    if (Decimals() > 0 && aSteps % scale != 0)
        text += QLocale().decimalPoint() +
                QString::number(aSteps % scale).rightJustified(Decimals(), QLatin1Char('0'));
    return text;
}

QString UnitNumberField::RangeText() const
{
    return QStringLiteral("от %1 до %2").arg(StepsText(mMinSteps), StepsText(mMaxSteps));
}

QString UnitNumberField::Problem() const
{
    const QString text = Text();
    const TextShape shape = ShapeOf(text);
    qint64 steps = 0;
    if (shape.digits == 0)
        return QStringLiteral("введите число");
    if (shape.other || shape.points > 1 || !Steps(text, &steps))
        return QStringLiteral("это не число");
    if (shape.decimals > Decimals())
        return Decimals() == 0 ? QStringLiteral("только целое число")
                               : QStringLiteral("не более %1 знака после запятой").arg(Decimals());
    if (steps < mMinSteps)
        return QStringLiteral("не менее %1").arg(StepsText(mMinSteps));
    if (steps > mMaxSteps)
        return QStringLiteral("не более %1").arg(StepsText(mMaxSteps));
    return {};
}

std::optional<qint64> UnitNumberField::HeldSteps() const
{
    qint64 steps = 0;
    if (!Problem().isEmpty() || !Steps(Text(), &steps))
        return std::nullopt;
    return steps;
}

void UnitNumberField::ShowState(QWidget* aField) const
{
    const QString problem = Problem();
    QPalette palette = aField->palette();
    if (problem.isEmpty()) {
        palette.setColor(QPalette::Base, QApplication::palette(aField).color(QPalette::Base));
        aField->setToolTip(QString());
    } else {
        palette.setColor(QPalette::Base, kRefusedBase);
        aField->setToolTip(QStringLiteral("%1: %2").arg(mCaption, problem));
        ShowHint(aField, aField->toolTip());
    }
    aField->setPalette(palette);
}

// --- whole numbers --------------------------------------------------------------------------------

UnitSpinBox::UnitSpinBox(QWidget* aParent) : QSpinBox(aParent)
{
    mMaxDigits = kIntDigits;
    SetLimits(QString(), 0, kIntBoxTop);
    Watch(this, lineEdit());
}

void UnitSpinBox::HoldParam(CKR_HiProt::T_ParamId aId, const QString& aCaption, qint64 aMin,
                            qint64 aNarrowMax)
{
    quint64 most = CKR_HiProt::MaxUnsigned(aId);
    if (aNarrowMax >= 0)
        most = std::min(most, quint64(aNarrowMax));
    SetLimits(aCaption, aMin, qint64(std::min(most, quint64(kIntBoxTop))));
}

void UnitSpinBox::SetLimits(const QString& aCaption, qint64 aMin, qint64 aMax)
{
    SetRule(aCaption, aMin, aMax);
    setRange(0, kIntBoxTop);
    // Built from a form, the box may show no text until its value changes: show the value it holds.
    if (Text().isEmpty() && !Changed())
        lineEdit()->setText(textFromValue(value()));
    ShowState(this);
}

void UnitSpinBox::ShowNumber(quint64 aValue)
{
    setValue(int(std::min(aValue, quint64(kIntBoxTop))));
    MarkChanged();
}

QString UnitSpinBox::Text() const
{
    return lineEdit()->displayText();
}

QValidator::State UnitSpinBox::validate(QString& aInput, int& aPos) const
{
    Q_UNUSED(aPos);
    return CheckTyped(const_cast<UnitSpinBox*>(this), aInput);
}

void UnitSpinBox::fixup(QString& aInput) const
{
    Q_UNUSED(aInput); // a typed number is never rewritten
}

int UnitSpinBox::valueFromText(const QString& aText) const
{
    qint64 steps = 0;
    if (!Steps(aText, &steps))
        return value();
    return int(std::min<qint64>(steps, kIntBoxTop));
}

QString UnitSpinBox::textFromValue(int aValue) const
{
    // The box rewrites its text from the value when editing ends: the number as typed stays.
    const QString typed = lineEdit() ? lineEdit()->displayText() : QString();
    qint64 steps = 0;
    if (Steps(typed, &steps) && steps == aValue)
        return typed;
    return StepsText(aValue);
}

void UnitSpinBox::stepBy(int aSteps)
{
    qint64 now = value();
    Steps(Text(), &now);
    const qint64 next = std::clamp(now + qint64(aSteps) * singleStep(), mMinSteps, mMaxSteps);
    setValue(int(next));
    MarkChanged();
}

QAbstractSpinBox::StepEnabled UnitSpinBox::stepEnabled() const
{
    qint64 now = value();
    Steps(Text(), &now);
    return Steppable(now, isReadOnly());
}

// --- decimal numbers ------------------------------------------------------------------------------

UnitDoubleSpinBox::UnitDoubleSpinBox(QWidget* aParent) : QDoubleSpinBox(aParent)
{
    mMaxDigits = kDoubleDigits;
    SetLimits(QString(), 0.0, kDoubleBoxTop);
    Watch(this, lineEdit());
}

void UnitDoubleSpinBox::HoldParam(CKR_HiProt::T_ParamId aId, const QString& aCaption, quint64 aPerUnit)
{
    // Truncated: the field's largest value, converted back, must fit the encoding.
    const quint64 steps = CKR_HiProt::MaxUnsigned(aId) / aPerUnit * quint64(Scale(decimals())) +
                          CKR_HiProt::MaxUnsigned(aId) % aPerUnit * quint64(Scale(decimals())) / aPerUnit;
    SetRule(aCaption, 0, qint64(steps));
    setRange(0.0, kDoubleBoxTop);
    ShowState(this);
}

void UnitDoubleSpinBox::SetLimits(const QString& aCaption, double aMin, double aMax)
{
    const double scale = double(Scale(decimals()));
    SetRule(aCaption, std::llround(aMin * scale), std::llround(aMax * scale));
    setRange(0.0, kDoubleBoxTop);
    ShowState(this);
}

double UnitDoubleSpinBox::MaximumValue() const
{
    return double(mMaxSteps) / double(Scale(Decimals()));
}

qint64 UnitDoubleSpinBox::ToSteps(double aValue) const
{
    return std::llround(aValue * double(Scale(Decimals())));
}

QString UnitDoubleSpinBox::Text() const
{
    return lineEdit()->displayText();
}

QValidator::State UnitDoubleSpinBox::validate(QString& aInput, int& aPos) const
{
    Q_UNUSED(aPos);
    return CheckTyped(const_cast<UnitDoubleSpinBox*>(this), aInput);
}

void UnitDoubleSpinBox::fixup(QString& aInput) const
{
    Q_UNUSED(aInput); // a typed number is never rewritten
}

double UnitDoubleSpinBox::valueFromText(const QString& aText) const
{
    qint64 steps = 0;
    if (!Steps(aText, &steps))
        return value();
    return std::min(double(steps) / double(Scale(Decimals())), kDoubleBoxTop);
}

QString UnitDoubleSpinBox::textFromValue(double aValue) const
{
    // The box rewrites its text from the value when editing ends: the number as typed stays.
    const QString typed = lineEdit() ? lineEdit()->displayText() : QString();
    qint64 steps = 0;
    if (Steps(typed, &steps) && steps == ToSteps(aValue))
        return typed;
    return StepsText(ToSteps(aValue));
}

void UnitDoubleSpinBox::stepBy(int aSteps)
{
    qint64 now = ToSteps(value());
    Steps(Text(), &now);
    const qint64 next = std::clamp(now + aSteps * ToSteps(singleStep()), mMinSteps, mMaxSteps);
    setValue(double(next) / double(Scale(Decimals())));
    MarkChanged();
}

QAbstractSpinBox::StepEnabled UnitDoubleSpinBox::stepEnabled() const
{
    qint64 now = ToSteps(value());
    Steps(Text(), &now);
    return Steppable(now, isReadOnly());
}

// --- before a write -------------------------------------------------------------------------------

void BringFieldToFront(QWidget* aWindow, QWidget* aField)
{
    const QList<QTabWidget*> tabWidgets = aWindow->findChildren<QTabWidget*>();
    for (QWidget* page = aField; page && page != aWindow; page = page->parentWidget())
        for (QTabWidget* tabs : tabWidgets)
            if (tabs->indexOf(page) >= 0)
                tabs->setCurrentWidget(page);
}

bool NumberFieldsHeld(QWidget* aWindow, bool aOnlyChanged, const QString& aCaption)
{
    for (QAbstractSpinBox* box : aWindow->findChildren<QAbstractSpinBox*>()) {
        auto* field = dynamic_cast<UnitNumberField*>(box);
        if (!field || (aOnlyChanged && !field->Changed()))
            continue;
        const QString problem = field->Problem();
        if (problem.isEmpty())
            continue;
        BringFieldToFront(aWindow, box);
        ShowVUNotice(aCaption,
                     QStringLiteral("Поле «%1»: «%2» — %3 (допустимо %4). Исправьте значение.")
                         .arg(field->Caption(), field->Text().trimmed(), problem, field->RangeText()),
                     aWindow);
        box->setFocus();
        return false;
    }
    return true;
}
