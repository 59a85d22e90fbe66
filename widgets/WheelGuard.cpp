#include "widgets/WheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QWheelEvent>

namespace {

// The fields whose value a wheel notch changes.
QWidget* ValueField(QObject* aObject)
{
    if (qobject_cast<QAbstractSpinBox*>(aObject) || qobject_cast<QComboBox*>(aObject))
        return static_cast<QWidget*>(aObject);
    return nullptr;
}

} // namespace

void WheelGuard::Install(QObject* aOwner)
{
    QCoreApplication::instance()->installEventFilter(new WheelGuard(aOwner));
}

bool WheelGuard::eventFilter(QObject* aWatched, QEvent* aEvent)
{
    if (aEvent->type() == QEvent::Polish) {
        // Qt gives these fields the focus on a wheel turn (WheelFocus), after which the turn would change
        // them after all: the wheel must not choose the field.
        if (QWidget* field = ValueField(aWatched); field && field->focusPolicy() == Qt::WheelFocus)
            field->setFocusPolicy(Qt::StrongFocus);
        return false;
    }
    if (aEvent->type() != QEvent::Wheel)
        return false;
    QWidget* field = ValueField(aWatched);
    if (!field || field->hasFocus())
        return false;

    const auto* wheel = static_cast<QWheelEvent*>(aEvent);
    for (QWidget* parent = field->parentWidget(); parent; parent = parent->parentWidget()) {
        auto* area = qobject_cast<QAbstractScrollArea*>(parent);
        if (!area)
            continue;
        QWidget* viewport = area->viewport();
        QWheelEvent scroll(viewport->mapFromGlobal(wheel->globalPosition()), wheel->globalPosition(),
                           wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                           wheel->phase(), wheel->inverted(), wheel->source());
        QCoreApplication::sendEvent(viewport, &scroll);
        break;
    }
    // Taken here: neither the field nor, when the event came from the window system, its parents see it.
    aEvent->accept();
    return true;
}
