#include "dialogs/CKR_FirstDlg.h"

#include "dialogs/VUConnect.h"
#include "link/TKR_VUDateTime.h"
#include "widgets/CKR_GMTSpinBox.h"
#include "widgets/FitText.h"
#include "widgets/Formatters.h"
#include "widgets/UnitTextValidator.h"
#include "widgets/VUMessages.h"

#include "ui_VU_First.h"

#include <QDebug>
#include <QEvent>

namespace {
const char* const kDTFormat = "dd/MM/yyyy hh:mm:ss";
}

CKR_FirstDlg::CKR_FirstDlg(QWidget* parent, Qt::WindowFlags f)
    : QDialog(parent, f), mUi(std::make_unique<Ui::VU_First>()), mProgress(this), mWorker(&mPort),
      mVUDT(QDateTime::currentDateTimeUtc()), mVUZone(LocalUtcOffset())
{
    ConnectVU(mPort, this);

    mUi->setupUi(this);
    mGMT = new CKR_GMTSpinBox(this);
    mGMT->setGeometry(240, 90, 110, 40);
    mUi->dteVUDateTime->installEventFilter(this);
    mGMT->installEventFilter(this);
    setTabOrder(mUi->btnSetVUDateTime, mGMT);
    setTabOrder(mGMT, mUi->btnRead);
    HoldUnitText(mUi->edtVehicleVIN, CKR_HiProt::PID_VehicleVIN, QStringLiteral("VIN"));

    connect(mUi->btnRead, &QPushButton::clicked, this, &CKR_FirstDlg::OnReadClick);
    connect(mUi->btnWrite, &QPushButton::clicked, this, &CKR_FirstDlg::OnWriteClick);
    connect(mUi->btnSetVUDateTime, &QPushButton::clicked, this, &CKR_FirstDlg::OnPCDateTimeClick);
    connect(mUi->btnClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(mUi->dteVUDateTime, &QDateTimeEdit::dateTimeChanged, this, &CKR_FirstDlg::OnVUDTChanged);
    connect(mUi->dteVUDateTime, &QDateTimeEdit::editingFinished, this, &CKR_FirstDlg::OnDTEditingFinished);
    connect(mGMT, &QSpinBox::valueChanged, this, &CKR_FirstDlg::OnVUGMTChanged);
    connect(mGMT, &QSpinBox::editingFinished, this, &CKR_FirstDlg::OnDTEditingFinished);

    ConnectWorker(mWorker, this);

    FitTexts(this);
    FitDateTimeEdit(mUi->dteVUDateTime);

    // The launcher runs this dialog with exec(), but it is already visible by then, and a visible
    // window does not take a new modality: set it before the first show, or the launcher stays usable.
    setModal(true);
    show();
    OnReadClick(); // queued before the worker starts, so the first poll comes after the reads
    mWorker.start();
}

CKR_FirstDlg::~CKR_FirstDlg()
{
    // The worker uses the port until it has ended.
    mWorker.Stop();
    mWorker.wait();
    mPort.Close();
}

void CKR_FirstDlg::Begin(int aSteps)
{
    mWorker.Clear();
    End();
    mUi->btnRead->setEnabled(false);
    mUi->btnWrite->setEnabled(false);
    mProgress.Start(aSteps);
}

void CKR_FirstDlg::End()
{
    mProgress.Hide();
    mUi->btnRead->setEnabled(true);
    mUi->btnWrite->setEnabled(true);
}

void CKR_FirstDlg::OnReadClick()
{
    qDebug() << "OnReadClick";
    Begin(2);
    mWorker.AddRead(CKR_HiProt::PID_VehicleVIN);
    mWorker.AddRead(CKR_HiProt::PID_VUDateTime);
    mDltDT = 0;
    mDltGMT = 0;
}

void CKR_FirstDlg::OnWriteClick()
{
    qDebug() << "OnWriteClick";
    if (!UnitTextsHeld(this) || !AskVUConfirm())
        return;
    // A VIN the unit gave that its encoding cannot hold, untouched, is not written: the unit keeps it
    // exactly, and the clock still goes.
    const bool writeVIN = TextToWrite(mUi->edtVehicleVIN);
    Begin(writeVIN ? 2 : 1);
    mCycle.Begin(writeVIN ? CycleValues() : CycleValues().mid(0, 1), mUi->btnClose);
    const TKR_VUDateTime when(mVUDT.addSecs(mDltDT), mVUZone + mDltGMT);
    mWorker.AddWrite(CKR_HiProt::PID_VUDateTime, when.ToVariant());
    mDltDT = 0;
    mDltGMT = 0;
    if (writeVIN)
        mWorker.AddWrite(CKR_HiProt::PID_VehicleVIN, mUi->edtVehicleVIN->text());
}

QList<WriteCycle::Value> CKR_FirstDlg::CycleValues() const
{
    const TKR_VUDateTime when(mVUDT.addSecs(mDltDT), mVUZone + mDltGMT);
    return {{CKR_HiProt::PID_VUDateTime, QStringLiteral("Тек. дата (UTC) и часовой пояс (%1 %2 %3)")
                                             .arg(when.ToText(1), when.ToText(2), when.ToText(3))},
            {CKR_HiProt::PID_VehicleVIN, QStringLiteral("VIN (%1)").arg(mUi->edtVehicleVIN->text())}};
}

void CKR_FirstDlg::reject()
{
    // The worker finishes the cycle within seconds and reports it, whole or cut short: never abandon it.
    if (mCycle.IsRunning())
        return;
    QDialog::reject();
}

void CKR_FirstDlg::OnPCDateTimeClick()
{
    const QDateTime pc = QDateTime::currentDateTimeUtc();
    const qint64 delta = mVUDT.secsTo(pc);
    qDebug().noquote() << QStringLiteral("OnPCDateTimeClick: mDltDT (%1) = %2 - %3 = %4")
                              .arg(mDltDT)
                              .arg(mVUDT.toString(kDTFormat), pc.toString(kDTFormat))
                              .arg(delta);
    mDltDT = delta;
    mDltGMT = LocalUtcOffset() - mVUZone;
    RefreshEditors();
}

void CKR_FirstDlg::OnVUDTChanged(const QDateTime& aNewValue)
{
    qDebug().noquote() << "OnVUDTChanged: " + aNewValue.toString(kDTFormat);
    const QDateTime utc(aNewValue.date(), aNewValue.time(), Qt::UTC);
    mDltDT = mVUDT.secsTo(utc);
}

void CKR_FirstDlg::OnVUGMTChanged(int aNewValue)
{
    qDebug().noquote() << "OnVUGMTChanged: " + QString::number(aNewValue);
    mDltGMT = aNewValue - mVUZone;
}

void CKR_FirstDlg::OnDTEditingFinished()
{
    mLive = true;
}

void CKR_FirstDlg::ReceiveValue(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    if (aId == CKR_HiProt::PID_VehicleVIN) {
        mUi->edtVehicleVIN->setText(aValue.toString().trimmed());
    } else if (aId == CKR_HiProt::PID_VUDateTime) {
        TKR_VUDateTime dt;
        dt.FromVariant(aValue);
        mVUDT = dt.mDateTime;
        mVUZone = dt.mOffset;
        RefreshEditors();
    }
}

void CKR_FirstDlg::RefreshEditors()
{
    if (!mLive)
        return;
    // Both change slots recompute the corrections from the shown values, which leaves them as they are.
    mUi->dteVUDateTime->setDateTime(mVUDT.addSecs(mDltDT));
    mGMT->setValue(mVUZone + mDltGMT);
}

void CKR_FirstDlg::OnReadData(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    mProgress.Step(1);
    ReceiveValue(aId, aValue);
}

void CKR_FirstDlg::OnReadComplete()
{
    End();
}

void CKR_FirstDlg::OnReadError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    Q_UNUSED(aId);
    Fail(aErr);
}

void CKR_FirstDlg::OnPingData(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    ReceiveValue(aId, aValue);
}

void CKR_FirstDlg::OnPingError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    Q_UNUSED(aId);
    qDebug().noquote()
        << QStringLiteral("FirstDlg::PintError (0x%1)").arg(QString::number(aErr, 16).toUpper());
    Fail(aErr);
}

void CKR_FirstDlg::OnWriteData(CKR_HiProt::T_ParamId aId)
{
    mProgress.Step(1);
    mCycle.Written(aId);
}

void CKR_FirstDlg::OnWriteComplete()
{
    mCycle.End();
    End();
    ShowVUResult(this);
}

void CKR_FirstDlg::OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    if (!mCycle.IsRunning()) {
        Fail(aErr);
        return;
    }
    mCycle.End();
    End();
    // No record of its own to offer: the account names the values typed, for the next try.
    EndOnWriteError(this, aErr, mCycle.Account(aId, aErr), {});
}

void CKR_FirstDlg::Fail(TKR_VUError aErr)
{
    mCycle.End();
    End();
    EndOnVUError(this, aErr);
}

bool CKR_FirstDlg::eventFilter(QObject* aWatched, QEvent* aEvent)
{
    // While the technician types, received times must not overwrite the editors.
    if (aEvent->type() == QEvent::KeyPress && (aWatched == mUi->dteVUDateTime || aWatched == mGMT))
        mLive = false;
    return QDialog::eventFilter(aWatched, aEvent);
}
