#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QStringList>

// Names of the labels, text buttons and combo boxes under aRoot whose text is wider than the widget:
// what the technician would see clipped.
inline QStringList ClippedTexts(const QWidget* aRoot)
{
    QStringList clipped;
    for (const QWidget* w : aRoot->findChildren<QWidget*>()) {
        int need = 0;
        if (const auto* label = qobject_cast<const QLabel*>(w))
            need = label->fontMetrics().horizontalAdvance(label->text());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            need = button->text().isEmpty() ? 0 : button->sizeHint().width();
        else if (qobject_cast<const QComboBox*>(w))
            need = w->sizeHint().width();
        if (need > w->width())
            clipped << w->objectName();
    }
    return clipped;
}
