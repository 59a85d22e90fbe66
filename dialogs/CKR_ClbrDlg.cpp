#include "dialogs/CKR_ClbrDlg.h"

#include "dialogs/CKR_B6B7Dlg.h"
#include "dialogs/CKR_EditDlg.h"
#include "dialogs/CKR_MeasureDlg.h"
#include "dialogs/CKR_TyreDlg.h"
#include "dialogs/VUConnect.h"
#include "records/CalibrationRecord.h"
#include "records/RecordDialogs.h"
#include "records/RecordFile.h"
#include "records/XmlElements.h"
#include "widgets/CANSpeedList.h"
#include "widgets/FitText.h"
#include "widgets/Formatters.h"
#include "widgets/UnitNumberBox.h"
#include "widgets/VUMessages.h"

#include "ui_VUC_Clbr.h"

#include <QDateTime>
#include <QDebug>
#include <QDomDocument>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kReadCount = 15;
constexpr int kWriteCount = 8;
constexpr quint32 kSensorBits = CKR_HiProt::OPT_CryptoSensor | CKR_HiProt::OPT_SimpleSensor;
constexpr quint32 kSourceBits = kSensorBits | CKR_HiProt::OPT_Gnss;

// How far W and K may differ before the write asks again, in per cent of K. The sensor gives W impulses
// per real km and the unit counts a km every K impulses, so it records distance and speed W / K times the
// real ones. An installed tachograph may record distance at most 2 % off; K is normally set to the
// measured W, so a larger gap is a typing slip or a K left from another vehicle.
constexpr double kWKTolerancePercent = 2.0;

// What the unit will do with these W and K, when they differ by more than the tolerance; empty otherwise.
QString WKWarning(quint32 aW, quint32 aK)
{
    if (aW == 0 || aK == 0)
        return {};
    const double percent = (double(aW) / double(aK) - 1.0) * 100.0;
    if (std::fabs(percent) <= kWKTolerancePercent)
        return {};
    return QStringLiteral("W = %1 и K = %2 различаются больше чем на %3 %: тахограф будет записывать пробег "
                          "на %4 % %5 фактического, и скорость тоже.")
        .arg(aW)
        .arg(aK)
        .arg(QLocale().toString(kWKTolerancePercent, 'g', 3))
        .arg(QLocale().toString(std::fabs(percent), 'f', 1))
        .arg(percent > 0 ? QStringLiteral("больше") : QStringLiteral("меньше"));
}

// The constants a record would bring, for the question before a record of another vehicle is taken
// (the dialog shows none of them).
QString RecordConstants(const QDomDocument& aDoc)
{
    const QDomElement data = aDoc.documentElement().firstChildElement(QStringLiteral("Data"));
    QStringList parts;
    for (const char* name : {"W", "K", "L"}) {
        const QString text =
            ReadChildText(data, QStringLiteral("%1-Const").arg(QLatin1String(name)), QString()).simplified();
        if (!text.isEmpty())
            parts << QStringLiteral("%1 = %2").arg(QLatin1String(name), text.toHtmlEscaped());
    }
    return parts.isEmpty() ? QString()
                           : QStringLiteral("<p>В файле: %1.</p>").arg(parts.join(QStringLiteral(", ")));
}

} // namespace

CKR_ClbrDlg::CKR_ClbrDlg(QWidget* parent, Qt::WindowFlags f)
    : QDialog(parent, f), mUi(std::make_unique<Ui::VUC_Clbr>()), mProgress(this), mWorker(&mPort)
{
    // Throws when no unit answers; nothing has been started yet, so the members simply go.
    ConnectVU(mPort, this);

    ConnectWorker(mWorker, this);

    mUi->setupUi(this);
    mUi->speB6Const->HoldParam(CKR_HiProt::PID_B6Const, QStringLiteral("B6"), 0, kMaxCalibrationConstant);
    mUi->speB7Const->HoldParam(CKR_HiProt::PID_B7Const, QStringLiteral("B7"), 0, kMaxCalibrationConstant);
    mUi->dedNext->setDateRange(CKR_HiProt::FirstDate(), CKR_HiProt::LastDate());
    FillCANSpeedList(mUi->cmbCANSpeedometer);
    FitTexts(this);
    // The heading wraps: it must stay within its two lines.
    NarrowUntil(mUi->label,
                [this] { return mUi->label->heightForWidth(mUi->label->width()) <= mUi->label->height(); });
    FitDateTimeEdit(mUi->dedNext);

    // The launcher runs this dialog with exec(), but it is already visible by then, and a visible
    // window does not take a new modality: set it before the first show, or the launcher stays usable.
    setModal(true);
    show();
    OnReadClick();
    mWorker.start();
}

CKR_ClbrDlg::~CKR_ClbrDlg()
{
    // The worker must be gone before the port closes; the member order sees to that, but stopping
    // first keeps a late signal from reaching a half-destroyed dialog.
    mWorker.Stop();
    mWorker.wait();
}

CKR_EditDlg* CKR_ClbrDlg::EditDlg() const
{
    return mEditDlg;
}

CKR_B6B7Dlg* CKR_ClbrDlg::SpeedDlg() const
{
    return mSpeedDlg;
}

bool CKR_ClbrDlg::IsBusy() const
{
    return mProgress.Window() && mProgress.Window()->isVisible();
}

void CKR_ClbrDlg::SetBusy(int aCount)
{
    mWorker.Clear();
    SetIdle();
    mUi->btnRead->setEnabled(false);
    mUi->btnWrite->setEnabled(false);
    mUi->btnSave->setEnabled(false);
    mUi->btnLoad->setEnabled(false);
    mUi->btnImpSensorEdit->setEnabled(false);
    mUi->btnNextDatePlus2->setEnabled(false);
    mUi->btnSpeed->setEnabled(false);
    mProgress.Start(aCount);
}

void CKR_ClbrDlg::SetIdle()
{
    mProgress.Hide();
    mUi->btnRead->setEnabled(true);
    mUi->btnWrite->setEnabled(true);
    mUi->btnSave->setEnabled(true);
    mUi->btnLoad->setEnabled(true);
    mUi->btnNextDatePlus2->setEnabled(true);
    mUi->btnSpeed->setEnabled(true);
    mUi->btnImpSensorEdit->setEnabled(mUi->chbImpSensor->isChecked());
}

void CKR_ClbrDlg::FillSensorTypes()
{
    mUi->cmbImpSensorType->clear();
    if (mOptions & CKR_HiProt::OPT_SimpleSensor)
        mUi->cmbImpSensorType->addItem(QStringLiteral("Простой / датчик ABS"), 32);
    if (mOptions & CKR_HiProt::OPT_CryptoSensor)
        mUi->cmbImpSensorType->addItem(QStringLiteral("Криптографический"), 1);

    mUi->chbImpSensor->setEnabled((mOptions & kSensorBits) != 0);
    mUi->chbImpSensor->setChecked(false);
    mUi->cmbImpSensorType->setEnabled(false);
    mUi->btnImpSensorEdit->setEnabled(false);
    mUi->chbGPSSensor->setEnabled((mOptions & CKR_HiProt::OPT_Gnss) != 0);
    mUi->chbGPSSensor->setChecked(false);
}

void CKR_ClbrDlg::ApplySettings()
{
    if (mUi->chbImpSensor->isEnabled()) {
        mUi->chbImpSensor->setChecked(false);
        int index = -1;
        if (mSettings & CKR_HiProt::OPT_CryptoSensor)
            index = mUi->cmbImpSensorType->findData(1, Qt::UserRole, Qt::MatchExactly);
        else if (mSettings & CKR_HiProt::OPT_SimpleSensor)
            index = mUi->cmbImpSensorType->findData(32, Qt::UserRole, Qt::MatchExactly);
        if (index >= 0) {
            mUi->cmbImpSensorType->setCurrentIndex(index);
            mUi->chbImpSensor->setChecked(true);
        }
        OnSensorClick(mUi->chbImpSensor->isChecked());
    }
    mUi->chbGPSSensor->setChecked(mUi->chbGPSSensor->isEnabled() && (mSettings & CKR_HiProt::OPT_Gnss));
}

void CKR_ClbrDlg::CollectSettings()
{
    mSettings &= ~kSourceBits;
    if (mUi->chbImpSensor->isChecked())
        mSettings |= mUi->cmbImpSensorType->currentData().toUInt();
    if (mUi->chbGPSSensor->isChecked())
        mSettings |= CKR_HiProt::OPT_Gnss;
}

void CKR_ClbrDlg::OnReadClick()
{
    qDebug("OnReadClick");
    SetBusy(kReadCount);
    for (const CKR_HiProt::T_ParamId id :
         {CKR_HiProt::PID_VUOptions, CKR_HiProt::PID_KConst, CKR_HiProt::PID_WConst, CKR_HiProt::PID_LConst,
          CKR_HiProt::PID_NextCalibration, CKR_HiProt::PID_VehicleTyre, CKR_HiProt::PID_VUSettings,
          CKR_HiProt::PID_B6Const, CKR_HiProt::PID_B7Const, CKR_HiProt::PID_CANSpeedometer,
          CKR_HiProt::PID_Speed, CKR_HiProt::PID_VehicleVIN, CKR_HiProt::PID_MemberState,
          CKR_HiProt::PID_VehicleRegNo, CKR_HiProt::PID_VUHROdometer})
        mWorker.AddRead(id);
}

void CKR_ClbrDlg::OnWriteClick()
{
    qDebug("OnWriteClick");
    if (mFailed || !NumberFieldsHeld(this) || !ConstantsHeld())
        return;
    CollectSettings();
    QStringList warnings;
    if ((mSettings & kSourceBits) == 0)
        warnings << QStringLiteral("Не выбран ни один источник скорости: тахограф не будет записывать ни "
                                   "скорость, ни пробег.");
    if (const QString wk = WKWarning(mWConst, mKConst); !wk.isEmpty())
        warnings << wk;
    if (!(warnings.isEmpty() ? AskVUConfirm() : AskVUConfirmDespite(warnings.join(QStringLiteral("<br>")))))
        return;
    if (mFailed)
        return;

    mWorker.Clear();
    SetBusy(kWriteCount);
    mCycle.Begin(CycleValues(), mUi->btnClose);
    mB6Writing = static_cast<quint16>(mUi->speB6Const->value());
    mB7Writing = static_cast<quint16>(mUi->speB7Const->value());
    mCANWriting = CANSpeedValue(mUi->cmbCANSpeedometer);

    mWorker.AddWrite(CKR_HiProt::PID_KConst, Unsigned(mKConst));
    mWorker.AddWrite(CKR_HiProt::PID_WConst, Unsigned(mWConst));
    mWorker.AddWrite(CKR_HiProt::PID_LConst, Unsigned(mLConst));
    mWorker.AddWrite(CKR_HiProt::PID_NextCalibration, mUi->dedNext->date());
    CollectSettings();
    mWorker.AddWrite(CKR_HiProt::PID_VUSettings, Unsigned(mSettings));
    mWorker.AddWrite(CKR_HiProt::PID_B6Const, Unsigned(mB6Writing));
    mWorker.AddWrite(CKR_HiProt::PID_B7Const, Unsigned(mB7Writing));
    mWorker.AddWrite(CKR_HiProt::PID_CANSpeedometer, mCANWriting);
}

bool CKR_ClbrDlg::ConstantsHeld()
{
    // A constant of 0 leaves the unit unable to compute distance and speed, whoever set it. Beyond the
    // limit only a value that is not the unit's own is refused: what the unit gave goes back as it came.
    const struct
    {
        const char* name;
        quint32 value;
        quint32 unit;
    } constants[] = {{"W", mWConst, mUnitWConst}, {"K", mKConst, mUnitKConst}, {"L", mLConst, mUnitLConst}};
    for (const auto& c : constants) {
        QString problem;
        if (c.value == 0)
            problem = QStringLiteral("0 — тахограф не сможет вычислять пробег и скорость");
        else if (c.value != c.unit && c.value > kMaxCalibrationConstant)
            problem = QStringLiteral("%1 — не более %2").arg(c.value).arg(kMaxCalibrationConstant);
        if (problem.isEmpty())
            continue;
        ShowVUNotice(QStringLiteral("Значения не записаны:"),
                     QStringLiteral("%1 = %2 (допустимо от 1 до %3). Задайте W, K и L в окне констант.")
                         .arg(QLatin1String(c.name), problem)
                         .arg(kMaxCalibrationConstant),
                     this);
        return false;
    }
    return true;
}

QList<WriteCycle::Value> CKR_ClbrDlg::CycleValues() const
{
    using P = CKR_HiProt;
    return {{P::PID_KConst, QStringLiteral("K-константа")},
            {P::PID_WConst, QStringLiteral("Характ. коэф. ТС (W)")},
            {P::PID_LConst, QStringLiteral("Эффект. окружн. шин (L)")},
            {P::PID_NextCalibration, QStringLiteral("Следующ. калибровка")},
            {P::PID_VUSettings, QStringLiteral("Источники информации о скорости")},
            {P::PID_B6Const, QStringLiteral("B6-константа")},
            {P::PID_B7Const, QStringLiteral("B7-константа")},
            {P::PID_CANSpeedometer, QStringLiteral("Скорость шины CAN")}};
}

void CKR_ClbrDlg::reject()
{
    // The worker finishes the cycle within seconds and reports it, whole or cut short: never abandon it.
    if (mCycle.IsRunning() || mRestoring)
        return;
    QDialog::reject();
}

void CKR_ClbrDlg::OnSaveClick()
{
    const QDateTime now = QDateTime::currentDateTime();
    // A number of blanks names no vehicle: the VIN does then.
    QString stem = mRegNumber.simplified();
    if (stem.isEmpty())
        stem = mVIN.simplified();
    const QString path =
        AskSaveRecordPath(this, RecordKind::Calibration, RecordFileName(stem, now, QStringLiteral("Clb")));
    if (path.isEmpty())
        return;

    CollectSettings();
    SaveRecord(this, path, BuildCalibrationDocument(CurrentRecord(), now));
}

void CKR_ClbrDlg::OnLoadClick()
{
    QDomDocument doc;
    if (!LoadRecord(this, RecordKind::Calibration, doc) ||
        !AcceptOtherVehicleRecord(doc, mUnitVIN, RecordConstants(doc)))
        return;
    ApplyRecord(doc);
}

CalibrationFields CKR_ClbrDlg::CurrentRecord() const
{
    CalibrationFields f;
    f.composition = mOptions;
    f.sensorUsage = mSettings;
    f.vehicleVin = mVIN;
    f.vehicleRegNo = mRegNumber;
    f.vehicleTyre = mTyreSize;
    f.odometerKm = mOdometerKm;
    f.wConst = mWConst;
    f.kConst = mKConst;
    f.lConst = mLConst;
    f.nextCalibration = mUi->dedNext->date();
    f.b6Const = mUi->speB6Const->value();
    f.b7Const = mUi->speB7Const->value();
    f.canSpeed = CANSpeedValue(mUi->cmbCANSpeedometer).toInt();
    return f;
}

void CKR_ClbrDlg::ApplyRecord(const QDomDocument& aDoc)
{
    CalibrationFields f = CurrentRecord();
    ReadCalibrationRecord(aDoc, f);
    mOptions = f.composition;
    FillSensorTypes();
    mSettings = f.sensorUsage;
    ApplySettings();
    mVIN = f.vehicleVin;
    mRegNumber = f.vehicleRegNo;
    mTyreSize = f.vehicleTyre;
    mWConst = f.wConst;
    mKConst = f.kConst;
    mLConst = f.lConst;
    mUi->dedNext->setDate(f.nextCalibration);
    // B6 and B7 from a file go to the form only, for the next confirmed write. What closing the speed
    // signal dialog restores stays what the unit stores, so a file's values never reach it unconfirmed.
    // They count as typed: a value beyond the limit shows as it is and is refused before a write.
    const auto fromRecord = [](UnitSpinBox* aField, int aValue) {
        const QString before = aField->Text();
        aField->setValue(std::clamp(aValue, 0, aField->maximum()));
        if (aField->Text() != before)
            aField->MarkChanged();
    };
    fromRecord(mUi->speB6Const, f.b6Const);
    fromRecord(mUi->speB7Const, f.b7Const);
    SelectCANSpeed(mUi->cmbCANSpeedometer, f.canSpeed);
}

void CKR_ClbrDlg::OnSensorClick(bool aValue)
{
    mUi->cmbImpSensorType->setEnabled(aValue);
    mUi->btnImpSensorEdit->setEnabled(aValue && mUi->btnRead->isEnabled());
}

void CKR_ClbrDlg::OnNextDatePlus2Click()
{
    mUi->dedNext->setDate(QDate::currentDate().addYears(2));
}

void CKR_ClbrDlg::OnEditClick()
{
    qDebug("OnEditClick");
    auto* editor = new CKR_EditDlg(static_cast<int>(mKConst), static_cast<int>(mWConst),
                                   static_cast<int>(mLConst), mTyreSize, this, windowFlags());
    mEditDlg = editor;
    connect(editor, &QDialog::finished, this, &CKR_ClbrDlg::OnEditFinished);
    editor->setModal(true);
    editor->show();
    HideWhileChildRuns(this);
}

void CKR_ClbrDlg::OnEditFinished(int aResult)
{
    qDebug("OnEditFinished = %d", aResult);
    if (!mEditDlg)
        return;
    if (aResult != 0) {
        mKConst = static_cast<quint32>(mEditDlg->GetKConst());
        mWConst = static_cast<quint32>(mEditDlg->GetWConst());
        mLConst = static_cast<quint32>(mEditDlg->GetLConst());
        mTyreSize = mEditDlg->GetTyreSize();
    }
    ShowAfterChild(this);
    mEditDlg->deleteLater();
    mEditDlg = nullptr;
}

void CKR_ClbrDlg::OnSpeedClick()
{
    qDebug("OnSpeedClick");
    // The speed signal dialog sends B6 and B7 to the unit at once.
    if (!NumberFieldsHeld(this, true, QStringLiteral("Значения не приняты:")))
        return;
    auto* speed = new CKR_B6B7Dlg(this, windowFlags());
    mSpeedDlg = speed;
    connect(speed, &QDialog::finished, this, &CKR_ClbrDlg::OnSpeedFinished);
    connect(speed, &CKR_B6B7Dlg::ValueChanged, this, &CKR_ClbrDlg::OnValueChanged);
    speed->SetSpeed(mTestSpeed);
    speed->SetB6Const(mUi->speB6Const->value());
    speed->SetB7Const(mUi->speB7Const->value());
    speed->SetCANSpeed(CANSpeedValue(mUi->cmbCANSpeedometer));
    speed->setModal(true);
    speed->show();
    HideWhileChildRuns(this);
}

void CKR_ClbrDlg::OnValueChanged(CKR_HiProt::T_ParamId aId, const QVariant& aNewValue)
{
    qDebug("OnChanged (0x%X). Que=%d", static_cast<unsigned>(aId), mWorker.QueueLength());
    mWorker.AddWrite(aId, aNewValue);
}

void CKR_ClbrDlg::OnSpeedFinished(int aResult)
{
    qDebug("OnSpeedFinished = %d", aResult);
    if (!mSpeedDlg)
        return;
    // Nothing the dialog still has pending may follow the restoring writes.
    disconnect(mSpeedDlg, &CKR_B6B7Dlg::ValueChanged, this, &CKR_ClbrDlg::OnValueChanged);

    mWorker.AddWrite(CKR_HiProt::PID_B6Const, Unsigned(mB6AsStored));
    mWorker.AddWrite(CKR_HiProt::PID_B7Const, Unsigned(mB7AsStored));
    mWorker.AddWrite(CKR_HiProt::PID_CANSpeedometer, mCANAsStored.isValid() ? mCANAsStored : Unsigned(0));
    mWorker.AddWrite(CKR_HiProt::PID_Speed, Unsigned(0));
    // Until the unit has its stored values back, nothing may clear the queue (a read or write cycle
    // would drop the end of the output test) or close the dialog.
    mRestoring = true;
    mUi->btnClose->setEnabled(false);
    mUi->btnRead->setEnabled(false);
    mUi->btnWrite->setEnabled(false);

    if (aResult != 0) {
        mTestSpeed = static_cast<quint8>(mSpeedDlg->GetSpeed());
        mUi->speB6Const->setValue(mSpeedDlg->GetB6Const());
        mUi->speB7Const->setValue(mSpeedDlg->GetB7Const());
        SelectCANSpeed(mUi->cmbCANSpeedometer, mSpeedDlg->GetCANSpeed());
    }
    ShowAfterChild(this);
    mSpeedDlg->deleteLater();
    mSpeedDlg = nullptr;
}

void CKR_ClbrDlg::OnReadData(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    mProgress.Step(1);
    switch (aId) {
    case CKR_HiProt::PID_VUOptions:
        mOptions = static_cast<quint32>(aValue.toULongLong());
        FillSensorTypes();
        break;
    case CKR_HiProt::PID_VUSettings:
        mSettings = static_cast<quint32>(aValue.toULongLong());
        ApplySettings();
        break;
    case CKR_HiProt::PID_KConst:
        mKConst = mUnitKConst = static_cast<quint32>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_WConst:
        mWConst = mUnitWConst = static_cast<quint32>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_LConst:
        mLConst = mUnitLConst = static_cast<quint32>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_NextCalibration: {
        const QDate date = aValue.toDate();
        qDebug().noquote() << QStringLiteral("NextCalibrationDate=") +
                                  date.toString(QStringLiteral("dd/MM/yyyy"));
        mUi->dedNext->setDate(date);
        break;
    }
    case CKR_HiProt::PID_VehicleTyre:
        mTyreSize = aValue.toString().simplified();
        break;
    case CKR_HiProt::PID_B6Const:
        mUi->speB6Const->setValue(static_cast<int>(aValue.toULongLong()));
        mB6AsStored = static_cast<quint16>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_B7Const:
        mUi->speB7Const->setValue(static_cast<int>(aValue.toULongLong()));
        mB7AsStored = static_cast<quint16>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_CANSpeedometer:
        SelectCANSpeed(mUi->cmbCANSpeedometer, aValue);
        mCANAsStored = aValue;
        break;
    case CKR_HiProt::PID_Speed:
        mTestSpeed = static_cast<quint8>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_VehicleVIN:
        mVIN = mUnitVIN = aValue.toString().trimmed();
        break;
    case CKR_HiProt::PID_VehicleRegNo:
        mRegNumber = aValue.toString().trimmed();
        break;
    case CKR_HiProt::PID_VUHROdometer:
        mOdometerKm = OdometerTenthsKm(aValue.toULongLong());
        break;
    default:
        break;
    }
}

void CKR_ClbrDlg::OnReadComplete()
{
    SetIdle();
}

void CKR_ClbrDlg::OnPingData(CKR_HiProt::T_ParamId, const QVariant& aValue)
{
    if (mEditDlg)
        mEditDlg->OnImp(static_cast<quint32>(aValue.toULongLong()));
}

void CKR_ClbrDlg::OnWriteData(CKR_HiProt::T_ParamId aId)
{
    mProgress.Step(1);
    mCycle.Written(aId);
}

void CKR_ClbrDlg::OnWriteComplete()
{
    // Writes queued by the speed signal dialog run with the progress box hidden and end silently.
    mRestoring = false;
    mUi->btnClose->setEnabled(true);
    if (!IsBusy()) {
        mUi->btnRead->setEnabled(true);
        mUi->btnWrite->setEnabled(true);
        return;
    }
    mCycle.End();
    SetIdle();
    // The unit now stores what was just written: that is what closing the speed signal dialog restores.
    mB6AsStored = mB6Writing;
    mB7AsStored = mB7Writing;
    mCANAsStored = mCANWriting;
    ShowVUResult(this);
    // An error that arrived while the result was shown has already ended the dialog: nothing to record.
    if (!mFailed)
        OnSaveClick();
}

void CKR_ClbrDlg::OnReadError(CKR_HiProt::T_ParamId, TKR_VUError aErr)
{
    Fail(aErr);
}

void CKR_ClbrDlg::OnPingError(CKR_HiProt::T_ParamId, TKR_VUError aErr)
{
    Fail(aErr);
}

void CKR_ClbrDlg::OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    // Writes queued by the speed signal dialog are no cycle of the technician's.
    if (!mCycle.IsRunning() || mFailed) {
        Fail(aErr);
        return;
    }
    mFailed = true;
    mCycle.End();
    SetIdle();
    // What was typed can be kept: the record of the form, as after a completed write.
    EndOnWriteError(this, aErr, mCycle.Account(aId, aErr), [this] { OnSaveClick(); });
}

void CKR_ClbrDlg::Fail(TKR_VUError aErr)
{
    if (mFailed)
        return;
    mFailed = true;
    mCycle.End();
    mRestoring = false;
    SetIdle();
    // An open editor or speed signal dialog goes first, so the error is not shown behind it and no
    // restoring writes are queued to a worker that serves nothing more.
    DropChild(mEditDlg);
    mEditDlg = nullptr;
    DropChild(mSpeedDlg);
    mSpeedDlg = nullptr;
    EndOnVUError(this, aErr);
}

void CKR_ClbrDlg::DropChild(QDialog* aChild)
{
    if (!aChild)
        return;
    disconnect(aChild, nullptr, this, nullptr);
    // Calculators opened from the child are windows of their own: hide them with it.
    for (QWidget* window : aChild->findChildren<QWidget*>())
        if (window->isWindow())
            window->hide();
    aChild->hide();
    aChild->deleteLater();
}
