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
    // A size it cannot read ("12R22.5", "11.00R20", a load index after the size) gets the forms it can:
    // one example of each notation, on a second line. A result stays on one line.
    QLabel* label = mUi->lblInfo;
    label->setWordWrap(l <= 0);
    label->setText(
        l > 0 ? info
              : QStringLiteral("Размер не распознан. Образцы:\n1040; 12,5/4; 295/80 R22,5; 33x12,5R15"));
    // Narrower letters rather than a clipped line.
    if (label->wordWrap())
        NarrowUntil(label, [label] { return label->heightForWidth(label->width()) <= label->height(); });
    else
        FitText(label);
}

#include "moc_CKR_TyreDlg.cpp"
