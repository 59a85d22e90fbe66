#pragma once

#include "link/CKR_HiProt.h"

#include <QDialog>
#include <QVariant>

#include <memory>

namespace Ui {
class VUC_B6B7;
}

// Live adjustment of the speed signal outputs: every change of the test speed, B6, B7 or the CAN speed
// is announced with ValueChanged 300 ms after the last change of that input, and the opener writes it
// to the VU. Recommends B6 and B7 from the speed the vehicle's speedometer shows.
class CKR_B6B7Dlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKR_B6B7Dlg(QWidget* aParent = nullptr, Qt::WindowFlags aFlags = {});
    ~CKR_B6B7Dlg() override;

    // Set before the dialog is shown; each change starts that input's timer like a change by hand.
    void SetSpeed(int aSpeed);              // low byte used
    void SetB6Const(int aB6);               // low 16 bits used
    void SetB7Const(int aB7);               // low 16 bits used
    void SetCANSpeed(const QVariant& aCan); // PID_CANSpeedometer code

    int GetSpeed() const;
    int GetB6Const() const;
    int GetB7Const() const;
    QVariant GetCANSpeed() const;

    // Stops the pending timers so that nothing is announced after the dialog has finished.
    void done(int aResult) override;
    // OK: only when every changed field holds a value its parameter takes.
    void accept() override;

signals:
    void ValueChanged(CKR_HiProt::T_ParamId aId, const QVariant& aNewValue);

public slots:
    void OnSpeedChanged(int aNewValue);
    void OnB6Changed(int aNewValue);
    void OnB7Changed(int aNewValue);
    void OnCANChanged(int aNewValue);
    void OnSpeedRealChanged(int aNewValue);
    void OnCopyClick();

protected:
    void timerEvent(QTimerEvent* aEvent) override;

private:
    void RestartTimer(int& aTimerId);
    void UpdateRecommended();

    std::unique_ptr<Ui::VUC_B6B7> mUi;
    int mSpeedTimer = 0;
    int mB6Timer = 0;
    int mB7Timer = 0;
    int mCANTimer = 0;
};
