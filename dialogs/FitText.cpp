#include "dialogs/FitText.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>

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

void FitText(QWidget* aWidget)
{
    if (!aWidget || !Fittable(aWidget))
        return;
    QFont font = aWidget->font();
    if (font.stretch() != QFont::AnyStretch && font.stretch() != QFont::Unstretched) {
        font.setStretch(QFont::Unstretched); // a new text may fit at full width again
        aWidget->setFont(font);
    }
    for (int stretch = QFont::Unstretched; !Fits(aWidget) && stretch > NarrowestStretch;) {
        stretch -= StretchStep;
        font.setStretch(stretch);
        aWidget->setFont(font);
    }
}

void FitTexts(QWidget* aRoot)
{
    const QList<QWidget*> children = aRoot->findChildren<QWidget*>();
    for (QWidget* child : children)
        FitText(child);
}
