// The five tasks as a technician runs them: from the launcher's buttons, through every window the
// program opens with exec(), against a simulated unit on a pseudo-terminal.

#include "Technician.h"

#include "UnitFixture.h"
#include "app/v02.h"
#include "dialogs/CKR_MeasureDlg.h"
#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"
#include "records/PrintPreview.h"
#include "records/WorkshopConfig.h"
#include "records/XmlElements.h"
#include "widgets/CKR_GMTSpinBox.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using P = CKR_HiProt;

namespace {

QDomDocument Parse(const QString& aPath)
{
    QDomDocument doc;
    QFile file(aPath);
    if (file.open(QIODevice::ReadOnly))
        doc.setContent(&file);
    return doc;
}

} // namespace

class tst_stories : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mWork;
    UnitFixture mUnit;
    std::unique_ptr<v02> mLauncher;
    QString mCalibrationRecord;

    QAbstractButton* Button(const char* aName) { return mLauncher->findChild<QAbstractButton*>(aName); }
    QString InWork(const QString& aName) const { return QDir(mWork.path()).filePath(aName); }

    // After a story the launcher is back in front, usable, with no window of the story left open.
    void CheckBackAtLauncher(const Technician& aTech)
    {
        QVERIFY2(aTech.Failures().isEmpty(), qPrintable(aTech.Failures().join(QStringLiteral("\n"))));
        QVERIFY(mLauncher->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(mLauncher->cursor().shape(), Qt::ArrowCursor);
    }

    // Prints the document the preview shows into aPdf through the preview's own print button and
    // the print dialog, as to a file printer.
    void PrintToPdf(Technician& aTech, const QString& aPdf)
    {
        aTech.In(QStringLiteral("QPrintPreviewDialog"), [aPdf, &aTech](QWidget* w) {
            QPrinter* printer = static_cast<QPrintPreviewDialog*>(w)->printer();
            // Config.xml names no printer: that is the system's default one, not a PDF file.
            const QString systemDefault = QPrinterInfo::defaultPrinterName();
            if (!systemDefault.isEmpty())
                aTech.Check(printer->outputFormat() == QPrinter::NativeFormat &&
                                printer->printerName() == systemDefault,
                            QStringLiteral("printer without a name in Config.xml: \"%1\"")
                                .arg(printer->printerName()));
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(aPdf);
            if (QAction* print = PreviewPrintAction(*static_cast<QPrintPreviewDialog*>(w)))
                print->trigger();
        });
        aTech.In(QStringLiteral("QPrintDialog"), [](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mWork.isValid());
        QVERIFY(QDir::setCurrent(mWork.path()));
        for (const char* logo : {"LogoCertif.png", "LogoLabel.png"})
            QVERIFY(
                QFile::copy(QStringLiteral(VELMORA_SOURCE_DIR "/resources/samples/") + logo, InWork(logo)));
        QVERIFY(mUnit.Start());
        mLauncher = std::make_unique<v02>();
        mLauncher->show();
        QVERIFY(QTest::qWaitForWindowExposed(mLauncher.get()));
    }

    void cleanupTestCase() { mLauncher.reset(); }

    // Программировать: a new VIN and a typed time zone, finished with Enter, reach the unit and the record.
    void programming()
    {
        const QString vin = QStringLiteral("XTA21099075123456");
        const QString record = InWork(QStringLiteral("programming_Reg.xml"));
        Technician tech;
        tech.In(
            QStringLiteral("VUS_Info"),
            [&](QWidget* w) {
                Technician::Type(Technician::Find(w, QStringLiteral("edtVehicleVIN")), vin);
                Technician::Find<QTabWidget>(w, QStringLiteral("tabWidget"))
                    ->setCurrentWidget(Technician::Find(w, QStringLiteral("tabReg")));
                auto* zone = w->findChild<CKR_GMTSpinBox*>();
                Technician::Type(zone, QStringLiteral("+5:30"));
                Technician::Enter(zone);
                tech.Check(zone->value() == 330,
                           QStringLiteral("zone box after Enter: %1").arg(zone->value()));
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.In(QStringLiteral("VU_Confirm"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(QStringLiteral("VU_Result"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(record));
        tech.In(
            QStringLiteral("VUS_Info"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnInfo"));
        CheckBackAtLauncher(tech);

        QCOMPARE(mUnit.unit.Value(P::PID_VehicleVIN).toString().trimmed(), vin);
        QCOMPARE(mUnit.unit.LocalOffset(), 330);
        const QDomDocument doc = Parse(record);
        QCOMPARE(doc.documentElement().tagName(), QStringLiteral("Registration"));
        QVERIFY(doc.toString().contains(vin));
    }

    // Первое включение: a typed year, finished with Enter, is the year the unit's clock is set to.
    void firstActivation()
    {
        const QString vin = QStringLiteral("WDB93400315987654");
        Technician tech;
        tech.In(
            QStringLiteral("VU_First"),
            [&](QWidget* w) {
                Technician::Type(Technician::Find(w, QStringLiteral("edtVehicleVIN")), vin);
                auto* clock = Technician::Find<QDateTimeEdit>(w, QStringLiteral("dteVUDateTime"));
                clock->setFocus(Qt::MouseFocusReason);
                clock->setSelectedSection(QDateTimeEdit::YearSection);
                Technician::Keys(clock, QStringLiteral("2031"));
                Technician::Enter(clock);
                tech.Check(clock->date().year() == 2031,
                           QStringLiteral("year after Enter: %1").arg(clock->date().year()));
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.In(QStringLiteral("VU_Confirm"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(QStringLiteral("VU_Result"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(
            QStringLiteral("VU_First"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnFirst"));
        CheckBackAtLauncher(tech);

        QCOMPARE(mUnit.unit.Value(P::PID_VehicleVIN).toString().trimmed(), vin);
        QCOMPARE(mUnit.unit.VUClock().date().year(), 2031);
        QCOMPARE(mUnit.unit.LocalOffset(), 330); // the zone set by the programming story, unchanged
    }

    // Калибровать: L from a tyre size, W measured on the running counter, B6 tried live and restored,
    // everything written and saved.
    void calibration()
    {
        mCalibrationRecord = InWork(QStringLiteral("calibration_Clb.xml"));
        const quint16 b6Stored = static_cast<quint16>(mUnit.unit.Value(P::PID_B6Const).toULongLong());
        const int b6Tried = b6Stored == 1234 ? 1235 : 1234;
        quint32 measuredW = 0;

        Technician tech;
        tech.In(
            QStringLiteral("VUC_Clbr"),
            [&](QWidget* w) {
                // Enter in a field only finishes the edit.
                Technician::Enter(Technician::Find(w, QStringLiteral("speB6Const")));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.Pause(300);
        tech.In(QStringLiteral("VUC_Clbr"), [&](QWidget* w) {
            if (auto* sensor = Technician::Find<QAbstractButton>(w, QStringLiteral("chbImpSensor"));
                !sensor->isChecked())
                tech.Click(w, QStringLiteral("chbImpSensor"));
            tech.Click(w, QStringLiteral("btnImpSensorEdit"));
        });
        tech.In(QStringLiteral("VUC_Edit"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnTyre")); });
        tech.In(QStringLiteral("VUC_Tyre"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("edtTyre")), QStringLiteral("295/80 R22,5"));
            tech.Click(w, QStringLiteral("btnOK"));
        });
        tech.In(QStringLiteral("VUC_Edit"), [&](QWidget* w) {
            const int l = Technician::Find<QSpinBox>(w, QStringLiteral("speLConst"))->value();
            tech.Check(l == 3278, QStringLiteral("L from the tyre calculator: %1").arg(l));
            mUnit.unit.SetValue(P::PID_Speed, QVariant::fromValue<quint64>(90)); // the wheels turn
            tech.Click(w, QStringLiteral("btnMesure"));
        });
        tech.In(QStringLiteral("VUC_Measure"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("dseDistance")), QStringLiteral("20"));
            tech.Click(w, QStringLiteral("btnStartStop"));
        });
        tech.In(
            QStringLiteral("VUC_Measure"),
            [&](QWidget* w) {
                tech.Click(w, QStringLiteral("btnStartStop"));
                tech.Click(w, QStringLiteral("btnAdd"));
                measuredW = static_cast<CKR_MeasureDlg*>(w)->GetAverageW();
                mUnit.unit.SetValue(P::PID_Speed, QVariant::fromValue<quint64>(0));
                tech.Click(w, QStringLiteral("btnOK"));
            },
            [](QWidget* w) {
                return Technician::Find<QLineEdit>(w, QStringLiteral("edtImpulse"))->text().toInt() > 100;
            });
        tech.In(QStringLiteral("VUC_Edit"), [&](QWidget* w) {
            const int shown = Technician::Find<QSpinBox>(w, QStringLiteral("speWConst"))->value();
            tech.Check(measuredW > 0 && shown == static_cast<int>(qMin(measuredW, 64255u)),
                       QStringLiteral("W measured %1, editor shows %2").arg(measuredW).arg(shown));
            tech.Click(w, QStringLiteral("btnWrite"));
        });
        tech.In(QStringLiteral("VUC_Clbr"), [&](QWidget* w) {
            mUnit.unit.ClearLog();
            tech.Click(w, QStringLiteral("btnSpeed"));
        });
        tech.In(QStringLiteral("VUC_B6B7"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("speB6Const")), QString::number(b6Tried));
        });
        // The live write reaches the unit after the typing pause.
        tech.In(
            QStringLiteral("VUC_B6B7"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            [&](QWidget*) { return mUnit.unit.Value(P::PID_B6Const).toInt() == b6Tried; });
        // Отмена restores what the unit stored and stops the test speed.
        const auto writtenIds = [&] {
            QList<int> ids;
            for (const VUSimulator::Request& r : mUnit.Writes())
                ids.append(r.id);
            return ids;
        };
        const QList<int> restoring{P::PID_B6Const, P::PID_B7Const, P::PID_CANSpeedometer, P::PID_Speed};
        tech.In(
            QStringLiteral("VUC_Clbr"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); },
            [&](QWidget*) {
                const QList<int> ids = writtenIds();
                return ids.size() > 4 && ids.mid(ids.size() - 4) == restoring &&
                       mUnit.unit.Value(P::PID_B6Const).toInt() == b6Stored;
            });
        tech.In(QStringLiteral("VU_Confirm"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(QStringLiteral("VU_Result"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(mCalibrationRecord));
        tech.In(
            QStringLiteral("VUC_Clbr"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnCalibr"));
        CheckBackAtLauncher(tech);

        QCOMPARE(mUnit.unit.Value(P::PID_LConst).toUInt(), 3278u);
        QCOMPARE(mUnit.unit.Value(P::PID_WConst).toUInt(), qMin(measuredW, 64255u));
        QCOMPARE(mUnit.unit.Value(P::PID_B6Const).toUInt(), b6Stored);
        const QDomElement data =
            ChildElement(Parse(mCalibrationRecord).documentElement(), QStringLiteral("Data"));
        QCOMPARE(ReadChildInt(data, QStringLiteral("L-Const"), 0), 3278);
        QCOMPARE(ReadChildInt(data, QStringLiteral("W-Const"), 0), static_cast<int>(qMin(measuredW, 64255u)));
    }

    // Настройки: a technician added by typing is in Config.xml; the printer fields stay empty.
    void settings()
    {
        const QString name = QStringLiteral("Петров П.П.");
        Technician tech;
        tech.In(QStringLiteral("Config"), [&](QWidget* w) {
            tech.Click(w, QStringLiteral("btnMasterAdd"));
            QWidget* typing = QApplication::focusWidget();
            tech.Check(typing && qobject_cast<QLineEdit*>(typing),
                       QStringLiteral("after adding a technician the keys go to %1")
                           .arg(typing ? typing->metaObject()->className() : "nothing"));
            if (typing) {
                Technician::Keys(typing, name);
                Technician::Enter(typing);
            }
            tech.Click(w, QStringLiteral("btnOk"));
        });
        tech.Run(Button("btnPrint_2"));
        CheckBackAtLauncher(tech);

        WorkshopConfig config;
        QVERIFY(config.Load(InWork(WorkshopConfig::FileName())));
        QCOMPARE(config.masters, QStringList{name});
    }

    // Документы: the calibration record becomes a printed certificate, a label and a certificate record.
    void documents()
    {
        QVERIFY2(QFile::exists(mCalibrationRecord), "the calibration story saves the record printed here");
        const QString certificatePdf = InWork(QStringLiteral("certificate.pdf"));
        const QString labelPdf = InWork(QStringLiteral("label.pdf"));
        const QString record = InWork(QStringLiteral("documents_Crt.xml"));
        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(mCalibrationRecord));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnPrinrCertificate")); });
        PrintToPdf(tech, certificatePdf);
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnPrintLabel")); });
        PrintToPdf(tech, labelPdf);
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnSave")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(record));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
        tech.Run(Button("btnPrint"));
        CheckBackAtLauncher(tech);

        for (const QString& pdf : {certificatePdf, labelPdf}) {
            QFile file(pdf);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(pdf));
            QVERIFY(file.read(5) == "%PDF-");
            QVERIFY(file.size() > 2000);
        }
        const QDomDocument doc = Parse(record);
        QCOMPARE(doc.documentElement().tagName(), QStringLiteral("Certificate"));
        QVERIFY(doc.toString().contains(QStringLiteral("3278")));
    }
};

QTEST_MAIN(tst_stories)
#include "tst_stories.moc"
