#pragma once

#include <QDomDocument>
#include <QPageLayout>
#include <QString>

class QPaintDevice;
class QPrinter;

// The calibration certificate (logical page 2100 x 2970) and the plaque label (1300 x 180), painted
// from a certificate document onto any paint device. The certificate is stretched over the device's
// whole area; the label keeps its proportions, as large as the area allows and centred in it. The
// print preview paints through these; so do the tests, into PDF printers.

inline QString CertificateLogoFile()
{
    return QStringLiteral("LogoCertif.png");
}
inline QString LabelLogoFile()
{
    return QStringLiteral("LogoLabel.png");
}

// A logo that is missing or unreadable is left out; everything else is painted.
void PaintCertificate(QPaintDevice* aDevice, const QDomDocument& aDoc,
                      const QString& aLogoPath = CertificateLogoFile());
void PaintLabel(QPaintDevice* aDevice, const QDomDocument& aDoc, const QString& aLogoPath = LabelLogoFile());

// The label's own page, 130 x 18 mm without margins: for a PDF file and for a stand-in printer.
QPageLayout LabelPageLayout();

// Points aPrinter at the printer named in the configuration; an empty name means the system's default
// printer (QPrinter would take it as PDF output). With no printer at all, aPrinter keeps its own choice.
void SelectPrinter(QPrinter& aPrinter, const QString& aName);
// The name SelectPrinter gives the printer: aName, or aDefault (the system's default) when aName is empty.
QString PrinterToUse(const QString& aName, const QString& aDefault);
