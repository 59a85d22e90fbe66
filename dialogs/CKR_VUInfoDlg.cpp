#include "dialogs/CKR_VUInfoDlg.h"

#include "dialogs/VUConnect.h"
#include "link/TKR_VUDateTime.h"
#include "records/RecordDialogs.h"
#include "records/RecordFile.h"
#include "widgets/CKR_GMTSpinBox.h"
#include "widgets/FitText.h"
#include "widgets/Formatters.h"
#include "widgets/UnitNumberBox.h"
#include "widgets/UnitTextValidator.h"
#include "widgets/VUMessages.h"

#include "ui_VUS_GPS.h"
#include "ui_VUS_Info.h"
#include "ui_VUS_Modem.h"
#include "ui_VUS_Sensor.h"

#include <QDebug>
#include <QDomDocument>
#include <QEvent>

#include <algorithm>

namespace {

using P = CKR_HiProt;

const int kFixedTabs = 2;
// The form's limit of the authorised speed, km/h (the parameter itself holds two bytes).
const int kMaxSpeedField = 220;

} // namespace

CKR_VUInfoDlg::CKR_VUInfoDlg(QWidget* parent, Qt::WindowFlags f)
    : QDialog(parent, f), mUi(std::make_unique<Ui::VUS_Info>()), mVUClock(QDateTime::currentDateTimeUtc()),
      mProgress(this), mWorker(&mPort)
{
    ConnectVU(mPort, this);

    mUi->setupUi(this);
    mGMT = new CKR_GMTSpinBox(mUi->tabReg);
    mGMT->setGeometry(240, 250, 110, 40);
    mGMT->setValue(LocalUtcOffset());
    mUi->dteVUDateTime->installEventFilter(this);
    mGMT->installEventFilter(this);
    connect(mGMT, &QSpinBox::valueChanged, this, &CKR_VUInfoDlg::OnVUGMTChanged);
    connect(mGMT, &QSpinBox::editingFinished, this, &CKR_VUInfoDlg::OnDTEditingFinished);
    setTabOrder(mUi->btnSetVUDateTime, mGMT);

    // Read-only fields take the window colour so that they do not look editable. The style sheet parser
    // takes an alpha value only with rgba().
    const QColor window = mUi->tabWidget->palette().color(QPalette::Window);
    mFieldStyle = QStringLiteral("background-color: rgba(%1, %2, %3, %4);")
                      .arg(window.red())
                      .arg(window.green())
                      .arg(window.blue())
                      .arg(window.alpha());
    for (QLineEdit* edit : {mUi->edtVUPartNo, mUi->edtVUSerNo, mUi->edtVUSWVer, mUi->edtVUManufacturer})
        edit->setStyleSheet(mFieldStyle);
    // The texts written to the unit take only what its encodings hold.
    HoldUnitText(mUi->edtVehicleVIN, P::PID_VehicleVIN, QStringLiteral("VIN"));
    HoldUnitText(mUi->edtVehicleRegNo, P::PID_VehicleRegNo, QStringLiteral("Рег.номер"));
    HoldUnitText(mUi->edtVehicleTyre, P::PID_VehicleTyre, QStringLiteral("Шины"));
    mUi->speVehicleMaxSpeed->HoldParam(P::PID_VehicleMaxSpeed, QStringLiteral("Max.скорость"), 0,
                                       kMaxSpeedField);
    mUi->dseVUHROdometer->HoldParam(P::PID_VUHROdometer, QStringLiteral("Одометр"), 1000);

    ConnectWorker(mWorker, this);

    FitTexts(mUi->tabReg); // the page of fixed positions
    FitDateTimeEdit(mUi->dteVUDateTime);

    // The launcher runs this dialog with exec(), but it is already visible by then, and a visible
    // window does not take a new modality: set it before the first show, or the launcher stays usable.
    setModal(true);
    show();
    OnReadClick();
    mWorker.start();
}

CKR_VUInfoDlg::~CKR_VUInfoDlg()
{
    // The worker uses the port until it has ended.
    mWorker.Stop();
    mWorker.wait();
    mPort.Close();
}

void CKR_VUInfoDlg::SetBusy(int aSteps)
{
    SetIdle();
    for (QPushButton* button : {mUi->btnRead, mUi->btnWrite, mUi->btnSave, mUi->btnLoad})
        button->setEnabled(false);
    mProgress.Start(aSteps);
}

void CKR_VUInfoDlg::SetIdle()
{
    for (QPushButton* button : {mUi->btnRead, mUi->btnWrite, mUi->btnSave, mUi->btnLoad})
        button->setEnabled(true);
    mProgress.Hide();
}

void CKR_VUInfoDlg::OnReadClick()
{
    qDebug() << "OnReadClick";
    mLiveClock = true;
    mWorker.Clear();
    SetBusy(24);
    DropPages();
    for (QLineEdit* edit : {mUi->edtVUPartNo, mUi->edtVUSerNo, mUi->edtVUSWVer, mUi->edtVUManufacturer})
        edit->clear();
    mUi->tabWidget->setCurrentIndex(0);
    mClockCorrection = 0;
    mTakeOffset = true;
    mSettings = 0;

    // The options come before every value of the optional pages, so their pages exist by then.
    for (const P::T_ParamId id :
         {P::PID_VUPartNo,        P::PID_VUSerNo,      P::PID_VUSWVer,      P::PID_VUManufacturer,
          P::PID_VehicleVIN,      P::PID_MemberState,  P::PID_VehicleRegNo, P::PID_VehicleTyre,
          P::PID_VehicleMaxSpeed, P::PID_VUHROdometer, P::PID_VUDateTime,   P::PID_VUOptions,
          P::PID_SnsSerNo,        P::PID_SnsNumber,    P::PID_SnsPaired,    P::PID_GPSData,
          P::PID_VUSettings,      P::PID_MdmPIN,       P::PID_MdmAPN,       P::PID_MdmLogin,
          P::PID_MdmPassword,     P::PID_MdmUpdate,    P::PID_MdmGlnURL,    P::PID_MdmMonitURL})
        mWorker.AddRead(id);
}

void CKR_VUInfoDlg::OnWriteClick()
{
    qDebug() << "OnWriteClick";
    if (!UnitTextsHeld(this) || !NumberFieldsHeld(this) || !AskVUConfirm())
        return;
    mWorker.Clear();

    // A text the unit gave that its encoding cannot hold, untouched, is not written: the unit keeps it
    // exactly, and the other values still go.
    QList<QPair<P::T_ParamId, QVariant>> writes;
    const auto addText = [&writes](P::T_ParamId aId, const QLineEdit* aEdit) {
        if (TextToWrite(aEdit))
            writes.append({aId, aEdit->text()});
    };
    mWritingVIN = TextToWrite(mUi->edtVehicleVIN) ? mUi->edtVehicleVIN->text() : mUnitVIN;
    addText(P::PID_VehicleVIN, mUi->edtVehicleVIN);
    writes.append({P::PID_MemberState, QStringLiteral("RUS")});
    addText(P::PID_VehicleRegNo, mUi->edtVehicleRegNo);
    addText(P::PID_VehicleTyre, mUi->edtVehicleTyre);
    writes.append({P::PID_VehicleMaxSpeed, Unsigned(mUi->speVehicleMaxSpeed->value())});
    writes.append({P::PID_VUHROdometer, Unsigned(OdometerMetres())});
    const TKR_VUDateTime clock(mVUClock.addSecs(mClockCorrection), mGMT->value());
    writes.append({P::PID_VUDateTime, clock.ToVariant()});
    mClockCorrection = 0;
    if (mModem) {
        addText(P::PID_MdmPIN, mModem->edtMdmPIN);
        addText(P::PID_MdmAPN, mModem->edtMdmAPN);
        addText(P::PID_MdmLogin, mModem->edtMdmLogin);
        addText(P::PID_MdmPassword, mModem->edtMdmPassword);
        writes.append({P::PID_MdmUpdate, Unsigned(mModem->chbMdmUpdate->isChecked() ? 1 : 0)});
        addText(P::PID_MdmGlnURL, mModem->edtMdmGlnURL);
        addText(P::PID_MdmMonitURL, mModem->edtMdmMonitURL);
    }
    writes.append({P::PID_VUSettings, Unsigned(SettingsToWrite())});

    SetBusy(int(writes.size()));
    QList<WriteCycle::Value> queued;
    for (const WriteCycle::Value& value : CycleValues()) {
        if (std::any_of(writes.cbegin(), writes.cend(),
                        [&value](const auto& aWrite) { return aWrite.first == value.id; }))
            queued << value;
    }
    mCycle.Begin(queued, mUi->btnClose);
    for (const auto& [id, value] : writes)
        mWorker.AddWrite(id, value);
}

QList<WriteCycle::Value> CKR_VUInfoDlg::CycleValues() const
{
    QList<WriteCycle::Value> values{{P::PID_VehicleVIN, QStringLiteral("VIN")},
                                    {P::PID_MemberState, QStringLiteral("Страна регистрации (RUS)")},
                                    {P::PID_VehicleRegNo, QStringLiteral("Рег.номер")},
                                    {P::PID_VehicleTyre, QStringLiteral("Шины")},
                                    {P::PID_VehicleMaxSpeed, QStringLiteral("Max.скорость")},
                                    {P::PID_VUHROdometer, QStringLiteral("Одометр")},
                                    {P::PID_VUDateTime, QStringLiteral("Тек. дата (UTC) и часовой пояс")}};
    if (mModem)
        values << WriteCycle::Value{P::PID_MdmPIN, QStringLiteral("PIN")}
               << WriteCycle::Value{P::PID_MdmAPN, QStringLiteral("Точка доступа")}
               << WriteCycle::Value{P::PID_MdmLogin, QStringLiteral("Пользователь")}
               << WriteCycle::Value{P::PID_MdmPassword, QStringLiteral("Пароль")}
               << WriteCycle::Value{P::PID_MdmUpdate, QStringLiteral("Автоматическое обновление")}
               << WriteCycle::Value{P::PID_MdmGlnURL, QStringLiteral("Сервер ГЛОНАСС")}
               << WriteCycle::Value{P::PID_MdmMonitURL, QStringLiteral("Сервер МОНИТОР")};
    values << WriteCycle::Value{P::PID_VUSettings, QStringLiteral("Использовать GPRS-модем")};
    return values;
}

void CKR_VUInfoDlg::reject()
{
    // The worker finishes the cycle within seconds and reports it, whole or cut short: never abandon it.
    if (mCycle.IsRunning())
        return;
    QDialog::reject();
}

quint32 CKR_VUInfoDlg::SettingsToWrite() const
{
    // Only the modem bit is this dialog's; every other bit goes back as it was read.
    if (mModem && mModem->chbModemUsed->isChecked())
        return mSettings | P::OPT_Modem;
    return mSettings & ~P::OPT_Modem;
}

quint32 CKR_VUInfoDlg::OdometerMetres() const
{
    return OdometerMetresToWrite(mUi->dseVUHROdometer->value(), mOdometerMetres);
}

void CKR_VUInfoDlg::DropPages()
{
    mSensor.reset();
    mGPS.reset();
    mModem.reset();
    while (mUi->tabWidget->count() > kFixedTabs) {
        QWidget* page = mUi->tabWidget->widget(kFixedTabs);
        mUi->tabWidget->removeTab(kFixedTabs);
        delete page;
    }
    FitTabs(mUi->tabWidget);
}

void CKR_VUInfoDlg::CreatePages()
{
    if ((mOptions & P::OPT_CryptoSensor) && !mSensor) {
        auto* page = new QWidget;
        mSensor = std::make_unique<Ui::VUS_Sensor>();
        mSensor->setupUi(page);
        for (QLineEdit* edit : {mSensor->edtSnsSerNo, mSensor->edtSnsNumber, mSensor->edtSnsPaired})
            edit->setStyleSheet(mFieldStyle);
        mUi->tabWidget->addTab(page, QStringLiteral("Датчик"));
    }
    if ((mOptions & P::OPT_Gnss) && !mGPS) {
        auto* page = new QWidget;
        mGPS = std::make_unique<Ui::VUS_GPS>();
        mGPS->setupUi(page);
        for (QLineEdit* edit :
             {mGPS->edtGPSLatitude, mGPS->edtGPSLongitude, mGPS->edtGPSSpeed, mGPS->edtGPSDateTime})
            edit->setStyleSheet(mFieldStyle);
        mUi->tabWidget->addTab(page, QStringLiteral("ГЛОНАСС"));
    }
    if ((mOptions & P::OPT_Modem) && !mModem) {
        auto* page = new QWidget;
        mModem = std::make_unique<Ui::VUS_Modem>();
        mModem->setupUi(page);
        connect(mModem->chbModemUsed, &QCheckBox::clicked, this, &CKR_VUInfoDlg::OnModemChanged);
        HoldUnitText(mModem->edtMdmPIN, P::PID_MdmPIN, QStringLiteral("PIN"));
        HoldUnitText(mModem->edtMdmAPN, P::PID_MdmAPN, QStringLiteral("Точка доступа"));
        HoldUnitText(mModem->edtMdmLogin, P::PID_MdmLogin, QStringLiteral("Пользователь"));
        HoldUnitText(mModem->edtMdmPassword, P::PID_MdmPassword, QStringLiteral("Пароль"));
        HoldUnitText(mModem->edtMdmGlnURL, P::PID_MdmGlnURL, QStringLiteral("Сервер ГЛОНАСС"));
        HoldUnitText(mModem->edtMdmMonitURL, P::PID_MdmMonitURL, QStringLiteral("Сервер МОНИТОР"));
        mUi->tabWidget->addTab(page, QStringLiteral("Модем"));
    }
    FitTabs(mUi->tabWidget);
}

void CKR_VUInfoDlg::ShowModemEnabled(bool aOn)
{
    if (!mModem)
        return;
    for (QWidget* w :
         std::initializer_list<QWidget*>{mModem->edtMdmAPN, mModem->edtMdmLogin, mModem->edtMdmPassword,
                                         mModem->chbMdmUpdate, mModem->edtMdmGlnURL, mModem->edtMdmMonitURL})
        w->setEnabled(aOn);
}

void CKR_VUInfoDlg::OnModemChanged(bool aValue)
{
    ShowModemEnabled(aValue);
}

void CKR_VUInfoDlg::ApplyValue(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    const QString text = aValue.toString().trimmed();
    switch (aId) {
    case P::PID_VUPartNo:
        mUi->edtVUPartNo->setText(text);
        break;
    case P::PID_VUSerNo:
        mUi->edtVUSerNo->setText(text);
        break;
    case P::PID_VUSWVer:
        mUi->edtVUSWVer->setText(text);
        break;
    case P::PID_VUManufacturer:
        mUi->edtVUManufacturer->setText(text);
        break;
    case P::PID_VehicleVIN:
        mUi->edtVehicleVIN->setText(text);
        break;
    case P::PID_VehicleRegNo:
        // As the unit holds it (Latin twins), the form the field takes when typed.
        mUi->edtVehicleRegNo->setText(P::HeldText(aId, text));
        break;
    case P::PID_VehicleTyre:
        mUi->edtVehicleTyre->setText(text);
        break;
    case P::PID_VehicleMaxSpeed:
        // Beyond the field's limits the number shows as it is, marked, and is not taken without a word.
        mUi->speVehicleMaxSpeed->setValue(int(std::clamp<qint64>(aValue.toLongLong(), 0, 999999999)));
        break;
    case P::PID_VUHROdometer:
        mOdometerMetres = aValue.toULongLong();
        mUi->dseVUHROdometer->setValue(double(mOdometerMetres) / 1000.0);
        break;
    case P::PID_VUDateTime: {
        TKR_VUDateTime clock;
        clock.FromVariant(aValue);
        mVUClock = clock.mDateTime;
        if (mTakeOffset) {
            mGMT->setValue(clock.mOffset);
            mTakeOffset = false;
        }
        RefreshClock();
        break;
    }
    case P::PID_VUOptions:
        mOptions = quint32(aValue.toULongLong());
        CreatePages();
        break;
    case P::PID_VUSettings:
        mSettings = quint32(aValue.toULongLong());
        if (mModem) {
            const bool used = mSettings & P::OPT_Modem;
            mModem->chbModemUsed->setChecked(used);
            ShowModemEnabled(used);
        }
        break;
    case P::PID_SnsSerNo:
        if (mSensor)
            mSensor->edtSnsSerNo->setText(text);
        break;
    case P::PID_SnsNumber:
        if (mSensor)
            mSensor->edtSnsNumber->setText(text);
        break;
    case P::PID_SnsPaired:
        // The read gives local time; the field is labelled UTC.
        if (mSensor)
            mSensor->edtSnsPaired->setText(
                aValue.toDateTime().toUTC().toString(QStringLiteral("dd/MM/yyyy")));
        break;
    case P::PID_GPSData:
        if (mGPS)
            ShowGPSData(aValue.toString());
        break;
    case P::PID_MdmPIN:
        if (mModem)
            mModem->edtMdmPIN->setText(text);
        break;
    case P::PID_MdmAPN:
        if (mModem)
            mModem->edtMdmAPN->setText(text);
        break;
    case P::PID_MdmLogin:
        if (mModem)
            mModem->edtMdmLogin->setText(text);
        break;
    case P::PID_MdmPassword:
        if (mModem)
            mModem->edtMdmPassword->setText(text);
        break;
    case P::PID_MdmGlnURL:
        if (mModem)
            mModem->edtMdmGlnURL->setText(text);
        break;
    case P::PID_MdmMonitURL:
        if (mModem)
            mModem->edtMdmMonitURL->setText(text);
        break;
    case P::PID_MdmUpdate:
        if (mModem)
            mModem->chbMdmUpdate->setChecked(aValue.toBool());
        break;
    default: // PID_MemberState and anything else
        break;
    }
}

void CKR_VUInfoDlg::ShowGPSData(const QString& aText)
{
    const GnssTexts texts = GnssTextsFromSentence(aText);
    mGPS->edtGPSLatitude->setText(texts.latitude);
    mGPS->edtGPSLongitude->setText(texts.longitude);
    mGPS->edtGPSSpeed->setText(texts.speed);
    mGPS->edtGPSDateTime->setText(texts.dateTime);
}

void CKR_VUInfoDlg::RefreshClock()
{
    if (mLiveClock)
        mUi->dteVUDateTime->setDateTime(mVUClock.addSecs(mClockCorrection));
}

void CKR_VUInfoDlg::OnVUDTChanged(const QDateTime& aNewValue)
{
    mClockCorrection = mVUClock.secsTo(QDateTime(aNewValue.date(), aNewValue.time(), Qt::UTC));
}

void CKR_VUInfoDlg::OnPCDateTimeClick()
{
    mClockCorrection = mVUClock.secsTo(QDateTime::currentDateTimeUtc());
    mGMT->setValue(LocalUtcOffset());
    RefreshClock();
}

void CKR_VUInfoDlg::OnVUGMTChanged(int aValue)
{
    // The box's value is taken when writing and saving.
    Q_UNUSED(aValue);
}

void CKR_VUInfoDlg::OnDTEditingFinished()
{
    mLiveClock = true;
}

bool CKR_VUInfoDlg::eventFilter(QObject* aWatched, QEvent* aEvent)
{
    // While the technician types, the running clock must not overwrite the field.
    if (aEvent->type() == QEvent::KeyPress && (aWatched == mUi->dteVUDateTime || aWatched == mGMT))
        mLiveClock = false;
    return QDialog::eventFilter(aWatched, aEvent);
}

void CKR_VUInfoDlg::OnReadData(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    mProgress.Step(1);
    if (aId == P::PID_VehicleVIN)
        mUnitVIN = aValue.toString().trimmed();
    ApplyValue(aId, aValue);
}

void CKR_VUInfoDlg::OnReadComplete()
{
    SetIdle();
    qDebug() << "ReadComplete";
}

void CKR_VUInfoDlg::OnReadError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    // A unit without a receiver may refuse the position; the worker already reports that as an empty
    // text, and any error reported here has stopped the worker, so it ends the dialog like the others.
    Q_UNUSED(aId);
    Fail(aErr);
}

void CKR_VUInfoDlg::OnPingData(CKR_HiProt::T_ParamId aId, const QVariant& aValue)
{
    ApplyValue(aId, aValue);
}

void CKR_VUInfoDlg::OnPingError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    Q_UNUSED(aId);
    Fail(aErr);
}

void CKR_VUInfoDlg::OnWriteData(CKR_HiProt::T_ParamId aId)
{
    mProgress.Step(1);
    mCycle.Written(aId);
}

void CKR_VUInfoDlg::OnWriteComplete()
{
    mCycle.End();
    SetIdle();
    if (!mFailed)
        mUnitVIN = mWritingVIN.trimmed();
    ShowVUResult(this);
    if (!mFailed)
        OnSaveClick(); // a record of what was written
}

void CKR_VUInfoDlg::OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
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

void CKR_VUInfoDlg::Fail(TKR_VUError aErr)
{
    mFailed = true;
    mCycle.End();
    SetIdle();
    EndOnVUError(this, aErr);
}

RegistrationFields CKR_VUInfoDlg::CurrentRecord() const
{
    RegistrationFields f;
    f.vuPartNo = mUi->edtVUPartNo->text();
    f.vuSerNo = mUi->edtVUSerNo->text();
    f.vuSWVer = mUi->edtVUSWVer->text();
    f.vuManufacturer = mUi->edtVUManufacturer->text();
    f.composition = mOptions;
    f.sensorUsage = SettingsToWrite();
    f.vuClock = mUi->dteVUDateTime->dateTime();
    f.vuOffset = mGMT->value();
    f.vehicleVin = mUi->edtVehicleVIN->text();
    f.vehicleRegNo = mUi->edtVehicleRegNo->text();
    f.vehicleTyre = mUi->edtVehicleTyre->text();
    f.vehicleMaxSpeed = mUi->speVehicleMaxSpeed->value();
    f.odometerKm = mUi->dseVUHROdometer->value();
    if (mSensor)
        f.sensor = RegistrationSensor{mSensor->edtSnsSerNo->text(), mSensor->edtSnsNumber->text(),
                                      mSensor->edtSnsPaired->text()};
    if (mGPS)
        f.gps = RegistrationGps{mGPS->edtGPSLatitude->text(), mGPS->edtGPSLongitude->text(),
                                mGPS->edtGPSSpeed->text(), mGPS->edtGPSDateTime->text()};
    if (mModem)
        f.modem = RegistrationModem{mModem->edtMdmPIN->text(),         mModem->edtMdmAPN->text(),
                                    mModem->edtMdmLogin->text(),       mModem->edtMdmPassword->text(),
                                    mModem->chbMdmUpdate->isChecked(), mModem->edtMdmGlnURL->text(),
                                    mModem->edtMdmMonitURL->text()};
    return f;
}

QDomDocument CKR_VUInfoDlg::BuildRecord(const QDateTime& aWhen) const
{
    return BuildRegistrationDocument(CurrentRecord(), aWhen);
}

void CKR_VUInfoDlg::OnSaveClick()
{
    const QDateTime now = QDateTime::currentDateTime();
    QString stem = mUi->edtVehicleRegNo->text().simplified();
    if (stem.isEmpty())
        stem = mUi->edtVehicleVIN->text().simplified();
    const QString path =
        AskSaveRecordPath(this, RecordKind::Registration, RecordFileName(stem, now, QStringLiteral("Reg")));
    if (path.isEmpty())
        return;
    SaveRecord(this, path, BuildRecord(now));
}

void CKR_VUInfoDlg::ApplyRecord(const QDomDocument& aDoc)
{
    // Every field goes through ApplyValue, as from the unit. A value the record lacks comes back as the
    // form shows it: no default may reach the unit as a value.
    RegistrationFields f = CurrentRecord();
    // What the record changes counts as typed: it is checked before a write like the technician's input.
    QList<QPair<QLineEdit*, QString>> texts = {{mUi->edtVehicleVIN, mUi->edtVehicleVIN->text()},
                                               {mUi->edtVehicleRegNo, mUi->edtVehicleRegNo->text()},
                                               {mUi->edtVehicleTyre, mUi->edtVehicleTyre->text()}};
    if (mModem)
        for (QLineEdit* edit : {mModem->edtMdmPIN, mModem->edtMdmAPN, mModem->edtMdmLogin,
                                mModem->edtMdmPassword, mModem->edtMdmGlnURL, mModem->edtMdmMonitURL})
            texts.append({edit, edit->text()});
    QList<QPair<UnitNumberField*, QString>> numbers = {
        {mUi->speVehicleMaxSpeed, mUi->speVehicleMaxSpeed->Text()},
        {mUi->dseVUHROdometer, mUi->dseVUHROdometer->Text()}};

    f.region = kRegionRussia;
    ReadRegistrationRecord(aDoc, f);

    int offset = 0;
    if (!f.vuOffsetText.isEmpty() && OffsetFromText(f.vuOffsetText, offset)) {
        // The zone comes from the record; the clock goes on showing the unit's clock uncorrected.
        mClockCorrection = 0;
        mTakeOffset = true;
        ApplyValue(P::PID_VUDateTime, TKR_VUDateTime(mUi->dteVUDateTime->dateTime(), offset).ToVariant());
    }
    if (f.sensorUsage)
        ApplyValue(P::PID_VUSettings, Unsigned(*f.sensorUsage));
    ApplyValue(P::PID_VehicleVIN, f.vehicleVin);
    ApplyValue(P::PID_VehicleRegNo, f.vehicleRegNo);
    ApplyValue(P::PID_MemberState, f.region);
    ApplyValue(P::PID_VehicleTyre, f.vehicleTyre);
    ApplyValue(P::PID_VehicleMaxSpeed, f.vehicleMaxSpeed);
    if (f.odometerKm) {
        if (*f.odometerKm > mUi->dseVUHROdometer->MaximumValue())
            mUi->dseVUHROdometer->setValue(*f.odometerKm); // shown as it is, and refused before a write
        else
            ApplyValue(P::PID_VUHROdometer, Unsigned(OdometerKmToMetres(*f.odometerKm)));
    }

    if (const auto& modem = f.modem) {
        ApplyValue(P::PID_MdmPIN, modem->pin);
        ApplyValue(P::PID_MdmAPN, modem->apn);
        ApplyValue(P::PID_MdmLogin, modem->login);
        ApplyValue(P::PID_MdmPassword, modem->password);
        ApplyValue(P::PID_MdmUpdate, modem->update);
        ApplyValue(P::PID_MdmGlnURL, modem->gpsUrl);
        ApplyValue(P::PID_MdmMonitURL, modem->monitorUrl);
    }
    for (const auto& [edit, before] : texts)
        if (edit->text() != before)
            edit->setModified(true);
    for (const auto& [field, before] : numbers)
        if (field->Text() != before)
            field->MarkChanged();
}

void CKR_VUInfoDlg::OnLoadClick()
{
    QDomDocument doc;
    if (LoadRecord(this, RecordKind::Registration, doc) && AcceptOtherVehicleRecord(doc, mUnitVIN))
        ApplyRecord(doc);
}
