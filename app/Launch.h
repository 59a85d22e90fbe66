#pragma once

#include "widgets/ScreenFit.h"

#include <QCoreApplication>
#include <QWidget>

// The two ways the launcher runs a task dialog. Construction of a unit dialog searches the serial ports and
// may take seconds or give up by throwing; whatever happens, the launcher comes back visible and usable.

// The dialog runs on its own while the launcher is hidden. Used for the dialogs that talk to the unit.
template <class Dialog> void LaunchHiding(QWidget* aLauncher)
{
    aLauncher->setCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    try {
        Dialog dialog(nullptr, Qt::WindowFlags());
        aLauncher->hide();
        FitIntoScreen(&dialog);
        dialog.exec();
    } catch (...) {
        // A dialog that gives up has already told the user why.
    }
    aLauncher->show();
    aLauncher->setCursor(Qt::ArrowCursor);
}

// The dialog runs as a modal child of the launcher; aWaitCursor for the unit dialogs, whose
// construction searches the ports.
template <class Dialog> void LaunchChild(QWidget* aLauncher, bool aWaitCursor)
{
    if (aWaitCursor) {
        aLauncher->setCursor(Qt::WaitCursor);
        QCoreApplication::processEvents();
    }
    try {
        Dialog dialog(aLauncher, aLauncher->windowFlags());
        dialog.setModal(true);
        FitIntoScreen(&dialog);
        dialog.exec();
    } catch (...) {
    }
    aLauncher->setVisible(true);
    if (aWaitCursor)
        aLauncher->setCursor(Qt::ArrowCursor);
}
