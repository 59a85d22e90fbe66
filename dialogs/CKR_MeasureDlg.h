#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class VUC_Measure;
}

// Measures W (impulses per km) from the VU's impulse counter over a measured distance; several runs
// are averaged.
class CKR_MeasureDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKR_MeasureDlg(QWidget* aParent = nullptr, Qt::WindowFlags aFlags = {});
    ~CKR_MeasureDlg() override;

    // A new reading of the impulse counter (PID_ImpCounter); the counter wraps from 2^32-1 to 0.
    void OnImp(quint32 aCount);
    // The average W of all runs in the table, 0 while the table is empty.
    unsigned int GetAverageW() const;

public slots:
    void OnStartStopClick();
    void OnAddClick();
    void OnClearClick();
    void OnDistanceChanged(double aValue);

private:
    quint64 CurrentW(double aDistance) const;
    void ShowCurrentW(double aDistance);

    std::unique_ptr<Ui::VUC_Measure> mUi;
    quint64 mTotal = 0;          // impulses since the last Start or the last added run
    quint32 mLastCount = 0;      // counter value received most recently
    bool mHaveLastCount = false; // false until the first reading arrives
    bool mRunning = false;
    quint32 mAverageW = 0;
};
