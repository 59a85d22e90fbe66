#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

namespace Ui {
class VUC_Edit;
}
class CKR_MeasureDlg;
class CKR_TyreDlg;

// Editor of the calibration constants W, K and L with the tyre size text; opens the tyre calculator
// and the W measurement. The caller reads the values back after OK (finished(int) non-zero).
class CKR_EditDlg : public QDialog
{
    Q_OBJECT

public:
    CKR_EditDlg(int aK, int aW, int aL, const QString& aTyre, QWidget* aParent = nullptr,
                Qt::WindowFlags aFlags = {});
    ~CKR_EditDlg() override;

    int GetKConst() const;
    int GetWConst() const;
    int GetLConst() const;
    QString GetTyreSize() const;

    // OK: only when every changed field holds a value W, K and L take.
    void accept() override;

    // The running impulse count; passed on to the open W measurement, ignored otherwise.
    void OnImp(unsigned int aImp);

    // The open calculators (null when none is open).
    CKR_MeasureDlg* MeasureDlg() const { return mMeasureDlg; }
    CKR_TyreDlg* TyreDlg() const { return mTyreDlg; }

public slots:
    void OnMeasureClick();
    void OnCopyClick();
    void OnTyreClick();
    void OnMeasureFinished(int aResult);
    void OnTyreFinished(int aResult);

private:
    std::unique_ptr<Ui::VUC_Edit> mUi;
    QPointer<CKR_MeasureDlg> mMeasureDlg;
    QPointer<CKR_TyreDlg> mTyreDlg;
    QString mTyreSize;
};
