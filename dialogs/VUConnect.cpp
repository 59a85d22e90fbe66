#include "dialogs/VUConnect.h"

#include "link/CKR_VUPortFindThrd.h"
#include "link/UART.h"
#include "widgets/VUMessages.h"

#include <QDialog>

void ConnectVU(UART& aPort, QWidget* aParent)
{
    // The dialog under construction must not be shown (and hidden again) by the error dialog.
    Q_UNUSED(aParent);

    VUPortSearch search;
    const int port = FindVUPort(&search);
    if (port < 0) {
        ShowVUErrorCauses(NoUnitCauses(search.tried, search.busy, search.denied), nullptr);
        throw kVUConnectAbandoned;
    }
    if (aPort.Open(port, 9600) != S_OK) {
        // Another program may have taken the port since the search let it go.
        const UART::OpenFault fault = aPort.LastOpenFault();
        ShowVUErrorCauses(NoUnitCauses(QString::number(port),
                                       fault == UART::OpenFault::Busy ? QList<int>{port} : QList<int>{},
                                       fault == UART::OpenFault::Denied ? QList<int>{port} : QList<int>{}),
                          nullptr);
        throw kVUConnectAbandoned;
    }
}

void EndOnVUError(QDialog* aDialog, TKR_VUError aErr)
{
    ShowVUError(aErr, QString(), aDialog);
    aDialog->reject();
}
