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
        const VUPortSearch failed = FailedOpen(port, aPort.LastOpenFault());
        ShowVUErrorCauses(NoUnitCauses(failed.tried, failed.busy, failed.denied), nullptr);
        throw kVUConnectAbandoned;
    }
}

void EndOnVUError(QDialog* aDialog, TKR_VUError aErr)
{
    ShowVUError(aErr, QString(), aDialog);
    aDialog->reject();
}

void EndOnWriteError(QDialog* aDialog, TKR_VUError aErr, const QString& aAccount,
                     const std::function<void()>& aSave)
{
    ShowVUErrorAccount(aErr, aAccount, aDialog);
    if (aSave && AskVUConfirm(QStringLiteral(
                     "<p>Сохранить введенные значения в файл, чтобы потом загрузить их и повторить "
                     "запись?</p><p><b>Да</b> – сохранить в файл.</p>"
                     "<p><b>Нет</b> – закрыть окно без сохранения.</p>")))
        aSave();
    aDialog->reject();
}
