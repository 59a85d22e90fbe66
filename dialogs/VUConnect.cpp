#include "dialogs/VUConnect.h"

#include "link/CKR_VUPortFindThrd.h"
#include "link/UART.h"
#include "widgets/VUMessages.h"

void ConnectVU(UART& aPort, QWidget* aParent)
{
    // The dialog under construction must not be shown (and hidden again) by the error dialog.
    Q_UNUSED(aParent);

    QString tried;
    const int port = FindVUPort(&tried);
    if (port < 0) {
        ShowVUError(VUErr::NoUnitFound, tried, nullptr);
        throw kVUConnectAbandoned;
    }
    if (aPort.Open(port, 9600) != S_OK) {
        ShowVUError(VUErr::NoUnitFound, QString::number(port), nullptr);
        throw kVUConnectAbandoned;
    }
}
