#include "records/CKR_ConfigDlg.h"

#include "records/CertificatePrint.h"
#include "records/RecordDialogs.h"
#include "records/WorkshopConfig.h"
#include "ui_Config.h"
#include "widgets/FitText.h"

#include <QDebug>
#include <QDir>
#include <QMessageBox>
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
    if (ReadWorkshopConfig(this, config))
        ShowConfig(config);
    mRead = FormConfig();
    // Filling the edits went through OnChanged; nothing is edited yet.
    mUi->btnApply->setEnabled(false);
}

void CKR_ConfigDlg::ShowConfig(const WorkshopConfig& aConfig)
{
    mUi->edtPrinterLabel->setText(aConfig.labelPrinter);
    mUi->edtPrinterCertif->setText(aConfig.certificatePrinter);
    mUi->edtWorkshopName->setText(aConfig.workshopName);
    mUi->edtWorkshopAddress->setText(aConfig.workshopAddress);
    mUi->edtWorkshopCode->setText(aConfig.workshopCode);
    mUi->tblMaster->setRowCount(0);
    for (const QString& name : aConfig.masters)
        AddMasterRow(name);
    mUi->btnMasterDel->setEnabled(mUi->tblMaster->rowCount() > 0);
}

WorkshopConfig CKR_ConfigDlg::FormConfig() const
{
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
    return config;
}

CKR_ConfigDlg::Saving CKR_ConfigDlg::Save()
{
    const WorkshopConfig mine = FormConfig();
    // Another window (or another copy of the program) may have saved since this one read the file:
    // writing the form over it would drop that without a word.
    WorkshopConfig theirs;
    const QString path = QDir::current().absoluteFilePath(WorkshopConfig::FileName());
    if (theirs.Load(path)) {
        const QStringList lost = WorkshopConfig::LostBySaving(mRead, mine, theirs);
        if (!lost.isEmpty()) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("Сохранение настроек"),
                            QStringLiteral("Файл настроек '%1' изменён в другом окне после того, как эти "
                                           "настройки были открыты. Сохранение этих настроек удалит:\n\n%2")
                                .arg(QDir::toNativeSeparators(path), lost.join(QLatin1Char('\n'))),
                            QMessageBox::NoButton, this);
            box.setInformativeText(
                QStringLiteral("Объединить – взять изменения из файла и оставить свои; настройки остаются "
                               "открытыми для проверки.\nПерезаписать – сохранить эти настройки, удалив "
                               "перечисленное.\nОтмена – ничего не сохранять."));
            QPushButton* merge = box.addButton(QStringLiteral("Объединить"), QMessageBox::AcceptRole);
            QPushButton* overwrite =
                box.addButton(QStringLiteral("Перезаписать"), QMessageBox::DestructiveRole);
            QPushButton* cancel = box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
            box.setDefaultButton(merge);
            box.setEscapeButton(cancel);
            box.exec();
            if (box.clickedButton() == merge) {
                ShowConfig(WorkshopConfig::Merged(mRead, mine, theirs));
                mRead = theirs;
                mUi->btnApply->setEnabled(true);
                return Saving::Held;
            }
            if (box.clickedButton() != overwrite)
                return Saving::Held;
        }
    }
    if (!SaveWorkshopConfig(this, mine))
        return Saving::Failed;
    mRead = mine;
    mUi->btnApply->setEnabled(false);
    return Saving::Saved;
}

void CKR_ConfigDlg::OnApplyClick()
{
    qDebug() << "OnApplyClick";
    Save();
}

void CKR_ConfigDlg::OnOkClick()
{
    qDebug() << "OnApplyClick";
    // A failed save has shown its message and the dialog closes all the same; a save the technician
    // held back to look at another window's changes keeps it open.
    if (Save() != Saving::Held)
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
