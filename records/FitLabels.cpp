#include "records/FitLabels.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QLabel>
#include <algorithm>

namespace {

// Section rules lie under their header labels; they are no neighbours.
bool IsRule(const QWidget* aWidget)
{
    const auto* frame = qobject_cast<const QFrame*>(aWidget);
    return frame && !qobject_cast<const QLabel*>(aWidget) &&
           (frame->frameShape() == QFrame::HLine || frame->frameShape() == QFrame::VLine);
}

void FitLabel(QLabel* aLabel)
{
    if (aLabel->wordWrap() || aLabel->text().isEmpty() || aLabel->sizeHint().width() <= aLabel->width())
        return;
    QWidget* parent = aLabel->parentWidget();
    if (!parent || parent->layout())
        return; // a layout places the label itself

    const QRect g = aLabel->geometry();
    int leftLimit = 2;
    int rightLimit = parent->width() - 2;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w == aLabel || w->isWindow() || IsRule(w))
            continue;
        const QRect r = w->geometry();
        if (r.bottom() < g.top() || r.top() > g.bottom())
            continue; // another row
        if (r.left() >= g.right())
            rightLimit = std::min(rightLimit, r.left() - 2);
        else if (r.right() <= g.left())
            leftLimit = std::max(leftLimit, r.right() + 2);
    }

    const int need = aLabel->sizeHint().width();
    int left = g.left();
    int right = g.left() + g.width();
    if (aLabel->alignment() & Qt::AlignRight) {
        left = std::max(leftLimit, right - need);
        right = std::max(right, std::min(rightLimit, left + need));
    } else {
        right = std::min(rightLimit, left + need);
        left = std::max(leftLimit, right - need);
    }
    aLabel->setGeometry(left, g.top(), right - left, g.height());

    QFont font = aLabel->font();
    while (aLabel->sizeHint().width() > aLabel->width() && font.pointSize() > 12) {
        font.setPointSize(font.pointSize() - 1);
        aLabel->setFont(font);
    }
}

// A field keeps its place; its font gets smaller until its longest content shows whole.
void FitField(QWidget* aField)
{
    QFont font = aField->font();
    while (aField->sizeHint().width() > aField->width() && font.pointSize() > 12) {
        font.setPointSize(font.pointSize() - 1);
        aField->setFont(font);
    }
}

} // namespace

void FitLabels(QWidget* aRoot)
{
    for (QLabel* label : aRoot->findChildren<QLabel*>())
        FitLabel(label);
    for (QComboBox* combo : aRoot->findChildren<QComboBox*>()) {
        if (!combo->isEditable())
            FitField(combo);
    }
    for (QDateTimeEdit* edit : aRoot->findChildren<QDateTimeEdit*>())
        FitField(edit);
}
