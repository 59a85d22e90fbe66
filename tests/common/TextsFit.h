#pragma once

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QStyle>

// Names of the widgets under aRoot whose text does not show whole: what the technician would see
// clipped. Labels (a wrapped one by its height), text buttons and combo boxes by the room their text asks
// for; a line edit, also the one inside a spin box or date edit, by its text against the room inside its
// frame, so a field that scrolls its text out of sight counts too. aRoot must have been shown, so that
// layouts and spin boxes have placed their children.
inline QStringList ClippedTexts(const QWidget* aRoot)
{
    QStringList clipped;
    for (const QWidget* w : aRoot->findChildren<QWidget*>()) {
        bool fits = true;
        if (const auto* label = qobject_cast<const QLabel*>(w)) {
            if (label->wordWrap()) {
                fits = label->heightForWidth(label->width()) <= label->height();
            } else {
                const QMargins m = label->contentsMargins();
                const int need = label->fontMetrics().horizontalAdvance(label->text()) + m.left() +
                                 m.right() + 2 * label->margin() + 2 * qMax(0, label->indent());
                fits = need <= label->width();
            }
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
            fits = button->text().isEmpty() || button->sizeHint().width() <= button->width();
        } else if (qobject_cast<const QComboBox*>(w)) {
            fits = w->sizeHint().width() <= w->width();
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
            const QMargins m = edit->textMargins();
            const int frame = edit->hasFrame()
                                  ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit)
                                  : 0;
            // QLineEdit keeps 2 pixels on each side of the text inside the frame.
            const int room = edit->contentsRect().width() - m.left() - m.right() - 2 * frame - 4;
            fits = edit->fontMetrics().horizontalAdvance(edit->text()) <= room;
        }
        if (fits)
            continue;
        // A spin box's field is named after its box.
        const QWidget* named =
            qobject_cast<const QAbstractSpinBox*>(w->parentWidget()) ? w->parentWidget() : w;
        clipped << named->objectName();
    }
    return clipped;
}
