#include "dialogs/FitEdits.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>

#include <functional>

namespace {

constexpr int NarrowestStretch = 70;
constexpr int StretchStep = 5;

// Narrows aWidget's font from full width until aFits() holds or the narrowest width is reached.
void Narrow(QWidget* aWidget, QFont aFont, const std::function<bool(const QFont&)>& aFits)
{
    aFont.setStretch(QFont::Unstretched);
    for (int stretch = QFont::Unstretched; !aFits(aFont) && stretch > NarrowestStretch;) {
        stretch -= StretchStep;
        aFont.setStretch(stretch);
    }
    aWidget->setFont(aFont);
}

} // namespace

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
    Narrow(aEdit, aEdit->font(),
           [&](const QFont& aFont) { return QFontMetrics(aFont).horizontalAdvance(widest) <= width; });
}

void FitTabs(QTabWidget* aTabs)
{
    QTabBar* bar = aTabs->tabBar();
    const int width = aTabs->width() - 4;
    Narrow(bar, aTabs->font(), [&](const QFont& aFont) {
        bar->setFont(aFont);
        return bar->sizeHint().width() <= width;
    });
}
