#pragma once

#include "dialogs/WriteCycle.h"
#include "link/CKR_FirstUartThrd.h"
#include "link/UART.h"
#include "widgets/CKR_ProgressBox.h"

#include <QDateTime>
#include <QDialog>

#include <memory>

class CKR_GMTSpinBox;
namespace Ui {
class VU_First;
}

// First activation of a unit: reads the VIN and the unit clock with its time zone, lets the technician
// correct them (or take the PC clock) and writes both back. The shown time follows the unit clock and
// keeps the technician's correction as an offset to it.
class CKR_FirstDlg : public QDialog
{
    Q_OBJECT

public:
    // Throws VUConnectAbandoned (after showing the error) when no unit answers.
    explicit CKR_FirstDlg(QWidget* parent = nullptr, Qt::WindowFlags f = {});
    ~CKR_FirstDlg() override;

public slots:
    void OnReadClick();
    void OnWriteClick();
    void OnPCDateTimeClick();
    void OnVUDTChanged(const QDateTime& aNewValue);
    void OnVUGMTChanged(int aNewValue);
    void OnDTEditingFinished();
    void OnReadData(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    void OnReadComplete();
    void OnReadError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnPingData(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    void OnPingError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnWriteData(CKR_HiProt::T_ParamId aId);
    void OnWriteComplete();
    void OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    // Keeps the dialog open while a writing cycle runs (Закрыть, Esc and the window's close button).
    void reject() override;

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
    void Begin(int aSteps);
    void End();
    void ReceiveValue(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    void RefreshEditors();
    void Fail(TKR_VUError aErr);
    // The values of the writing cycle, in the order OnWriteClick queues them, each with the value typed:
    // this dialog keeps no record, so a cycle cut short shows them for the next try.
    QList<WriteCycle::Value> CycleValues() const;

    std::unique_ptr<Ui::VU_First> mUi;
    CKR_ProgressBox mProgress;
    UART mPort;
    CKR_FirstUartThrd mWorker;
    CKR_GMTSpinBox* mGMT = nullptr;
    QDateTime mVUDT;   // unit clock as last received, UTC
    int mVUZone;       // unit time zone as last received, minutes
    qint64 mDltDT = 0; // seconds added to mVUDT for display and writing
    int mDltGMT = 0;   // minutes added to mVUZone for display and writing
    bool mLive = true; // received times refresh the editors
    WriteCycle mCycle;
};
