#include "dialogs/CKR_EditDlg.h"

#include "dialogs/CKR_MeasureDlg.h"
#include "dialogs/CKR_TyreDlg.h"
#include "link/CKR_HiProt.h"
#include "ui_VUC_Edit.h"
#include "widgets/FitText.h"
#include "widgets/UnitNumberBox.h"
#include "widgets/VUMessages.h"

#include <QDebug>

CKR_EditDlg::CKR_EditDlg(int aK, int aW, int aL, const QString& aTyre, QWidget* aParent,
                         Qt::WindowFlags aFlags)
    : QDialog(aParent, aFlags), mUi(std::make_unique<Ui::VUC_Edit>()), mTyreSize(aTyre)
{
    mUi->setupUi(this);
    FitTexts(this);
    // A constant of 0 leaves the unit unable to compute distance and speed.
    mUi->speWConst->HoldParam(CKR_HiProt::PID_WConst, QStringLiteral("W"), 1, kMaxCalibrationConstant);
    mUi->speKConst->HoldParam(CKR_HiProt::PID_KConst, QStringLiteral("K"), 1, kMaxCalibrationConstant);
    mUi->speLConst->HoldParam(CKR_HiProt::PID_LConst, QStringLiteral("L"), 1, kMaxCalibrationConstant);
    mUi->speKConst->setValue(aK);
    mUi->speWConst->setValue(aW);
    mUi->speLConst->setValue(aL);
}

CKR_EditDlg::~CKR_EditDlg() = default;

void CKR_EditDlg::accept()
{
    if (NumberFieldsHeld(this, true, QStringLiteral("Значения не приняты:")))
        QDialog::accept();
}

int CKR_EditDlg::GetKConst() const
{
    return mUi->speKConst->value();
}

int CKR_EditDlg::GetWConst() const
{
    return mUi->speWConst->value();
}

int CKR_EditDlg::GetLConst() const
{
    return mUi->speLConst->value();
}

QString CKR_EditDlg::GetTyreSize() const
{
    return mTyreSize;
}

void CKR_EditDlg::OnImp(unsigned int aImp)
{
    if (mMeasureDlg)
        mMeasureDlg->OnImp(aImp);
}

void CKR_EditDlg::OnMeasureClick()
{
    qDebug("OnMeasureClick");
    if (mMeasureDlg || mTyreDlg)
        return;
    mMeasureDlg = new CKR_MeasureDlg(this, windowFlags());
    connect(mMeasureDlg, &QDialog::finished, this, &CKR_EditDlg::OnMeasureFinished);
    mMeasureDlg->setModal(true);
    mMeasureDlg->show();
    HideWhileChildRuns(this);
}

void CKR_EditDlg::OnCopyClick()
{
    mUi->speKConst->setValue(mUi->speWConst->value());
    mUi->speKConst->MarkChanged();
}

void CKR_EditDlg::OnTyreClick()
{
    qDebug("OnTyreClick");
    if (mMeasureDlg || mTyreDlg)
        return;
    mTyreDlg = new CKR_TyreDlg(mTyreSize, this, windowFlags());
    connect(mTyreDlg, &QDialog::finished, this, &CKR_EditDlg::OnTyreFinished);
    mTyreDlg->setModal(true);
    mTyreDlg->show();
    HideWhileChildRuns(this);
}

void CKR_EditDlg::OnMeasureFinished(int aResult)
{
    if (!mMeasureDlg)
        return;
    if (aResult != 0)
        mUi->speWConst->ShowNumber(mMeasureDlg->GetAverageW()); // beyond the limit: shown and refused
    ShowAfterChild(this);
    mMeasureDlg->deleteLater();
    mMeasureDlg = nullptr;
}

void CKR_EditDlg::OnTyreFinished(int aResult)
{
    if (!mTyreDlg)
        return;
    if (aResult != 0) {
        // OK is enabled only for a positive L; the check keeps -1 out even if accept came another way.
        const int l = mTyreDlg->GetLConst();
        if (l > 0) {
            mUi->speLConst->ShowNumber(quint64(l));
            mTyreSize = mTyreDlg->GetTyreSize();
        }
    }
    ShowAfterChild(this);
    mTyreDlg->deleteLater();
    mTyreDlg = nullptr;
}

#include "moc_CKR_EditDlg.cpp"
