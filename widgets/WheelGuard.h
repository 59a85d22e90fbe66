#pragma once

#include <QObject>

// Keeps the mouse wheel from changing values while a technician scrolls a form. Installed once on the
// application, it serves every window the program opens: a spin box, date edit or combo box takes the
// wheel only when it has the keyboard focus; otherwise the wheel goes to the scroll area around it (or,
// in a dialog without one, to nothing). Such fields also stop taking the focus from the wheel itself.
class WheelGuard : public QObject
{
    Q_OBJECT

public:
    explicit WheelGuard(QObject* aParent = nullptr) : QObject(aParent) {}

    // Installs a guard owned by aOwner on the application; it works until aOwner is destroyed.
    static void Install(QObject* aOwner);

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;
};
