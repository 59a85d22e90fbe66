#pragma once

#include "dialogs/WriteCycle.h"
#include "link/CKR_ClbrUartThrd.h"
#include "link/CKR_HiProt.h"
#include "link/UART.h"
#include "link/VUError.h"
#include "records/CalibrationRecord.h"
#include "widgets/CKR_ProgressBox.h"

#include <QDate>
#include <QDialog>
#include <QPointer>
#include <QVariant>

#include <memory>

namespace Ui {
class VUC_Clbr;
}
class QDomDocument;
class CKR_EditDlg;
class CKR_B6B7Dlg;

// Calibration of the vehicle unit: speed sources and sensor type, the constants W, K and L (edited in
// CKR_EditDlg), the next calibration date, B6, B7 and the CAN speedometer speed (tried live in
// CKR_B6B7Dlg). Owns its port and the worker that polls the impulse counter while idle.
// The constructor throws when no unit is found or its port cannot be opened.
class CKR_ClbrDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKR_ClbrDlg(QWidget* parent = nullptr, Qt::WindowFlags f = {});
    ~CKR_ClbrDlg() override;

    // The open sub-dialogs (null when none is open).
    CKR_EditDlg* EditDlg() const;
    CKR_B6B7Dlg* SpeedDlg() const;

    quint32 KConst() const { return mKConst; }
    quint32 WConst() const { return mWConst; }
    quint32 LConst() const { return mLConst; }
    QString TyreSize() const { return mTyreSize; }
    quint32 Options() const { return mOptions; }
    quint32 Settings() const { return mSettings; }
    quint8 TestSpeed() const { return mTestSpeed; }
    quint16 B6AsStored() const { return mB6AsStored; }
    quint16 B7AsStored() const { return mB7AsStored; }
    QVariant CANAsStored() const { return mCANAsStored; }
    QString RegNumber() const { return mRegNumber; }
    QString VIN() const { return mVIN; }
    double OdometerKm() const { return mOdometerKm; }
    // True while a reading or writing cycle runs.
    bool IsBusy() const;

public slots:
    void OnReadClick();
    void OnWriteClick();
    void OnLoadClick();
    void OnSaveClick();
    void OnSensorClick(bool aValue);
    void OnNextDatePlus2Click();
    void OnEditClick();
    void OnEditFinished(int aResult);
    void OnSpeedClick();
    void OnSpeedFinished(int aResult);
    void OnReadData(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    void OnReadComplete();
    void OnReadError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnPingData(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    void OnPingError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnWriteData(CKR_HiProt::T_ParamId aId);
    void OnWriteComplete();
    void OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnValueChanged(CKR_HiProt::T_ParamId aId, const QVariant& aNewValue);
    // Keeps the dialog open while a writing cycle runs (Закрыть, Esc and the window's close button).
    void reject() override;

private:
    void SetBusy(int aCount);
    void SetIdle();
    void FillSensorTypes();
    void ApplySettings();
    void CollectSettings();
    // The calibration record of what the dialog holds; CollectSettings() first for the form's sources.
    CalibrationFields CurrentRecord() const;
    void ApplyRecord(const QDomDocument& aDoc);
    void Fail(TKR_VUError aErr);
    // Before a write: W, K and L are none of them 0, and none beyond the limit unless the unit gave it.
    bool ConstantsHeld();
    // The values of the writing cycle, in the order OnWriteClick queues them.
    QList<WriteCycle::Value> CycleValues() const;
    void DropChild(QDialog* aChild);

    std::unique_ptr<Ui::VUC_Clbr> mUi;
    QPointer<CKR_EditDlg> mEditDlg;
    QPointer<CKR_B6B7Dlg> mSpeedDlg;
    CKR_ProgressBox mProgress;
    UART mPort;
    CKR_ClbrUartThrd mWorker;

    quint32 mKConst = 0;
    quint32 mWConst = 0;
    quint32 mLConst = 0;
    // K, W and L as last read from the unit.
    quint32 mUnitKConst = 0;
    quint32 mUnitWConst = 0;
    quint32 mUnitLConst = 0;
    QString mTyreSize;
    quint32 mOptions = 0;
    quint32 mSettings = 0;
    quint8 mTestSpeed = 0;
    quint16 mB6AsStored = 0;
    quint16 mB7AsStored = 0;
    QVariant mCANAsStored;
    QString mRegNumber;
    QString mVIN;
    // The VIN as last read from the unit, whatever a loaded record says.
    QString mUnitVIN;
    double mOdometerKm = -1.0;

    // Speed signal values of the writing cycle under way; they become the stored ones when it completes.
    quint16 mB6Writing = 0;
    quint16 mB7Writing = 0;
    QVariant mCANWriting;
    // Set once an exchange error has been reported: the worker serves nothing more.
    bool mFailed = false;
    WriteCycle mCycle;
    // The writes that give the unit back its stored speed signal values after the speed signal dialog
    // are under way: closing now would leave the unit with the tried ones.
    bool mRestoring = false;
};
