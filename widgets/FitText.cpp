#include "widgets/FitText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr int NarrowestStretch = 70;
constexpr int StretchStep = 5;

bool Fits(const QWidget* aWidget)
{
    if (const auto* label = qobject_cast<const QLabel*>(aWidget)) {
        const int margins = label->contentsMargins().left() + label->contentsMargins().right() +
                            2 * label->margin() + 2 * label->indent();
        return label->fontMetrics().horizontalAdvance(label->text()) + qMax(0, margins) <= label->width();
    }
    return aWidget->sizeHint().width() <= aWidget->width();
}

bool Fittable(const QWidget* aWidget)
{
    if (const auto* label = qobject_cast<const QLabel*>(aWidget))
        return !label->wordWrap() && label->textFormat() != Qt::RichText && label->pixmap().isNull();
    if (const auto* button = qobject_cast<const QAbstractButton*>(aWidget))
        return !button->text().isEmpty();
    return qobject_cast<const QComboBox*>(aWidget) != nullptr;
}

} // namespace

void NarrowUntil(QWidget* aWidget, const std::function<bool()>& aFits)
{
    QFont font = aWidget->font();
    if (font.stretch() != QFont::AnyStretch && font.stretch() != QFont::Unstretched) {
        font.setStretch(QFont::Unstretched); // a new text may fit at full width again
        aWidget->setFont(font);
    }
    for (int stretch = QFont::Unstretched; !aFits() && stretch > NarrowestStretch;) {
        stretch -= StretchStep;
        font.setStretch(stretch);
        aWidget->setFont(font);
    }
}

void FitText(QWidget* aWidget)
{
    if (aWidget && Fittable(aWidget))
        NarrowUntil(aWidget, [aWidget] { return Fits(aWidget); });
}

void FitTexts(QWidget* aRoot)
{
    const QList<QWidget*> children = aRoot->findChildren<QWidget*>();
    for (QWidget* child : children)
        FitText(child);
}

void FitDateTimeEdit(QDateTimeEdit* aEdit)
{
    const QLineEdit* field = aEdit->findChild<QLineEdit*>();
    if (!field)
        return;
    // An edit on a page not shown yet has not placed its inner field: let it do so now.
    QResizeEvent resize(aEdit->size(), aEdit->size());
    QCoreApplication::sendEvent(aEdit, &resize);
    const QString widest =
        aEdit->dateTime().toString(aEdit->displayFormat()).replace(QRegularExpression("\\d"), "8");
    const QMargins margins = field->textMargins();
    // A few pixels for the field's frame and the cursor.
    const int width = field->width() - margins.left() - margins.right() - 6;
    NarrowUntil(aEdit, [aEdit, &widest, width] {
        return QFontMetrics(aEdit->font()).horizontalAdvance(widest) <= width;
    });
}

void FitTabs(QTabWidget* aTabs)
{
    QTabBar* bar = aTabs->tabBar();
    const int width = aTabs->width() - 4;
    bar->setFont(aTabs->font());
    NarrowUntil(bar, [bar, width] { return bar->sizeHint().width() <= width; });
}
