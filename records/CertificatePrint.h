#pragma once

#include <QDomDocument>
#include <QString>

class QPaintDevice;
class QPrinter;

// The calibration certificate (logical page 2100 x 2970) and the plaque label (1300 x 180), painted
// from a certificate document onto any paint device, stretched over its whole area. The print preview
// paints through these; so do the tests, into PDF printers.

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

// Points aPrinter at the printer named in the configuration; an empty name means the system's default
// printer (QPrinter would take it as PDF output). With no printer at all, aPrinter keeps its own choice.
void SelectPrinter(QPrinter& aPrinter, const QString& aName);
