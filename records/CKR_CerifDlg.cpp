#include "records/CKR_CerifDlg.h"

#include "records/CertificatePrint.h"
#include "records/CertificateRecord.h"
#include "records/PrintPreview.h"
#include "records/RecordDialogs.h"
#include "records/RecordFile.h"
#include "records/WorkshopConfig.h"
#include "records/XmlElements.h"
#include "ui_VUD_Certificate.h"
#include "ui_VU_Error.h"
#include "widgets/FitText.h"
#include "widgets/Formatters.h"
#include "widgets/UnitNumberBox.h"
#include "widgets/VUMessages.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QLocale>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QSpinBox>
#include <cmath>
#include <limits>

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");

// A "dd/MM/yyyy" text into a date edit; anything else leaves it as it was.
void SetDate(QDateEdit* aEdit, const QString& aText)
{
    const QDate date = QDate::fromString(aText, kDateFormat);
    if (date.isValid())
        aEdit->setDate(date);
}

// Result/Test and Result/Manipulation: a non-empty unsigned decimal selects 1 (non-zero) or 0.
void SetYesNo(QComboBox* aCombo, const QString& aText)
{
    bool ok = false;
    const uint value = aText.toUInt(&ok, 10);
    if (!aText.isEmpty() && ok)
        aCombo->setCurrentIndex(value != 0 ? 1 : 0);
}

} // namespace

CKR_CerifDlg::CKR_CerifDlg(QWidget* parent, Qt::WindowFlags f)
    : QDialog(parent, f), mUi(std::make_unique<Ui::VUD_Certificate>()),
      mCertifPrinter(QPrinter::ScreenResolution), mLabelPrinter(QPrinter::HighResolution)
{
    mUi->setupUi(this);
    FitTexts(mUi->scrollAreaWidgetContents); // the page of fixed positions; the buttons below have a layout
    FitDateTimeEdit(mUi->dedOrderDate);
    FitDateTimeEdit(mUi->dedClbrNexDate);
    mUi->dedClbrNexDate->setDate(QDate::currentDate().addYears(2));

    connect(mUi->btnLoad, &QPushButton::clicked, this, &CKR_CerifDlg::OnLoadClick);
    connect(mUi->btnSave, &QPushButton::clicked, this, &CKR_CerifDlg::OnSaveClick);
    connect(mUi->btnPrintLabel, &QPushButton::clicked, this, &CKR_CerifDlg::OnPrintLabelClick);
    connect(mUi->btnPrinrCertificate, &QPushButton::clicked, this, &CKR_CerifDlg::OnPrintCertificateClick);
    connect(mUi->btnClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(mUi->edtVUSerNo, &QLineEdit::textChanged, this, &CKR_CerifDlg::OnSerNoChanged);
    connect(mUi->edtVehicleOdometer, &QLineEdit::textChanged, this, &CKR_CerifDlg::ShowOdometerState);
    // w, k and l as the certificate prints them: whole numbers the record keeps, typed text never changed.
    mUi->speClbrW->SetLimits(QStringLiteral("w"), 0, 65535);
    mUi->speClbrK->SetLimits(QStringLiteral("k"), 0, 65535);
    mUi->speClbrL->SetLimits(QStringLiteral("l"), 0, 65535);

    ReadConfig();
    FallBackToLabelPage();
    mUi->dedOrderDate->setDate(QDate::currentDate());
}

CKR_CerifDlg::~CKR_CerifDlg() = default;

void CKR_CerifDlg::FallBackToLabelPage()
{
    // A tape printer's driver gives the label its strip; when no such printer is installed, the label
    // would be stretched over a whole office page. Give the stand-in a page of the label's own shape
    // (130 x 18 mm, no margins) so the preview and a PDF show the strip as it will be printed.
    if (!QPrinterInfo::printerInfo(mLabelPrinter.printerName()).isNull())
        return;
    mLabelPrinter.setPageLayout(LabelPageLayout());
}

void CKR_CerifDlg::ReadConfig()
{
    WorkshopConfig config;
    if (!ReadWorkshopConfig(this, config, QStringLiteral("Brother PT-2430PC")))
        return;
    SelectPrinter(mLabelPrinter, config.labelPrinter);
    SelectPrinter(mCertifPrinter, config.certificatePrinter);
    mWorkshopName = config.workshopName;
    mWorkshopAddress = config.workshopAddress;
    mWorkshopCode = config.workshopCode;
    mUi->cmbOrderMaster->clear();
    mUi->cmbOrderMaster->addItems(config.masters);
}

CertificateFields CKR_CerifDlg::FormFields()
{
    CertificateFields f;
    f.orderDate = mUi->dedOrderDate->date();
    f.orderNo = mUi->edtOrderNo->text();
    f.workshopName = mWorkshopName;
    f.workshopAddress = mWorkshopAddress;
    f.workshopCode = mWorkshopCode;
    f.master = mUi->cmbOrderMaster->currentText();
    f.customerName = mUi->edtCustomerName->text();
    f.customerAddress = mUi->edtCustomerAddress->text();
    f.vehicleManufacturer = mUi->edtVehicleManufacturer->text();
    f.vehicleModel = mUi->edtVehicleModel->text();
    f.vehicleVin = mUi->edtVehicleVIN->text();
    f.vehicleRegNo = mUi->edtVehicleRegNo->text();
    f.vehicleTyre = mUi->edtVehicleTyre->text();
    f.odometerText = mUi->edtVehicleOdometer->text();
    f.vuPartNo = mUi->edtVUType->text();
    f.vuSerNo = mUi->edtVUSerNo->text();
    f.vuManufacturer = mUi->edtVUManufacturer->text();
    f.vuManufacturingDate = DeriveManufacturingDate(mUi->edtVUSerNo->text(),
                                                    mUi->edtVUManufacturingDate->text(), mLastDerivedDate);
    f.wConst = mUi->speClbrW->value();
    f.kConst = mUi->speClbrK->value();
    f.lConst = mUi->speClbrL->value();
    f.nextCalibration = mUi->dedClbrNexDate->date();
    f.resultLabel = mUi->edtResultLabel->text();
    f.resultTest = mUi->cmbResultTest->currentIndex();
    f.resultManipulation = mUi->cmbResultManitulation->currentIndex();
    f.resultRemark = mUi->edtResultRemark->text();
    return f;
}

QDomDocument CKR_CerifDlg::BuildCertificate()
{
    return BuildCertificateDocument(FormFields());
}

void CKR_CerifDlg::ShowOdometerState()
{
    // Said while typing, in red with the reason on the field, and again when saving or printing.
    const QString error = OdometerFieldError(mUi->edtVehicleOdometer->text());
    // The palette, not a style sheet: a style sheet would drop the form's large font in the field.
    QPalette palette;
    if (!error.isEmpty()) {
        palette = mUi->edtVehicleOdometer->palette();
        palette.setColor(QPalette::Text, QColor(0xc0, 0, 0));
    }
    mUi->edtVehicleOdometer->setPalette(palette);
    mUi->edtVehicleOdometer->setToolTip(error);
}

bool CKR_CerifDlg::NumberFieldsHold(const QString& aTitle, const QString& aNotDone)
{
    if (!NumberFieldsHeld(this, false, aNotDone))
        return false;
    const QString error = OdometerFieldError(mUi->edtVehicleOdometer->text());
    if (error.isEmpty())
        return true;
    QMessageBox::warning(this, aTitle, error + QLatin1Char('\n') + aNotDone, QMessageBox::Ok);
    mUi->scrollArea->ensureWidgetVisible(mUi->edtVehicleOdometer);
    mUi->edtVehicleOdometer->setFocus();
    mUi->edtVehicleOdometer->selectAll();
    return false;
}

void CKR_CerifDlg::OnSaveClick()
{
    qDebug() << "OnSaveClick";
    if (!NumberFieldsHold(QStringLiteral("Ошибка сохранения"), QStringLiteral("Сертификат не сохранён.")))
        return;
    QString stem = mUi->edtVehicleRegNo->text().simplified();
    if (stem.isEmpty())
        stem = mUi->edtVehicleVIN->text().simplified();
    const QString name = RecordFileName(stem, QDateTime::currentDateTime(), QStringLiteral("Crt"));
    const QString path = AskSaveRecordPath(this, RecordKind::Certificate, name);
    if (path.isEmpty())
        return;
    SaveRecord(this, path, BuildCertificate());
}

void CKR_CerifDlg::OnLoadClick()
{
    qDebug() << "OnLoadClick";
    QDomDocument doc;
    if (!LoadRecord(this, RecordKind::Certificate, doc))
        return;
    ApplyRecord(doc);
}

void CKR_CerifDlg::RefuseOtherVin()
{
    auto* box = new QDialog(this);
    Ui::VU_Error form;
    form.setupUi(box);
    form.lblCaption->setText(QStringLiteral("Ошибка открытия файла:"));
    form.lblMessage->setText(QStringLiteral("Этот файл создан для ТС с другим VIN."));
    ExecCentered(box);
}

void CKR_CerifDlg::ShowOdometer(const QString& aTag, const QDomElement& aParent)
{
    // A record without an odometer leaves the field as it is: an empty field must not turn into a
    // reading of 0 km that the certificate would then print.
    const double km = ReadChildDouble(aParent, aTag, std::numeric_limits<double>::quiet_NaN());
    if (!std::isnan(km))
        mUi->edtVehicleOdometer->setText(OdometerText(km));
}

bool CKR_CerifDlg::ApplyRecord(QDomDocument& aDoc)
{
    if (!AcceptRecordVin(aDoc, mUi->edtVehicleVIN->text())) {
        RefuseOtherVin();
        return false;
    }
    const QDomElement root = aDoc.documentElement();
    const auto text = [](const QDomElement& aParent, const QString& aTag, QLineEdit* aEdit) {
        aEdit->setText(ReadChildText(aParent, aTag, aEdit->text()));
    };

    SetDate(mUi->dedOrderDate,
            ReadChildText(root, QStringLiteral("Date"), mUi->dedOrderDate->date().toString(kDateFormat)));
    text(ChildElement(root, QStringLiteral("Order")), QStringLiteral("Id"), mUi->edtOrderNo);

    const QString current = mUi->cmbOrderMaster->currentText();
    const QString master =
        ReadChildText(ChildElement(root, QStringLiteral("Workshop")), QStringLiteral("Master"), current);
    qDebug().noquote() << current << master;
    int index = mUi->cmbOrderMaster->findText(master, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        mUi->cmbOrderMaster->addItem(master);
        index = mUi->cmbOrderMaster->count() - 1;
    }
    mUi->cmbOrderMaster->setCurrentIndex(index);

    const QDomElement customer = ChildElement(root, QStringLiteral("Customer"));
    text(customer, QStringLiteral("Name"), mUi->edtCustomerName);
    text(customer, QStringLiteral("Address"), mUi->edtCustomerAddress);

    const QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    text(vehicle, QStringLiteral("Manufacturer"), mUi->edtVehicleManufacturer);
    text(vehicle, QStringLiteral("VIN"), mUi->edtVehicleVIN);
    text(vehicle, QStringLiteral("Model"), mUi->edtVehicleModel);
    text(ChildElement(vehicle, QStringLiteral("RegNo")), QStringLiteral("Number"), mUi->edtVehicleRegNo);
    text(vehicle, QStringLiteral("Tyre"), mUi->edtVehicleTyre);
    ShowOdometer(QStringLiteral("Odometer"), vehicle);

    const QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    text(vu, QStringLiteral("Manufacturer"), mUi->edtVUManufacturer);
    text(vu, QStringLiteral("PartNo"), mUi->edtVUType);
    text(vu, QStringLiteral("SerNo"), mUi->edtVUSerNo);
    // A VU odometer in the file takes precedence over the vehicle's.
    ShowOdometer(QStringLiteral("Odometer"), vu);

    const QDomElement data = ChildElement(root, QStringLiteral("Data"));
    mUi->speClbrW->setValue(ReadChildInt(data, QStringLiteral("W-Const"), mUi->speClbrW->value()));
    mUi->speClbrK->setValue(ReadChildInt(data, QStringLiteral("K-Const"), mUi->speClbrK->value()));
    mUi->speClbrL->setValue(ReadChildInt(data, QStringLiteral("L-Const"), mUi->speClbrL->value()));
    SetDate(mUi->dedClbrNexDate, ReadChildText(ChildElement(data, QStringLiteral("NextCalibration")),
                                               QStringLiteral("Date"), QString()));

    const QDomElement result = ChildElement(root, QStringLiteral("Result"));
    text(result, QStringLiteral("Label"), mUi->edtResultLabel);
    SetYesNo(mUi->cmbResultTest, ReadChildText(result, QStringLiteral("Test"), QString()));
    SetYesNo(mUi->cmbResultManitulation, ReadChildText(result, QStringLiteral("Manipulation"), QString()));
    text(result, QStringLiteral("Remark"), mUi->edtResultRemark);
    return true;
}

void CKR_CerifDlg::OnSerNoChanged(const QString& aNewValue)
{
    qDebug().noquote().nospace() << "OnSerNoChanged (" << aNewValue << ")";
    mUi->edtVUManufacturingDate->setText(
        DeriveManufacturingDate(aNewValue, mUi->edtVUManufacturingDate->text(), mLastDerivedDate));
}

bool CKR_CerifDlg::LogoReadyOrAccepted(Document aWhich)
{
    const bool certificate = aWhich == Document::Certificate;
    const QString name = certificate ? CertificateLogoFile() : LabelLogoFile();
    const QString path = QDir::current().absoluteFilePath(name);
    QString problem;
    if (!QFileInfo(path).isFile()) {
        problem = QStringLiteral("Логотип не найден: нет файла '%1'.").arg(QDir::toNativeSeparators(path));
    } else {
        QImageReader reader(path);
        if (reader.read().isNull())
            problem = QStringLiteral("Логотип '%1' не читается: %2.")
                          .arg(QDir::toNativeSeparators(path), reader.errorString());
    }
    if (problem.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Warning,
                    certificate ? QStringLiteral("Сертификат") : QStringLiteral("Этикетка"), problem,
                    QMessageBox::NoButton, this);
    box.setInformativeText(
        QStringLiteral("На месте логотипа будет пустая рамка. Положите в папку программы PNG-файл %1 "
                       "или печатайте без логотипа.\nПечатать без логотипа?")
            .arg(name));
    QPushButton* go = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* stop = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(stop);
    box.setEscapeButton(stop);
    box.exec();
    return box.clickedButton() == go;
}

void CKR_CerifDlg::Preview(Document aWhich)
{
    if (!LogoReadyOrAccepted(aWhich))
        return;
    const bool certificate = aWhich == Document::Certificate;
    QPrintPreviewDialog preview(certificate ? &mCertifPrinter : &mLabelPrinter, this);
    preview.setWindowTitle(certificate ? QStringLiteral("Сертификат") : QStringLiteral("Этикетка"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            certificate ? &CKR_CerifDlg::paintRequested_Certificate : &CKR_CerifDlg::paintRequested_Label);
    MakePrintReachable(preview);
    mPrintDoc = BuildCertificate();
    preview.exec();
}

void CKR_CerifDlg::OnPrintCertificateClick()
{
    qDebug() << "OnPrintCertificateClick";
    // The certificate prints the odometer; the label does not, so a wrong one does not stop the label.
    if (!NumberFieldsHold(QStringLiteral("Сертификат"), QStringLiteral("Сертификат не напечатан.")))
        return;
    Preview(Document::Certificate);
}

void CKR_CerifDlg::OnPrintLabelClick()
{
    qDebug() << "OnPrintLabelClick";
    if (!NumberFieldsHeld(this, false, QStringLiteral("Наклейка не напечатана.")))
        return;
    Preview(Document::Label);
}

void CKR_CerifDlg::paintRequested_Certificate(QPrinter* apPrinter)
{
    PaintCertificate(apPrinter, mPrintDoc);
}

void CKR_CerifDlg::paintRequested_Label(QPrinter* apPrinter)
{
    // A file has no driver to give it the strip's page; the print dialog leaves an office page there.
    if (apPrinter->outputFormat() == QPrinter::PdfFormat)
        apPrinter->setPageLayout(LabelPageLayout());
    PaintLabel(apPrinter, mPrintDoc);
}
