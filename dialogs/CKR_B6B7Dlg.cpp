#include "dialogs/CKR_B6B7Dlg.h"

#include "ui_VUC_B6B7.h"
#include "widgets/CANSpeedList.h"
#include "widgets/FitText.h"
#include "widgets/UnitNumberBox.h"

#include <QDebug>
#include <QTimerEvent>

namespace {
// A burst of changes (a held spin box arrow, typed digits) becomes one write of the last value.
constexpr int PauseMs = 300;
// The test speeds the form offers, km/h (the parameter holds one byte).
constexpr int kMaxTestSpeed = 250;
} // namespace

CKR_B6B7Dlg::CKR_B6B7Dlg(QWidget* aParent, Qt::WindowFlags aFlags)
    : QDialog(aParent, aFlags), mUi(std::make_unique<Ui::VUC_B6B7>())
{
    mUi->setupUi(this);
    mUi->speSpeed->HoldParam(CKR_HiProt::PID_Speed, QStringLiteral("Скорость"), 0, kMaxTestSpeed);
    mUi->speB6Const->HoldParam(CKR_HiProt::PID_B6Const, QStringLiteral("B6"), 0, kMaxCalibrationConstant);
    mUi->speB7Const->HoldParam(CKR_HiProt::PID_B7Const, QStringLiteral("B7"), 0, kMaxCalibrationConstant);
    mUi->speSpeedReal->SetLimits(QStringLiteral("Скорость по спидометру"), 0, kMaxTestSpeed);
    // Refilling changes the current item and so starts the CAN timer: the VU always gets the CAN value.
    FillCANSpeedList(mUi->cmbCANSpeedometer);
    FitTexts(this);
}

CKR_B6B7Dlg::~CKR_B6B7Dlg() = default;

void CKR_B6B7Dlg::SetSpeed(int aSpeed)
{
    mUi->speSpeed->setValue(aSpeed & 0xFF);
}

void CKR_B6B7Dlg::SetB6Const(int aB6)
{
    mUi->speB6Const->setValue(aB6 & 0xFFFF);
}

void CKR_B6B7Dlg::SetB7Const(int aB7)
{
    mUi->speB7Const->setValue(aB7 & 0xFFFF);
}

void CKR_B6B7Dlg::SetCANSpeed(const QVariant& aCan)
{
    SelectCANSpeed(mUi->cmbCANSpeedometer, aCan);
}

int CKR_B6B7Dlg::GetSpeed() const
{
    return mUi->speSpeed->value();
}

int CKR_B6B7Dlg::GetB6Const() const
{
    return mUi->speB6Const->value();
}

int CKR_B6B7Dlg::GetB7Const() const
{
    return mUi->speB7Const->value();
}

QVariant CKR_B6B7Dlg::GetCANSpeed() const
{
    return CANSpeedValue(mUi->cmbCANSpeedometer);
}

void CKR_B6B7Dlg::done(int aResult)
{
    // The opener restores the VU's stored values when the dialog finishes; a test value announced
    // after that would be left in the VU.
    for (int* timer : {&mSpeedTimer, &mB6Timer, &mB7Timer, &mCANTimer}) {
        if (*timer != 0)
            killTimer(*timer);
        *timer = 0;
    }
    QDialog::done(aResult);
}

void CKR_B6B7Dlg::accept()
{
    if (NumberFieldsHeld(this, true, QStringLiteral("Значения не приняты:")))
        QDialog::accept();
}

void CKR_B6B7Dlg::RestartTimer(int& aTimerId)
{
    if (aTimerId != 0)
        killTimer(aTimerId);
    aTimerId = startTimer(PauseMs);
}

void CKR_B6B7Dlg::OnSpeedChanged(int)
{
    RestartTimer(mSpeedTimer);
}

void CKR_B6B7Dlg::OnB6Changed(int)
{
    RestartTimer(mB6Timer);
}

void CKR_B6B7Dlg::OnB7Changed(int)
{
    RestartTimer(mB7Timer);
}

void CKR_B6B7Dlg::OnCANChanged(int)
{
    RestartTimer(mCANTimer);
}

void CKR_B6B7Dlg::OnSpeedRealChanged(int)
{
    UpdateRecommended();
}

void CKR_B6B7Dlg::OnCopyClick()
{
    // A recommendation beyond the limit shows as it is, marked, and is neither sent nor taken.
    mUi->speB6Const->ShowNumber(mUi->edtB6Recomend->text().toULongLong());
    mUi->speB7Const->ShowNumber(mUi->edtB7Recomend->text().toULongLong());
}

void CKR_B6B7Dlg::timerEvent(QTimerEvent* aEvent)
{
    const int id = aEvent->timerId();
    if (id == 0) {
        QDialog::timerEvent(aEvent);
        return;
    }
    if (id == mB6Timer) {
        qDebug("timerEvent (B6=%d)", id);
        killTimer(mB6Timer);
        mB6Timer = 0;
        if (mUi->speB6Const->Problem().isEmpty())
            emit ValueChanged(CKR_HiProt::PID_B6Const, QVariant(mUi->speB6Const->value()));
    } else if (id == mB7Timer) {
        qDebug("timerEvent (B7=%d)", id);
        killTimer(mB7Timer);
        mB7Timer = 0;
        if (mUi->speB7Const->Problem().isEmpty())
            emit ValueChanged(CKR_HiProt::PID_B7Const, QVariant(mUi->speB7Const->value()));
    } else if (id == mSpeedTimer) {
        qDebug("timerEvent (Speed=%d)", id);
        killTimer(mSpeedTimer);
        mSpeedTimer = 0;
        if (mUi->speSpeed->Problem().isEmpty())
            emit ValueChanged(CKR_HiProt::PID_Speed, QVariant(mUi->speSpeed->value()));
    } else if (id == mCANTimer) {
        qDebug("timerEvent (CAN=%d)", id);
        killTimer(mCANTimer);
        mCANTimer = 0;
        emit ValueChanged(CKR_HiProt::PID_CANSpeedometer, mUi->cmbCANSpeedometer->currentData());
    } else {
        QDialog::timerEvent(aEvent);
        return;
    }
    UpdateRecommended();
}

// B6 and B7 scaled by the ratio of the test speed to the speed the speedometer shows, rounded.
void CKR_B6B7Dlg::UpdateRecommended()
{
    const int shown = mUi->speSpeedReal->value();
    if (shown == 0) {
        mUi->edtB6Recomend->setText(QStringLiteral("0"));
        mUi->edtB7Recomend->setText(QStringLiteral("0"));
        return;
    }
    const double ratio = static_cast<double>(mUi->speSpeed->value()) / shown;
    const auto recommended = [ratio](int aValue) {
        return QString::number(static_cast<qint64>(aValue * ratio + 0.5));
    };
    mUi->edtB6Recomend->setText(recommended(mUi->speB6Const->value()));
    mUi->edtB7Recomend->setText(recommended(mUi->speB7Const->value()));
}

#include "moc_CKR_B6B7Dlg.cpp"
