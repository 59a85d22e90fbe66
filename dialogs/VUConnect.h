#pragma once

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
