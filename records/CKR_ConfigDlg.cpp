#include "records/CKR_ConfigDlg.h"

#include "records/CertificatePrint.h"
#include "records/RecordDialogs.h"
#include "records/WorkshopConfig.h"
#include "ui_Config.h"
#include "widgets/FitText.h"

#include <QDebug>
#include <QPrintDialog>
#include <QPrinter>

CKR_ConfigDlg::CKR_ConfigDlg(QWidget* parent, Qt::WindowFlags f)
    : QDialog(parent, f), mUi(std::make_unique<Ui::Config>())
{
    const QString name = objectName();
    mUi->setupUi(this);
    FitTexts(this);
    if (!name.isEmpty())
        setObjectName(name);

    connect(mUi->btnApply, &QPushButton::clicked, this, &CKR_ConfigDlg::OnApplyClick);
    connect(mUi->btnOk, &QPushButton::clicked, this, &CKR_ConfigDlg::OnOkClick);
    connect(mUi->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(mUi->btnPrinterCertif, &QPushButton::clicked, this, &CKR_ConfigDlg::OnPrinterCertifClick);
    connect(mUi->btnPrinterLabel, &QPushButton::clicked, this, &CKR_ConfigDlg::OnPrinterLabelClick);
    connect(mUi->btnMasterAdd, &QPushButton::clicked, this, &CKR_ConfigDlg::OnMasterAddClick);
    connect(mUi->btnMasterDel, &QPushButton::clicked, this, &CKR_ConfigDlg::OnMasterDelClick);
    for (QLineEdit* edit : {mUi->edtWorkshopName, mUi->edtWorkshopAddress, mUi->edtWorkshopCode,
                            mUi->edtPrinterCertif, mUi->edtPrinterLabel})
        connect(edit, &QLineEdit::textChanged, this, &CKR_ConfigDlg::OnChanged);
    connect(mUi->tblMaster, &QTableWidget::cellChanged, this, &CKR_ConfigDlg::OnChanged);

    LoadConfig();
}

CKR_ConfigDlg::~CKR_ConfigDlg() = default;

void CKR_ConfigDlg::LoadConfig()
{
    WorkshopConfig config;
    if (ReadWorkshopConfig(this, config)) {
        mUi->edtPrinterLabel->setText(config.labelPrinter);
        mUi->edtPrinterCertif->setText(config.certificatePrinter);
        mUi->edtWorkshopName->setText(config.workshopName);
        mUi->edtWorkshopAddress->setText(config.workshopAddress);
        mUi->edtWorkshopCode->setText(config.workshopCode);
        mUi->tblMaster->setRowCount(0);
        for (const QString& name : config.masters)
            AddMasterRow(name);
        mUi->btnMasterDel->setEnabled(mUi->tblMaster->rowCount() > 0);
    }
    // Filling the edits went through OnChanged; nothing is edited yet.
    mUi->btnApply->setEnabled(false);
}

void CKR_ConfigDlg::OnApplyClick()
{
    qDebug() << "OnApplyClick";
    WorkshopConfig config;
    config.labelPrinter = mUi->edtPrinterLabel->text();
    config.certificatePrinter = mUi->edtPrinterCertif->text();
    config.workshopName = mUi->edtWorkshopName->text();
    config.workshopAddress = mUi->edtWorkshopAddress->text();
    config.workshopCode = mUi->edtWorkshopCode->text();
    for (int row = 0; row < mUi->tblMaster->rowCount(); ++row) {
        const QTableWidgetItem* item = mUi->tblMaster->item(row, 0);
        config.masters.append(item ? item->text() : QString());
    }
    if (SaveWorkshopConfig(this, config))
        mUi->btnApply->setEnabled(false);
}

void CKR_ConfigDlg::OnOkClick()
{
    // A failed save has shown its message; the dialog closes all the same.
    OnApplyClick();
    accept();
}

void CKR_ConfigDlg::OnPrinterCertifClick()
{
    ChoosePrinter(mUi->edtPrinterCertif, QStringLiteral("Выберите принтер для сертификата."));
}

void CKR_ConfigDlg::OnPrinterLabelClick()
{
    ChoosePrinter(mUi->edtPrinterLabel, QStringLiteral("Выберите принтер для наклейки."));
}

void CKR_ConfigDlg::ChoosePrinter(QLineEdit* aEdit, const QString& aTitle)
{
    QPrinter printer(QPrinter::ScreenResolution);
    SelectPrinter(printer, aEdit->text());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(aTitle);
    if (dialog.exec() != QDialog::Accepted)
        return;
    aEdit->setText(printer.printerName());
    mUi->btnApply->setEnabled(true);
}

void CKR_ConfigDlg::AddMasterRow(const QString& aName)
{
    const int row = mUi->tblMaster->rowCount();
    mUi->tblMaster->insertRow(row);
    // Setting the item is reported as a cell change, which enables Apply.
    mUi->tblMaster->setItem(row, 0, new QTableWidgetItem(aName));
}

void CKR_ConfigDlg::OnMasterAddClick()
{
    AddMasterRow(QStringLiteral("ФИО мастера"));
    mUi->btnMasterDel->setEnabled(true);
    // The technician types the name next: open the new row with its placeholder selected, so typing
    // replaces it (the focus would otherwise stay on the add button, where a blank adds another row).
    QTableWidget* table = mUi->tblMaster;
    const int row = table->rowCount() - 1;
    table->setFocus();
    table->setCurrentCell(row, 0);
    table->editItem(table->item(row, 0));
}

void CKR_ConfigDlg::OnMasterDelClick()
{
    QTableWidget* table = mUi->tblMaster;
    if (table->currentRow() < 0)
        table->setCurrentCell(table->rowCount() - 1, 0);
    if (table->currentRow() >= 0)
        table->removeRow(table->currentRow());
    mUi->btnMasterDel->setEnabled(table->rowCount() > 0);
    mUi->btnApply->setEnabled(true);
}

void CKR_ConfigDlg::OnChanged()
{
    qDebug() << "OnChanged";
    mUi->btnApply->setEnabled(true);
}
