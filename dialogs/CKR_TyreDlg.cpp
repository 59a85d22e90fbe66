#include "dialogs/CKR_TyreDlg.h"

#include "dialogs/TyreCircumference.h"
#include "ui_VUC_Tyre.h"
#include "widgets/FitText.h"

CKR_TyreDlg::CKR_TyreDlg(const QString& aTyre, QWidget* aParent, Qt::WindowFlags aFlags)
    : QDialog(aParent, aFlags), mUi(std::make_unique<Ui::VUC_Tyre>())
{
    mUi->setupUi(this);
    FitTexts(this);
    mUi->edtTyre->setText(aTyre);
    // textChanged does not fire when the text equals the form's own.
    OnChanged(mUi->edtTyre->text());
}

CKR_TyreDlg::~CKR_TyreDlg() = default;

int CKR_TyreDlg::GetLConst() const
{
    return TyreCircumference(mUi->edtTyre->text());
}

QString CKR_TyreDlg::GetTyreSize() const
{
    return mUi->edtTyre->text();
}

void CKR_TyreDlg::OnChanged(const QString& aNewVal)
{
    QString info;
    const int l = TyreCircumference(aNewVal, &info);
    mUi->btnOK->setEnabled(l > 0);
    mUi->lblInfo->setText(info);
    FitText(mUi->lblInfo);
}

#include "moc_CKR_TyreDlg.cpp"
