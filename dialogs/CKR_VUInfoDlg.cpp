#include "dialogs/CKR_VUInfoDlg.h"

#include "dialogs/VUConnect.h"
#include "link/TKR_VUDateTime.h"
#include "records/CertificateRecord.h"
#include "records/RecordDialogs.h"
#include "records/RecordFile.h"
#include "records/XmlElements.h"
#include "widgets/CKR_GMTSpinBox.h"
#include "widgets/FitText.h"
#include "widgets/Formatters.h"
#include "widgets/UnitTextValidator.h"
#include "widgets/VUMessages.h"

#include "ui_VUS_GPS.h"
#include "ui_VUS_Info.h"
#include "ui_VUS_Modem.h"
#include "ui_VUS_Sensor.h"

#include <QDebug>
#include <QDomDocument>
#include <QEvent>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using P = CKR_HiProt;

const int kFixedTabs = 2;

QVariant U64(quint64 aValue)
{
    return QVariant::fromValue<quint64>(aValue);
}

} // namespace

CKR_VUInfoDlg::CKR_VUInfoDlg(QWidget* parent, Qt::WindowFlags f)
    : QDialog(parent, f), mUi(std::make_unique<Ui::VUS_Info>()), mVUClock(QDateTime::currentDateTimeUtc()),
      mProgress(this), mThread(&mPort)
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

    connect(&mThread, &CKR_UartThrd::OnReadData, this, &CKR_VUInfoDlg::OnReadData);
    connect(&mThread, &CKR_UartThrd::OnReadComplete, this, &CKR_VUInfoDlg::OnReadComplete);
    connect(&mThread, &CKR_UartThrd::OnReadError, this, &CKR_VUInfoDlg::OnReadError);
    connect(&mThread, &CKR_UartThrd::OnWriteData, this, &CKR_VUInfoDlg::OnWriteData);
    connect(&mThread, &CKR_UartThrd::OnWriteComplete, this, &CKR_VUInfoDlg::OnWriteComplete);
    connect(&mThread, &CKR_UartThrd::OnWriteError, this, &CKR_VUInfoDlg::OnWriteError);
    connect(&mThread, &CKR_UartThrd::OnPingData, this, &CKR_VUInfoDlg::OnPingData);
    connect(&mThread, &CKR_UartThrd::OnPingError, this, &CKR_VUInfoDlg::OnPingError);

    FitTexts(mUi->tabReg); // the page of fixed positions
    FitDateTimeEdit(mUi->dteVUDateTime);

    // The launcher runs this dialog with exec(), but it is already visible by then, and a visible
    // window does not take a new modality: set it before the first show, or the launcher stays usable.
    setModal(true);
    show();
    OnReadClick();
    mThread.start();
}

CKR_VUInfoDlg::~CKR_VUInfoDlg()
{
    // The worker uses the port until it has ended.
    mThread.Stop();
    mThread.wait();
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
    mThread.Clear();
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
        mThread.AddRead(id);
}

void CKR_VUInfoDlg::OnWriteClick()
{
    qDebug() << "OnWriteClick";
    if (!UnitTextsHeld(this) || !AskVUConfirm())
        return;
    mThread.Clear();
    SetBusy(mModem ? 15 : 8);

    mWritingVIN = mUi->edtVehicleVIN->text();
    mThread.AddWrite(P::PID_VehicleVIN, mWritingVIN);
    mThread.AddWrite(P::PID_MemberState, QStringLiteral("RUS"));
    mThread.AddWrite(P::PID_VehicleRegNo, mUi->edtVehicleRegNo->text());
    mThread.AddWrite(P::PID_VehicleTyre, mUi->edtVehicleTyre->text());
    mThread.AddWrite(P::PID_VehicleMaxSpeed, U64(mUi->speVehicleMaxSpeed->value()));
    mThread.AddWrite(P::PID_VUHROdometer, U64(OdometerMetres()));
    const TKR_VUDateTime clock(mVUClock.addSecs(mClockCorrection), mGMT->value());
    mThread.AddWrite(P::PID_VUDateTime, clock.ToVariant());
    mClockCorrection = 0;
    if (mModem) {
        mThread.AddWrite(P::PID_MdmPIN, mModem->edtMdmPIN->text());
        mThread.AddWrite(P::PID_MdmAPN, mModem->edtMdmAPN->text());
        mThread.AddWrite(P::PID_MdmLogin, mModem->edtMdmLogin->text());
        mThread.AddWrite(P::PID_MdmPassword, mModem->edtMdmPassword->text());
        mThread.AddWrite(P::PID_MdmUpdate, U64(mModem->chbMdmUpdate->isChecked() ? 1 : 0));
        mThread.AddWrite(P::PID_MdmGlnURL, mModem->edtMdmGlnURL->text());
        mThread.AddWrite(P::PID_MdmMonitURL, mModem->edtMdmMonitURL->text());
    }
    mThread.AddWrite(P::PID_VUSettings, U64(SettingsToWrite()));
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
    // Tenths of a kilometre as shown; counted in whole tenths so that no metre is lost to the binary
    // fraction. A field left as the unit's value writes back the unit's exact metres.
    const qint64 tenths = qRound64(mUi->dseVUHROdometer->value() * 10.0);
    if (tenths == qRound64(mOdometerMetres / 100.0))
        return quint32(mOdometerMetres);
    return quint32(tenths * 100);
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
        mUi->speVehicleMaxSpeed->setValue(int(std::clamp<qint64>(aValue.toLongLong(), 0, 1000000)));
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
    // An RMC-type sentence: "$GPRMC,hhmmss.ss,A,ddmm.mmmm,N,dddmm.mmmm,E,knots,course,ddmmyy,...*cs".
    const QString sentence = aText.trimmed();
    QStringList fields;
    if (sentence.size() > 10) {
        const QString decimal = QLocale::system().decimalPoint();
        QString s = sentence.mid(7, sentence.size() - 10);
        s.replace(QLatin1Char(','), QLatin1Char('|'));
        s.replace(QLatin1Char('.'), decimal);
        fields = s.split(QLatin1Char('|'));
    }
    if (fields.size() < 11) {
        for (QLineEdit* edit :
             {mGPS->edtGPSLatitude, mGPS->edtGPSLongitude, mGPS->edtGPSSpeed, mGPS->edtGPSDateTime})
            edit->clear();
        return;
    }
    const QString suffix = fields[1] == QLatin1String("A") ? QString() : QStringLiteral(" (?)");
    mGPS->edtGPSLatitude->setText(
        QStringLiteral("%1 %2.ш.%3")
            .arg(CoordText(fields[2]),
                 fields[3] == QLatin1String("N") ? QStringLiteral("с") : QStringLiteral("ю"), suffix));
    mGPS->edtGPSLongitude->setText(
        QStringLiteral("%1 %2.д.%3")
            .arg(CoordText(fields[4]),
                 fields[5] == QLatin1String("E") ? QStringLiteral("в") : QStringLiteral("з"), suffix));
    const double knots = QLocale::system().toDouble(fields[6]);
    mGPS->edtGPSSpeed->setText(QStringLiteral("%1 км/ч%2").arg(KnotsAsKmhText(knots), suffix));
    const QTime time = QTime::fromString(fields[0].left(6), QStringLiteral("hhmmss"));
    QDate date = QDate::fromString(fields[8], QStringLiteral("ddMMyy"));
    if (date.isValid() && date.year() < 2000)
        date = date.addYears(100);
    mGPS->edtGPSDateTime->setText(QDateTime(date, time).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")) +
                                  suffix);
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
    Q_UNUSED(aId);
    mProgress.Step(1);
}

void CKR_VUInfoDlg::OnWriteComplete()
{
    SetIdle();
    if (!mFailed)
        mUnitVIN = mWritingVIN.trimmed();
    ShowVUResult(this);
    if (!mFailed)
        OnSaveClick(); // a record of what was written
}

void CKR_VUInfoDlg::OnWriteError(CKR_HiProt::T_ParamId aId, TKR_VUError aErr)
{
    Q_UNUSED(aId);
    Fail(aErr);
}

void CKR_VUInfoDlg::Fail(TKR_VUError aErr)
{
    // The worker serves nothing more after an error: say why and close.
    mFailed = true;
    SetIdle();
    ShowVUError(aErr, QString(), this);
    close();
}

QDomDocument CKR_VUInfoDlg::BuildRecord(const QDateTime& aWhen) const
{
    QDomDocument doc = NewRecord(QStringLiteral("Registration"), aWhen);
    QDomElement root = doc.documentElement();

    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    SetChildText(vu, QStringLiteral("PartNo"), mUi->edtVUPartNo->text());
    SetChildText(vu, QStringLiteral("SerNo"), mUi->edtVUSerNo->text());
    SetChildText(vu, QStringLiteral("SWVer"), mUi->edtVUSWVer->text());
    SetChildText(vu, QStringLiteral("Manufacturer"), mUi->edtVUManufacturer->text());
    // Signed, as the loaders read them back: bit 31 comes back whole.
    WriteChildInt(vu, QStringLiteral("Composition"), static_cast<int>(mOptions));
    WriteChildInt(vu, QStringLiteral("SensorUsage"), static_cast<int>(SettingsToWrite()));
    const TKR_VUDateTime clock(mUi->dteVUDateTime->dateTime(), mGMT->value());
    QDomElement dateTime = ChildElement(vu, QStringLiteral("DateTime"));
    SetChildText(dateTime, QStringLiteral("Date"), clock.ToText(1));
    SetChildText(dateTime, QStringLiteral("Time"), clock.ToText(2));
    SetChildText(dateTime, QStringLiteral("GMT"), clock.ToText(3));

    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    SetChildText(vehicle, QStringLiteral("VIN"), mUi->edtVehicleVIN->text());
    QDomElement regNo = ChildElement(vehicle, QStringLiteral("RegNo"));
    SetChildText(regNo, QStringLiteral("Number"), mUi->edtVehicleRegNo->text());
    WriteChildInt(regNo, QStringLiteral("Region"), 43);
    SetChildText(vehicle, QStringLiteral("Tyre"), mUi->edtVehicleTyre->text());
    WriteChildInt(vehicle, QStringLiteral("MaxSpeed"), mUi->speVehicleMaxSpeed->value());
    WriteChildDouble(vehicle, QStringLiteral("Odometer"), mUi->dseVUHROdometer->value(), 'f', 1);

    if (mSensor) {
        QDomElement sensor = ChildElement(root, QStringLiteral("Sensor"));
        SetChildText(sensor, QStringLiteral("SerNo"), mSensor->edtSnsSerNo->text());
        SetChildText(sensor, QStringLiteral("Number"), mSensor->edtSnsNumber->text());
        SetChildText(sensor, QStringLiteral("Paired"), mSensor->edtSnsPaired->text());
    }
    if (mGPS) {
        QDomElement gps = ChildElement(root, QStringLiteral("GPS"));
        SetChildText(gps, QStringLiteral("Latitude"), mGPS->edtGPSLatitude->text());
        SetChildText(gps, QStringLiteral("Longitude"), mGPS->edtGPSLongitude->text());
        SetChildText(gps, QStringLiteral("Speed"), mGPS->edtGPSSpeed->text());
        SetChildText(gps, QStringLiteral("DateTime"), mGPS->edtGPSDateTime->text());
    }
    if (mModem) {
        QDomElement modem = ChildElement(root, QStringLiteral("Modem"));
        SetChildText(modem, QStringLiteral("PIN"), mModem->edtMdmPIN->text());
        SetChildText(modem, QStringLiteral("APN"), mModem->edtMdmAPN->text());
        SetChildText(modem, QStringLiteral("Login"), mModem->edtMdmLogin->text());
        SetChildText(modem, QStringLiteral("Password"), mModem->edtMdmPassword->text());
        WriteChildInt(modem, QStringLiteral("Update"), mModem->chbMdmUpdate->isChecked() ? 1 : 0);
        SetChildText(modem, QStringLiteral("GPSURL"), mModem->edtMdmGlnURL->text());
        SetChildText(modem, QStringLiteral("MonitorURL"), mModem->edtMdmMonitURL->text());
    }
    return doc;
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

bool CKR_VUInfoDlg::ParseOffsetText(const QString& aText, int& aMinutes)
{
    return OffsetFromText(aText, aMinutes);
}

void CKR_VUInfoDlg::ApplyRecord(const QDomDocument& aDoc)
{
    // Paths are followed with ChildElement, which adds missing elements to this copy only. An element
    // the record lacks leaves its field as it is: no default may reach the unit as a value.
    QDomDocument doc = aDoc;
    const QDomElement root = doc.documentElement();
    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    QDomElement regNo = ChildElement(vehicle, QStringLiteral("RegNo"));
    const auto text = [this](const QDomElement& aParent, const QString& aTag, P::T_ParamId aId,
                             const QLineEdit* aShown) {
        ApplyValue(aId, ReadChildText(aParent, aTag, aShown->text()));
    };

    int offset = 0;
    const QString offsetText =
        ReadChildText(ChildElement(vu, QStringLiteral("DateTime")), QStringLiteral("GMT"), QString());
    if (!offsetText.isEmpty() && ParseOffsetText(offsetText, offset)) {
        // The zone comes from the record; the clock goes on showing the unit's clock uncorrected.
        mClockCorrection = 0;
        mTakeOffset = true;
        ApplyValue(P::PID_VUDateTime, TKR_VUDateTime(mUi->dteVUDateTime->dateTime(), offset).ToVariant());
    }
    if (!vu.firstChildElement(QStringLiteral("SensorUsage")).isNull())
        ApplyValue(P::PID_VUSettings,
                   U64(quint32(ReadChildInt(vu, QStringLiteral("SensorUsage"), int(SettingsToWrite())))));
    text(vehicle, QStringLiteral("VIN"), P::PID_VehicleVIN, mUi->edtVehicleVIN);
    text(regNo, QStringLiteral("Number"), P::PID_VehicleRegNo, mUi->edtVehicleRegNo);
    ApplyValue(P::PID_MemberState, ReadChildInt(regNo, QStringLiteral("Region"), 43));
    text(vehicle, QStringLiteral("Tyre"), P::PID_VehicleTyre, mUi->edtVehicleTyre);
    ApplyValue(P::PID_VehicleMaxSpeed,
               ReadChildInt(vehicle, QStringLiteral("MaxSpeed"), mUi->speVehicleMaxSpeed->value()));
    const double km =
        ReadChildDouble(vehicle, QStringLiteral("Odometer"), std::numeric_limits<double>::quiet_NaN());
    if (!std::isnan(km))
        ApplyValue(P::PID_VUHROdometer, U64(OdometerKmToMetres(km)));

    if (mModem) {
        QDomElement modem = ChildElement(root, QStringLiteral("Modem"));
        text(modem, QStringLiteral("PIN"), P::PID_MdmPIN, mModem->edtMdmPIN);
        text(modem, QStringLiteral("APN"), P::PID_MdmAPN, mModem->edtMdmAPN);
        text(modem, QStringLiteral("Login"), P::PID_MdmLogin, mModem->edtMdmLogin);
        text(modem, QStringLiteral("Password"), P::PID_MdmPassword, mModem->edtMdmPassword);
        ApplyValue(P::PID_MdmUpdate,
                   ReadChildInt(modem, QStringLiteral("Update"), mModem->chbMdmUpdate->isChecked() ? 1 : 0));
        text(modem, QStringLiteral("GPSURL"), P::PID_MdmGlnURL, mModem->edtMdmGlnURL);
        text(modem, QStringLiteral("MonitorURL"), P::PID_MdmMonitURL, mModem->edtMdmMonitURL);
    }
}

void CKR_VUInfoDlg::OnLoadClick()
{
    QDomDocument doc;
    if (LoadRecord(this, RecordKind::Registration, doc) && AcceptOtherVehicleRecord(doc, mUnitVIN))
        ApplyRecord(doc);
}
