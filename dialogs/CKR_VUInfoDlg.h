#pragma once

#include "dialogs/WriteCycle.h"
#include "link/CKR_InfoUartThrd.h"
#include "link/UART.h"
#include "records/RegistrationRecord.h"
#include "widgets/CKR_ProgressBox.h"

#include <QDateTime>
#include <QDialog>

#include <memory>

class CKR_GMTSpinBox;
class QDomDocument;
namespace Ui {
class VUS_Info;
class VUS_Sensor;
class VUS_GPS;
class VUS_Modem;
} // namespace Ui

// Identity and registration data of the unit: reads them all, shows the optional pages the unit has
// (sensor, GLONASS, modem), writes the edited values back and saves or loads registration records.
class CKR_VUInfoDlg : public QDialog
{
    Q_OBJECT

public:
    // Throws VUConnectAbandoned (after showing the error) when no unit answers.
    explicit CKR_VUInfoDlg(QWidget* parent = nullptr, Qt::WindowFlags f = {});
    ~CKR_VUInfoDlg() override;

public slots:
    void OnReadClick();
    void OnWriteClick();
    void OnLoadClick();
    void OnSaveClick();
    void OnPCDateTimeClick();
    void OnVUDTChanged(const QDateTime& aNewValue);
    void OnVUGMTChanged(int aValue);
    void OnModemChanged(bool aValue);
    void OnReadData(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    void OnReadComplete();
    void OnReadError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnPingData(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    void OnPingError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnWriteData(CKR_HiProt::T_ParamId aId);
    void OnWriteComplete();
    void OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr);
    void OnDTEditingFinished();
    // Keeps the dialog open while a writing cycle runs (Закрыть, Esc and the window's close button).
    void reject() override;

public:
    // Puts one value into the form, whether it came from the unit or from a record.
    void ApplyValue(CKR_HiProt::T_ParamId aId, const QVariant& aValue);
    // The registration record of what the form shows.
    RegistrationFields CurrentRecord() const;
    // The record of the form saved at aWhen (local time).
    QDomDocument BuildRecord(const QDateTime& aWhen) const;
    // Hands the values of a record (of any kind) to ApplyValue.
    void ApplyRecord(const QDomDocument& aDoc);

protected:
    bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
    void SetBusy(int aSteps);
    void SetIdle();
    void DropPages();
    void CreatePages();
    void ShowModemEnabled(bool aOn);
    void ShowGPSData(const QString& aText);
    void RefreshClock();
    quint32 SettingsToWrite() const;
    quint32 OdometerMetres() const;
    void Fail(TKR_VUError aErr);
    // The values of the writing cycle, in the order OnWriteClick queues them.
    QList<WriteCycle::Value> CycleValues() const;

    std::unique_ptr<Ui::VUS_Info> mUi;
    std::unique_ptr<Ui::VUS_Sensor> mSensor;
    std::unique_ptr<Ui::VUS_GPS> mGPS;
    std::unique_ptr<Ui::VUS_Modem> mModem;
    CKR_GMTSpinBox* mGMT = nullptr;
    bool mTakeOffset = false;
    QString mFieldStyle;
    UART mPort;
    QDateTime mVUClock;          // UTC
    qint64 mClockCorrection = 0; // seconds
    quint32 mSettings = 0;
    quint32 mOptions = 0;
    bool mLiveClock = true;
    // Odometer as last applied, so an untouched field writes back every metre, not the rounded kilometres.
    quint64 mOdometerMetres = 0;
    bool mFailed = false;
    // The VIN the unit holds, as read or last written (the field may have been edited since), and the VIN
    // of the write under way.
    QString mUnitVIN;
    QString mWritingVIN;
    WriteCycle mCycle;
    CKR_ProgressBox mProgress;
    CKR_InfoUartThrd mWorker;
};
