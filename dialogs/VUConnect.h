#pragma once

#include "link/CKR_UartThrd.h"
#include "link/VUError.h"

#include <QObject>
#include <QVariant>

#include <functional>

class QDialog;
class QWidget;
class UART;

// Thrown (an integer) by a VU dialog's constructor when no unit answers or the found port cannot be opened;
// the launcher catches it and shows itself again. The error dialog has already been shown.
using VUConnectAbandoned = int;
constexpr VUConnectAbandoned kVUConnectAbandoned = 7;

// Finds the port on which a unit answers and opens aPort on it at 9600 baud. Otherwise shows the error
// dialog with code 7 (the list of tried ports, or the port number that failed to open, with the ports
// held by another program or closed to this user) and throws
// VUConnectAbandoned. aParent is the dialog under construction: it is not shown yet, so the error dialog
// gets no parent and is centred on the screen.
void ConnectVU(UART& aPort, QWidget* aParent);

// Connects the worker's eight signals to the unit dialog's slots of the same names. Queued across the
// threads, with copies of the values.
template <class Dialog> void ConnectWorker(CKR_UartThrd& aWorker, Dialog* aDialog)
{
    QObject::connect(&aWorker, &CKR_UartThrd::OnReadData, aDialog, &Dialog::OnReadData);
    QObject::connect(&aWorker, &CKR_UartThrd::OnReadComplete, aDialog, &Dialog::OnReadComplete);
    QObject::connect(&aWorker, &CKR_UartThrd::OnReadError, aDialog, &Dialog::OnReadError);
    QObject::connect(&aWorker, &CKR_UartThrd::OnWriteData, aDialog, &Dialog::OnWriteData);
    QObject::connect(&aWorker, &CKR_UartThrd::OnWriteComplete, aDialog, &Dialog::OnWriteComplete);
    QObject::connect(&aWorker, &CKR_UartThrd::OnWriteError, aDialog, &Dialog::OnWriteError);
    QObject::connect(&aWorker, &CKR_UartThrd::OnPingData, aDialog, &Dialog::OnPingData);
    QObject::connect(&aWorker, &CKR_UartThrd::OnPingError, aDialog, &Dialog::OnPingError);
}

// The end of a unit dialog after an exchange error (the worker serves nothing more): says why over
// aDialog and rejects it. reject() rather than close(): a hidden dialog ignores close() and its modal run
// would go on.
void EndOnVUError(QDialog* aDialog, TKR_VUError aErr);

// The end of a unit dialog whose writing cycle was cut short: the error with the causes and aAccount (what
// reached the unit and what did not), then, when aSave is given, the offer to keep what was typed as a
// record before the dialog closes (aSave asks for the file and writes it), so that the job can be loaded
// and written again.
void EndOnWriteError(QDialog* aDialog, TKR_VUError aErr, const QString& aAccount,
                     const std::function<void()>& aSave);

// An unsigned value as the worker takes it for a write.
inline QVariant Unsigned(quint64 aValue)
{
    return QVariant::fromValue<quint64>(aValue);
}
