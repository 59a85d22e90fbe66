#include "dialogs/CKR_ClbrDlg.h"

#include "dialogs/CKR_B6B7Dlg.h"
#include "dialogs/CKR_EditDlg.h"
#include "dialogs/CKR_MeasureDlg.h"
#include "dialogs/CKR_TyreDlg.h"
#include "dialogs/VUConnect.h"
#include "records/RecordDialogs.h"
#include "records/RecordFile.h"
#include "records/XmlElements.h"
#include "widgets/CANSpeedList.h"
#include "widgets/FitText.h"
#include "widgets/VUMessages.h"

#include "ui_VUC_Clbr.h"

#include <QDateTime>
#include <QDebug>
#include <QDomDocument>

namespace {

constexpr int kReadCount = 15;
constexpr int kWriteCount = 8;
constexpr quint32 kSensorBits = CKR_HiProt::OPT_CryptoSensor | CKR_HiProt::OPT_SimpleSensor;
constexpr quint32 kSourceBits = kSensorBits | CKR_HiProt::OPT_Gnss;
constexpr int kRegionRussia = 43;

QVariant Unsigned(quint64 aValue)
{
    return QVariant::fromValue<quint64>(aValue);
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
    : QDialog(parent, f), ui(std::make_unique<Ui::VUC_Clbr>()), mProgress(this), mWorker(&mPort)
{
    // Throws when no unit answers; nothing has been started yet, so the members simply go.
    ConnectVU(mPort, this);

    connect(&mWorker, &CKR_UartThrd::OnReadData, this, &CKR_ClbrDlg::OnReadData);
    connect(&mWorker, &CKR_UartThrd::OnReadComplete, this, &CKR_ClbrDlg::OnReadComplete);
    connect(&mWorker, &CKR_UartThrd::OnReadError, this, &CKR_ClbrDlg::OnReadError);
    connect(&mWorker, &CKR_UartThrd::OnWriteData, this, &CKR_ClbrDlg::OnWriteData);
    connect(&mWorker, &CKR_UartThrd::OnWriteComplete, this, &CKR_ClbrDlg::OnWriteComplete);
    connect(&mWorker, &CKR_UartThrd::OnWriteError, this, &CKR_ClbrDlg::OnWriteError);
    connect(&mWorker, &CKR_UartThrd::OnPingData, this, &CKR_ClbrDlg::OnPingData);
    connect(&mWorker, &CKR_UartThrd::OnPingError, this, &CKR_ClbrDlg::OnPingError);

    ui->setupUi(this);
    FillCANSpeedList(ui->cmbCANSpeedometer);
    FitTexts(this);
    // The heading wraps: it must stay within its two lines.
    NarrowUntil(ui->label,
                [this] { return ui->label->heightForWidth(ui->label->width()) <= ui->label->height(); });
    FitDateTimeEdit(ui->dedNext);

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
    ui->btnRead->setEnabled(false);
    ui->btnWrite->setEnabled(false);
    ui->btnSave->setEnabled(false);
    ui->btnLoad->setEnabled(false);
    ui->btnImpSensorEdit->setEnabled(false);
    ui->btnNextDatePlus2->setEnabled(false);
    ui->btnSpeed->setEnabled(false);
    mProgress.Start(aCount);
}

void CKR_ClbrDlg::SetIdle()
{
    mProgress.Hide();
    ui->btnRead->setEnabled(true);
    ui->btnWrite->setEnabled(true);
    ui->btnSave->setEnabled(true);
    ui->btnLoad->setEnabled(true);
    ui->btnNextDatePlus2->setEnabled(true);
    ui->btnSpeed->setEnabled(true);
    ui->btnImpSensorEdit->setEnabled(ui->chbImpSensor->isChecked());
}

void CKR_ClbrDlg::FillSensorTypes()
{
    ui->cmbImpSensorType->clear();
    if (mOptions & CKR_HiProt::OPT_SimpleSensor)
        ui->cmbImpSensorType->addItem(QStringLiteral("Простой / датчик ABS"), 32);
    if (mOptions & CKR_HiProt::OPT_CryptoSensor)
        ui->cmbImpSensorType->addItem(QStringLiteral("Криптографический"), 1);

    ui->chbImpSensor->setEnabled((mOptions & kSensorBits) != 0);
    ui->chbImpSensor->setChecked(false);
    ui->cmbImpSensorType->setEnabled(false);
    ui->btnImpSensorEdit->setEnabled(false);
    ui->chbGPSSensor->setEnabled((mOptions & CKR_HiProt::OPT_Gnss) != 0);
    ui->chbGPSSensor->setChecked(false);
}

void CKR_ClbrDlg::ApplySettings()
{
    if (ui->chbImpSensor->isEnabled()) {
        ui->chbImpSensor->setChecked(false);
        int index = -1;
        if (mSettings & CKR_HiProt::OPT_CryptoSensor)
            index = ui->cmbImpSensorType->findData(1, Qt::UserRole, Qt::MatchExactly);
        else if (mSettings & CKR_HiProt::OPT_SimpleSensor)
            index = ui->cmbImpSensorType->findData(32, Qt::UserRole, Qt::MatchExactly);
        if (index >= 0) {
            ui->cmbImpSensorType->setCurrentIndex(index);
            ui->chbImpSensor->setChecked(true);
        }
        OnSensorClick(ui->chbImpSensor->isChecked());
    }
    ui->chbGPSSensor->setChecked(ui->chbGPSSensor->isEnabled() && (mSettings & CKR_HiProt::OPT_Gnss));
}

void CKR_ClbrDlg::CollectSettings()
{
    mSettings &= ~kSourceBits;
    if (ui->chbImpSensor->isChecked())
        mSettings |= ui->cmbImpSensorType->currentData().toUInt();
    if (ui->chbGPSSensor->isChecked())
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
    if (!AskVUConfirm() || mFailed)
        return;

    mWorker.Clear();
    SetBusy(kWriteCount);
    mB6Writing = static_cast<quint16>(ui->speB6Const->value());
    mB7Writing = static_cast<quint16>(ui->speB7Const->value());
    mCANWriting = CANSpeedValue(ui->cmbCANSpeedometer);

    mWorker.AddWrite(CKR_HiProt::PID_KConst, Unsigned(mKConst));
    mWorker.AddWrite(CKR_HiProt::PID_WConst, Unsigned(mWConst));
    mWorker.AddWrite(CKR_HiProt::PID_LConst, Unsigned(mLConst));
    mWorker.AddWrite(CKR_HiProt::PID_NextCalibration, ui->dedNext->date());
    CollectSettings();
    mWorker.AddWrite(CKR_HiProt::PID_VUSettings, Unsigned(mSettings));
    mWorker.AddWrite(CKR_HiProt::PID_B6Const, Unsigned(mB6Writing));
    mWorker.AddWrite(CKR_HiProt::PID_B7Const, Unsigned(mB7Writing));
    mWorker.AddWrite(CKR_HiProt::PID_CANSpeedometer, mCANWriting);
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

    QDomDocument doc = NewRecord(QStringLiteral("Calibration"), now);
    QDomElement root = doc.documentElement();

    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    WriteChildInt(vu, QStringLiteral("Composition"), static_cast<int>(mOptions));
    CollectSettings();
    WriteChildInt(vu, QStringLiteral("SensorUsage"), static_cast<int>(mSettings));

    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    SetChildText(vehicle, QStringLiteral("VIN"), mVIN);
    QDomElement regNo = ChildElement(vehicle, QStringLiteral("RegNo"));
    SetChildText(regNo, QStringLiteral("Number"), mRegNumber);
    WriteChildInt(regNo, QStringLiteral("Region"), kRegionRussia);
    SetChildText(vehicle, QStringLiteral("Tyre"), mTyreSize);
    WriteChildDouble(vehicle, QStringLiteral("Odometer"), mOdometerKm);

    QDomElement data = ChildElement(root, QStringLiteral("Data"));
    WriteChildInt(data, QStringLiteral("W-Const"), static_cast<int>(mWConst));
    WriteChildInt(data, QStringLiteral("K-Const"), static_cast<int>(mKConst));
    WriteChildInt(data, QStringLiteral("L-Const"), static_cast<int>(mLConst));
    SetChildText(ChildElement(data, QStringLiteral("NextCalibration")), QStringLiteral("Date"),
                 ui->dedNext->date().toString(QStringLiteral("dd/MM/yyyy")));
    WriteChildInt(data, QStringLiteral("B6-Const"), ui->speB6Const->value());
    WriteChildInt(data, QStringLiteral("B7-Const"), ui->speB7Const->value());
    WriteChildInt(data, QStringLiteral("CANSpeed"), CANSpeedValue(ui->cmbCANSpeedometer).toInt());

    SaveRecord(this, path, doc);
}

void CKR_ClbrDlg::OnLoadClick()
{
    QDomDocument doc;
    if (!LoadRecord(this, RecordKind::Calibration, doc) ||
        !AcceptOtherVehicleRecord(doc, mUnitVIN, RecordConstants(doc)))
        return;
    ApplyRecord(doc.documentElement());
}

void CKR_ClbrDlg::ApplyRecord(const QDomElement& aRoot)
{
    // Paths are followed with ChildElement so that a missing level reads as missing values; the
    // document is a private copy and never saved.
    const QDomElement vu = ChildElement(aRoot, QStringLiteral("VU"));
    mOptions =
        static_cast<quint32>(ReadChildInt(vu, QStringLiteral("Composition"), static_cast<int>(mOptions)));
    FillSensorTypes();
    mSettings =
        static_cast<quint32>(ReadChildInt(vu, QStringLiteral("SensorUsage"), static_cast<int>(mSettings)));
    ApplySettings();

    const QDomElement vehicle = ChildElement(aRoot, QStringLiteral("Vehicle"));
    mVIN = ReadChildText(vehicle, QStringLiteral("VIN"), mVIN);
    mRegNumber =
        ReadChildText(ChildElement(vehicle, QStringLiteral("RegNo")), QStringLiteral("Number"), mRegNumber);
    mTyreSize = ReadChildText(vehicle, QStringLiteral("Tyre"), mTyreSize);

    const QDomElement data = ChildElement(aRoot, QStringLiteral("Data"));
    mWConst = static_cast<quint32>(ReadChildInt(data, QStringLiteral("W-Const"), static_cast<int>(mWConst)));
    mKConst = static_cast<quint32>(ReadChildInt(data, QStringLiteral("K-Const"), static_cast<int>(mKConst)));
    mLConst = static_cast<quint32>(ReadChildInt(data, QStringLiteral("L-Const"), static_cast<int>(mLConst)));

    const QString dateFormat = QStringLiteral("dd/MM/yyyy");
    const QDate next =
        QDate::fromString(ReadChildText(ChildElement(data, QStringLiteral("NextCalibration")),
                                        QStringLiteral("Date"), ui->dedNext->date().toString(dateFormat)),
                          dateFormat);
    if (next.isValid())
        ui->dedNext->setDate(next);

    // B6 and B7 from a file go to the form only, for the next confirmed write. What closing the speed
    // signal dialog restores stays what the unit stores, so a file's values never reach it unconfirmed.
    ui->speB6Const->setValue(ReadChildInt(data, QStringLiteral("B6-Const"), ui->speB6Const->value()));
    ui->speB7Const->setValue(ReadChildInt(data, QStringLiteral("B7-Const"), ui->speB7Const->value()));
    SelectCANSpeed(ui->cmbCANSpeedometer, ReadChildInt(data, QStringLiteral("CANSpeed"),
                                                       CANSpeedValue(ui->cmbCANSpeedometer).toInt()));
}

void CKR_ClbrDlg::OnSensorClick(bool aValue)
{
    ui->cmbImpSensorType->setEnabled(aValue);
    ui->btnImpSensorEdit->setEnabled(aValue && ui->btnRead->isEnabled());
}

void CKR_ClbrDlg::OnNextDatePlus2Click()
{
    ui->dedNext->setDate(QDate::currentDate().addYears(2));
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
    auto* speed = new CKR_B6B7Dlg(this, windowFlags());
    mSpeedDlg = speed;
    connect(speed, &QDialog::finished, this, &CKR_ClbrDlg::OnSpeedFinished);
    connect(speed, &CKR_B6B7Dlg::ValueChanged, this, &CKR_ClbrDlg::OnValueChanged);
    speed->SetSpeed(mTestSpeed);
    speed->SetB6Const(ui->speB6Const->value());
    speed->SetB7Const(ui->speB7Const->value());
    speed->SetCANSpeed(CANSpeedValue(ui->cmbCANSpeedometer));
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

    if (aResult != 0) {
        mTestSpeed = static_cast<quint8>(mSpeedDlg->GetSpeed());
        ui->speB6Const->setValue(mSpeedDlg->GetB6Const());
        ui->speB7Const->setValue(mSpeedDlg->GetB7Const());
        SelectCANSpeed(ui->cmbCANSpeedometer, mSpeedDlg->GetCANSpeed());
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
        mKConst = static_cast<quint32>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_WConst:
        mWConst = static_cast<quint32>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_LConst:
        mLConst = static_cast<quint32>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_NextCalibration: {
        const QDate date = aValue.toDate();
        qDebug().noquote() << QStringLiteral("NextCalibrationDate=") +
                                  date.toString(QStringLiteral("dd/MM/yyyy"));
        ui->dedNext->setDate(date);
        break;
    }
    case CKR_HiProt::PID_VehicleTyre:
        mTyreSize = aValue.toString().simplified();
        break;
    case CKR_HiProt::PID_B6Const:
        ui->speB6Const->setValue(static_cast<int>(aValue.toULongLong()));
        mB6AsStored = static_cast<quint16>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_B7Const:
        ui->speB7Const->setValue(static_cast<int>(aValue.toULongLong()));
        mB7AsStored = static_cast<quint16>(aValue.toULongLong());
        break;
    case CKR_HiProt::PID_CANSpeedometer:
        SelectCANSpeed(ui->cmbCANSpeedometer, aValue);
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
        // Whole hundreds of metres, so the km keep one decimal, truncated.
        mOdometerKm = static_cast<double>(aValue.toULongLong() / 100) / 10.0;
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

void CKR_ClbrDlg::OnWriteData(CKR_HiProt::T_ParamId)
{
    mProgress.Step(1);
}

void CKR_ClbrDlg::OnWriteComplete()
{
    // Writes queued by the speed signal dialog run with the progress box hidden and end silently.
    if (!IsBusy())
        return;
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

void CKR_ClbrDlg::OnWriteError(CKR_HiProt::T_ParamId, TKR_VUError aErr)
{
    Fail(aErr);
}

void CKR_ClbrDlg::Fail(TKR_VUError aErr)
{
    if (mFailed)
        return;
    mFailed = true;
    SetIdle();
    // An open editor or speed signal dialog goes first, so the error is not shown behind it and no
    // restoring writes are queued to a worker that serves nothing more.
    DropChild(mEditDlg);
    mEditDlg = nullptr;
    DropChild(mSpeedDlg);
    mSpeedDlg = nullptr;
    ShowVUError(aErr, QString(), this);
    // reject() rather than close(): a hidden dialog ignores close() and its modal run would go on.
    reject();
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
