// Документы as a technician prints: an earlier record loaded, the certificate and the label printed
// through the preview and the print dialog into PDF files, the certificate record saved; the files are
// read back with poppler's tools.

#include "LauncherStory.h"
#include "WrittenFiles.h"

#include "app/v02.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileDialog>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTextDocumentFragment>
#include <QtTest>

class tst_print_stories : public LauncherStory
{
    Q_OBJECT

    // Prints what the preview shows through its print button and the print dialog, choosing the
    // dialog's "Print to File (PDF)" and typing the file name there. aDriverPage stands for the page a
    // printer driver gave the printer before (an office sheet), when it is valid.
    static void PrintToFile(Technician& aTech, const QString& aPdf,
                            const QPageSize& aDriverPage = QPageSize())
    {
        aTech.In(QStringLiteral("QPrintPreviewDialog"), [aPdf, aDriverPage, &aTech](QWidget* w) {
            if (aDriverPage.isValid()) {
                QPrinter* printer = static_cast<QPrintPreviewDialog*>(w)->printer();
                printer->setPageLayout(
                    QPageLayout(aDriverPage, QPageLayout::Portrait, QMarginsF(5, 5, 5, 5)));
            }
            for (QAction* action : w->findChildren<QAction*>()) {
                if (action->text() == QStringLiteral("Print")) {
                    action->trigger();
                    return;
                }
            }
            aTech.Check(false, QStringLiteral("the preview has no Print button"));
        });
        aTech.In(QStringLiteral("QPrintDialog"), [aPdf, &aTech](QWidget* w) {
            auto* printers = Technician::Find<QComboBox>(w, QStringLiteral("printers"));
            const int toFile = printers ? printers->findText(QStringLiteral("PDF"), Qt::MatchContains) : -1;
            aTech.Check(toFile >= 0, QStringLiteral("the print dialog offers no Print to File (PDF)"));
            if (toFile >= 0)
                printers->setCurrentIndex(toFile);
            auto* fileName = Technician::Find<QLineEdit>(w, QStringLiteral("filename"));
            aTech.Check(fileName && fileName->isEnabled(),
                        QStringLiteral("no file name in the print dialog"));
            if (fileName)
                fileName->setText(aPdf);
            static_cast<QDialog*>(w)->accept();
        });
    }

private slots:
    void initTestCase() { QVERIFY(OpenWorkshop(true)); }

    void cleanupTestCase() { mLauncher.reset(); }

    // An earlier record with half a kilometre on the odometer becomes a certificate, a label and a new
    // record: the half kilometre is in the field, on paper and in the file; the label is the strip
    // in the strip's page, even where a driver left an office page; the calibration lines stay level.
    void labelAndCertificateToFiles()
    {
        const QString earlier = InWork(QStringLiteral("A123BC43_20120305_101500_Crt.xml"));
        const QString certificatePdf = InWork(QStringLiteral("certificate.pdf"));
        const QString labelPdf = InWork(QStringLiteral("label.pdf"));
        const QString record = InWork(QStringLiteral("again_Crt.xml"));
        {
            QFile file(earlier);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QStringEncoder cp1251("windows-1251");
            file.write(cp1251.encode(QStringLiteral("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                                    "<Certificate>\r\n"
                                                    "    <Date>05/03/2012</Date>\r\n"
                                                    "    <Vehicle>\r\n"
                                                    "        <VIN>XTA21099070001234</VIN>\r\n"
                                                    "        <RegNo>\r\n"
                                                    "            <Number>A123BC43</Number>\r\n"
                                                    "        </RegNo>\r\n"
                                                    "        <Tyre>315/80R22.5</Tyre>\r\n"
                                                    "        <Odometer>200000.5</Odometer>\r\n"
                                                    "    </Vehicle>\r\n"
                                                    "    <VU>\r\n"
                                                    "        <SerNo>000123/03 11/18/RU</SerNo>\r\n"
                                                    "    </VU>\r\n"
                                                    "    <Data>\r\n"
                                                    "        <W-Const>8123</W-Const>\r\n"
                                                    "        <K-Const>8000</K-Const>\r\n"
                                                    "        <L-Const>3278</L-Const>\r\n"
                                                    "    </Data>\r\n"
                                                    "</Certificate>\r\n")));
        }
        const QString halfKm = QStringLiteral("200000") + QLocale().decimalPoint() + QLatin1Char('5');

        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(earlier));
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            const auto* odometer = Technician::Find<QLineEdit>(w, QStringLiteral("edtVehicleOdometer"));
            tech.Check(odometer && odometer->text() == halfKm,
                       QStringLiteral("odometer field: \"%1\"").arg(odometer ? odometer->text() : QString()));
            tech.Click(w, QStringLiteral("btnPrinrCertificate"));
        });
        PrintToFile(tech, certificatePdf);
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnPrintLabel")); });
        PrintToFile(tech, labelPdf, QPageSize(QPageSize::Letter));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnSave")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(record));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
        tech.Run(Button("btnPrint"));
        QVERIFY2(tech.Failures().isEmpty(), qPrintable(tech.Failures().join(QStringLiteral("\n"))));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        // The record keeps the tenth in its fixed one-decimal form.
        const QDomDocument saved = Parse(record);
        QCOMPARE(saved.documentElement()
                     .firstChildElement(QStringLiteral("Vehicle"))
                     .firstChildElement(QStringLiteral("Odometer"))
                     .text(),
                 QStringLiteral("200000.5"));

        // The label: 130 x 18 mm, the band spelt right, the text upright and in the page.
        const QSizeF labelPage = PdfPageSize(labelPdf);
        QVERIFY2(qAbs(labelPage.width() - 130 / 25.4 * 72) < 0.5 &&
                     qAbs(labelPage.height() - 18 / 25.4 * 72) < 0.5,
                 qPrintable(
                     QStringLiteral("label page %1 x %2 pt").arg(labelPage.width()).arg(labelPage.height())));
        const QList<Word> label = PdfWords(labelPdf);
        QVERIFY(FindWord(label, QStringLiteral("Транспортное")));
        QVERIFY(FindWord(label, QStringLiteral("средство")));
        QVERIFY(!FindWord(label, QStringLiteral("стредство")));
        const Word* vin = FindWord(label, QStringLiteral("XTA21099070001234"));
        QVERIFY(vin);
        QVERIFY(QRectF(QPointF(0, 0), labelPage).contains(vin->box));
        // Pixel size 26 of the 180 units of the strip's height: the line box is about 1/7 of the page.
        const double lineShare = vin->box.height() / labelPage.height();
        QVERIFY2(lineShare > 0.1 && lineShare < 0.25, qPrintable(QString::number(lineShare)));

        // The certificate: the odometer with its tenth; each calibration value level with its label.
        const QList<Word> certificate = PdfWords(certificatePdf);
        QVERIFY(FindWord(certificate, halfKm));
        const Word* lLabel = FindWord(certificate, QStringLiteral("L,"));
        const Word* lValue = FindWord(certificate, QStringLiteral("3278"));
        QVERIFY(lLabel && lValue);
        QVERIFY2(qAbs(lLabel->box.bottom() - lValue->box.bottom()) <= 1.0 &&
                     qAbs(lLabel->box.top() - lValue->box.top()) <= 1.0,
                 qPrintable(QStringLiteral("\"L, мм:\" %1 … %2, \"3278\" %3 … %4")
                                .arg(lLabel->box.top())
                                .arg(lLabel->box.bottom())
                                .arg(lValue->box.top())
                                .arg(lValue->box.bottom())));
        const Word* wLabel = FindWord(certificate, QStringLiteral("w"));
        const Word* wValue = FindWord(certificate, QStringLiteral("8123"));
        QVERIFY(wLabel && wValue);
        QVERIFY(qAbs(wLabel->box.bottom() - wValue->box.bottom()) <= 1.0);
    }
};

QTEST_MAIN(tst_print_stories)
#include "tst_print_stories.moc"
