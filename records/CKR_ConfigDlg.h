#pragma once

#include "records/WorkshopConfig.h"

#include <QDialog>
#include <memory>

namespace Ui {
class Config;
}
class QLineEdit;

// Workshop settings: workshop, the two printers and the technicians, kept in Config.xml.
// The form is the state between loading and saving; what was read is kept to notice another window's save.
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
    WorkshopConfig FormConfig() const;
    void ShowConfig(const WorkshopConfig& aConfig);
    enum class Saving
    {
        Saved,
        Failed, // the message has been shown
        Held,   // the technician chose to look again before saving
    };
    Saving Save();
    // Print dialog on the printer named in aEdit; the accepted name goes into aEdit.
    void ChoosePrinter(QLineEdit* aEdit, const QString& aTitle);
    void AddMasterRow(const QString& aName);

    std::unique_ptr<Ui::Config> mUi;
    // The settings as the form held them after reading Config.xml (or after the last save): what another
    // window saved since then is told apart from this window's own changes.
    WorkshopConfig mRead;
};
