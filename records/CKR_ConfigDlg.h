#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Config;
}
class QLineEdit;

// Workshop settings: workshop, the two printers and the technicians, kept in Config.xml.
// The form is the only state between loading and saving.
class CKR_ConfigDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKR_ConfigDlg(QWidget* parent = nullptr, Qt::WindowFlags f = {});
    ~CKR_ConfigDlg() override;

public slots:
    void OnApplyClick();
    void OnOkClick();
    void OnPrinterCertifClick();
    void OnPrinterLabelClick();
    void OnMasterAddClick();
    void OnMasterDelClick();
    void OnChanged();

private:
    void LoadConfig();
    // Print dialog on the printer named in aEdit; the accepted name goes into aEdit.
    void ChoosePrinter(QLineEdit* aEdit, const QString& aTitle);
    void AddMasterRow(const QString& aName);

    std::unique_ptr<Ui::Config> mUi;
};
