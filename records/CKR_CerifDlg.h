#pragma once

#include <QDialog>
#include <QDomDocument>
#include <QPrinter>
#include <memory>

namespace Ui {
class VUD_Certificate;
}
struct CertificateFields;

// Assembles a calibration certificate from the workshop settings, the technician's input and earlier
// work records; saves it as a certificate record and prints the certificate and the label.
class CKR_CerifDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKR_CerifDlg(QWidget* parent = nullptr, Qt::WindowFlags f = {});
    ~CKR_CerifDlg() override;

    // The certificate document of the form as it stands; updates the last derived manufacturing date.
    QDomDocument BuildCertificate();
    // Fills the form from a work record of any kind after the VIN check; false when it was refused.
    bool ApplyRecord(QDomDocument& aDoc);

    QPrinter* CertificatePrinter() { return &mCertifPrinter; }
    QPrinter* LabelPrinter() { return &mLabelPrinter; }
    const QDomDocument& PrintDocument() const { return mPrintDoc; }

public slots:
    void OnLoadClick();
    void OnSaveClick();
    void OnPrintLabelClick();
    void OnPrintCertificateClick();
    void OnSerNoChanged(const QString& aNewValue);
    void paintRequested_Certificate(QPrinter* apPrinter);
    void paintRequested_Label(QPrinter* apPrinter);

private:
    void ReadConfig();
    void FallBackToLabelPage();
    CertificateFields FormFields();
    void ShowOdometer(const QString& aTag, const QDomElement& aParent);
    void RefuseOtherVin();
    // A number field that holds no number is named in a box ending with aNotDone and gets the focus;
    // false then, so that nothing goes out without it.
    bool NumberFieldsHold(const QString& aTitle, const QString& aNotDone);
    void ShowOdometerState();
    enum class Document
    {
        Certificate,
        Label
    };
    void Preview(Document aWhich);
    // A logo that is missing or unreadable would print as an empty box: the technician is told which
    // file and why, and chooses. True to go on.
    bool LogoReadyOrAccepted(Document aWhich);

    std::unique_ptr<Ui::VUD_Certificate> mUi;
    QPrinter mCertifPrinter;
    QPrinter mLabelPrinter;
    QString mWorkshopName;
    QString mWorkshopAddress;
    QString mWorkshopCode;
    QString mLastDerivedDate;
    QDomDocument mPrintDoc;
};
