// The five tasks as a technician runs them: from the launcher's buttons, through every window the
// program opens with exec(), against a simulated unit on a pseudo-terminal.

#include "LauncherStory.h"
#include "WrittenFiles.h"

#include "UnitFixture.h"
#include "app/v02.h"
#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"
#include "records/CalibrationRecord.h"
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
#include <QProcess>
#include <QTabWidget>
#include <QtTest>

using P = CKR_HiProt;

namespace {

// The text of the element at aPath ("Vehicle/RegNo/Number") under the root of aDoc.
QString At(const QDomDocument& aDoc, const QString& aPath)
{
    QDomElement e = aDoc.documentElement();
    for (const QString& tag : aPath.split(QLatin1Char('/')))
        e = e.firstChildElement(tag);
    return e.text();
}

// Counts the windows named aName that were shown, whoever opened them.
class ShownCount : public QObject
{
public:
    explicit ShownCount(const QString& aName) : mName(aName) { qApp->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* aObject, QEvent* aEvent) override
    {
        if (aEvent->type() == QEvent::Show && aObject->isWidgetType() &&
            static_cast<QWidget*>(aObject)->isWindow() && aObject->objectName() == mName)
            ++count;
        return false;
    }

private:
    QString mName;
};

} // namespace

class tst_stories : public LauncherStory
{
    Q_OBJECT

private:
    // Replies the unit gives while the program searches the ports for it.
    static constexpr int kPortSearchReplies = 1;
    UnitFixture mUnit;

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
        QVERIFY(mUnit.Start());
        QVERIFY(OpenWorkshop(true));
    }

    void cleanupTestCase() { mLauncher.reset(); }

    // Программировать: a new VIN and a typed time zone, finished with Enter, reach the unit and the record.
    void programming()
    {
        const QString vin = QStringLiteral("XTA21099075123456");
        const QString regNo = QStringLiteral("K456MP77");
        const QString record = InWork(QStringLiteral("programming_Reg.xml"));
        mUnit.unit.ResetValues();
        mUnit.unit.SetVUClock(QDateTime::currentDateTimeUtc(), 0);
        Technician tech;
        tech.In(
            QStringLiteral("VUS_Info"),
            [&](QWidget* w) {
                Technician::Type(Technician::Find(w, QStringLiteral("edtVehicleVIN")), vin);
                Technician::Type(Technician::Find(w, QStringLiteral("edtVehicleRegNo")), regNo);
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
        tech.ConfirmWrite(ChooseFile(record));
        tech.CloseWhenIdle(QStringLiteral("VUS_Info"));
        const QDateTime before = QDateTime::currentDateTime().addMSecs(-999);
        tech.Run(Button("btnInfo"));
        CheckBackAtLauncher(tech);

        QCOMPARE(mUnit.unit.Value(P::PID_VehicleVIN).toString().trimmed(), vin);
        QCOMPARE(mUnit.unit.Value(P::PID_VehicleRegNo).toString().trimmed(), regNo);
        QCOMPARE(mUnit.unit.LocalOffset(), 330);
        const QDomDocument doc = Parse(record);
        QCOMPARE(doc.documentElement().tagName(), QStringLiteral("Registration"));
        QCOMPARE(At(doc, QStringLiteral("Vehicle/VIN")), vin);
        QCOMPARE(At(doc, QStringLiteral("Vehicle/RegNo/Number")), regNo);
        QCOMPARE(At(doc, QStringLiteral("VU/DateTime/GMT")), QStringLiteral("+5:30"));
        const QDateTime saved =
            QDateTime::fromString(At(doc, QStringLiteral("Date")) + At(doc, QStringLiteral("Time")),
                                  QStringLiteral("dd/MM/yyyyhh:mm:ss"));
        QVERIFY2(saved >= before && saved <= QDateTime::currentDateTime(), qPrintable(saved.toString()));
    }

    // Первое включение: the UTC date and time and the zone typed, each finished with Enter, reach the unit.
    void firstActivation()
    {
        const QString vin = QStringLiteral("WDB93400315987654");
        const int zone = 180;
        const QDateTime typed(QDate(2031, 3, 14), QTime(9, 26, 41), Qt::UTC);
        mUnit.unit.ResetValues();
        mUnit.unit.SetVUClock(QDateTime::currentDateTimeUtc(), 0);
        QDateTime clockWritten;
        Technician tech;
        tech.In(
            QStringLiteral("VU_First"),
            [&](QWidget* w) {
                Technician::Type(Technician::Find(w, QStringLiteral("edtVehicleVIN")), vin);
                auto* clock = Technician::Find<QDateTimeEdit>(w, QStringLiteral("dteVUDateTime"));
                clock->setFocus(Qt::MouseFocusReason);
                const std::pair<QDateTimeEdit::Section, QString> sections[] = {
                    {QDateTimeEdit::DaySection, QStringLiteral("14")},
                    {QDateTimeEdit::MonthSection, QStringLiteral("03")},
                    {QDateTimeEdit::YearSection, QStringLiteral("2031")},
                    {QDateTimeEdit::HourSection, QStringLiteral("09")},
                    {QDateTimeEdit::MinuteSection, QStringLiteral("26")},
                    {QDateTimeEdit::SecondSection, QStringLiteral("41")}};
                for (const auto& [section, keys] : sections) {
                    clock->setSelectedSection(section);
                    Technician::Keys(clock, keys);
                }
                Technician::Enter(clock);
                auto* zoneBox = w->findChild<CKR_GMTSpinBox*>();
                Technician::Type(zoneBox, QStringLiteral("+3:00"));
                Technician::Enter(zoneBox);
                tech.Check(clock->dateTime() == typed,
                           QStringLiteral("clock after Enter: %1").arg(clock->dateTime().toString()));
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.In(QStringLiteral("VU_Confirm"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(QStringLiteral("VU_Result"), [&](QWidget* w) {
            clockWritten = mUnit.unit.VUClock();
            tech.Click(w, QStringLiteral("okButton"));
        });
        tech.In(
            QStringLiteral("VU_First"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnFirst"));
        CheckBackAtLauncher(tech);

        QCOMPARE(mUnit.unit.Value(P::PID_VehicleVIN).toString().trimmed(), vin);
        QVERIFY2(qAbs(clockWritten.secsTo(typed)) <= 2,
                 qPrintable(clockWritten.toString(Qt::ISODate) + QStringLiteral(" for ") +
                            typed.toString(Qt::ISODate)));
        QCOMPARE(mUnit.unit.LocalOffset(), zone);
    }

    // Калибровать: K typed, L from a tyre size, W measured on the unit's counter, B6 tried live and
    // restored, B6 and B7 typed, the sensor chosen, the next date two years on: the unit and the record.
    void calibration()
    {
        const QString record = InWork(QStringLiteral("calibration_Clb.xml"));
        mUnit.unit.ResetValues();
        mUnit.unit.SetValue(P::PID_VUOptions,
                            QVariant::fromValue<quint64>(P::OPT_SimpleSensor | P::OPT_Gnss));
        mUnit.unit.SetValue(P::PID_VUSettings, QVariant::fromValue<quint64>(P::OPT_Modem));
        mUnit.unit.SetValue(P::PID_CANSpeedometer, QVariant::fromValue<quint64>(9));
        const quint16 b6Stored = static_cast<quint16>(mUnit.unit.Value(P::PID_B6Const).toULongLong());
        const int b6Tried = b6Stored + 1, b6Typed = b6Stored + 2, b7Typed = 4321, k = 6123;
        const QString tyre = QStringLiteral("295/80 R22,5");
        const QString distance = QStringLiteral("20");
        const QDate next = QDate::currentDate().addYears(2);
        quint32 counterBefore = 0, counterAfter = 0;

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
            tech.Click(w, QStringLiteral("btnNextDatePlus2"));
            tech.Click(w, QStringLiteral("chbImpSensor"));
            tech.Click(w, QStringLiteral("btnImpSensorEdit"));
        });
        tech.In(QStringLiteral("VUC_Edit"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("speKConst")), QString::number(k));
            tech.Click(w, QStringLiteral("btnTyre"));
        });
        tech.In(QStringLiteral("VUC_Tyre"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("edtTyre")), tyre);
            tech.Click(w, QStringLiteral("btnOK"));
        });
        tech.In(QStringLiteral("VUC_Edit"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnMesure")); });
        // The counter stands while the run starts and ends, so what it moved is exactly the run's.
        tech.In(QStringLiteral("VUC_Measure"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("dseDistance")), distance);
            counterBefore = mUnit.unit.ImpCounter();
            tech.Click(w, QStringLiteral("btnStartStop"));
        });
        tech.Pause(300);
        tech.In(QStringLiteral("VUC_Measure"), [&](QWidget*) {
            mUnit.unit.SetValue(P::PID_Speed, QVariant::fromValue<quint64>(90)); // the wheels turn
        });
        tech.In(
            QStringLiteral("VUC_Measure"),
            [&](QWidget*) {
                mUnit.unit.SetValue(P::PID_Speed, QVariant::fromValue<quint64>(0));
                counterAfter = mUnit.unit.ImpCounter();
            },
            [&](QWidget*) { return mUnit.unit.ImpCounter() - counterBefore > 300; });
        tech.Pause(500);
        tech.In(QStringLiteral("VUC_Measure"), [&](QWidget* w) {
            tech.Click(w, QStringLiteral("btnStartStop"));
            tech.Click(w, QStringLiteral("btnAdd"));
            tech.Click(w, QStringLiteral("btnOK"));
        });
        tech.In(QStringLiteral("VUC_Edit"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
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
            QStringLiteral("VUC_Clbr"),
            [&](QWidget* w) {
                for (const auto& [field, value] :
                     {std::pair{"speB6Const", b6Typed}, {"speB7Const", b7Typed}}) {
                    auto* box = Technician::Find(w, QLatin1String(field));
                    Technician::Type(box, QString::number(value));
                    Technician::Enter(box);
                }
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            [&](QWidget* w) {
                const QList<int> ids = writtenIds();
                return ids.size() > 4 && ids.mid(ids.size() - 4) == restoring &&
                       mUnit.unit.Value(P::PID_B6Const).toInt() == b6Stored &&
                       Technician::Enabled(QStringLiteral("btnWrite"))(w);
            });
        tech.ConfirmWrite(ChooseFile(record));
        tech.CloseWhenIdle(QStringLiteral("VUC_Clbr"));
        tech.Run(Button("btnCalibr"));
        CheckBackAtLauncher(tech);

        // W = impulses x 1000 / metres, truncated.
        const quint64 w = quint64(counterAfter - counterBefore) * 1000 / distance.toUInt();
        QVERIFY2(w > 0 && w <= 64255, qPrintable(QString::number(w)));
        const quint32 settings = P::OPT_Modem | P::OPT_SimpleSensor;
        const QList<std::pair<int, quint64>> onUnit{{P::PID_KConst, k},           {P::PID_LConst, 3278},
                                                    {P::PID_WConst, w},           {P::PID_B6Const, b6Typed},
                                                    {P::PID_B7Const, b7Typed},    {P::PID_CANSpeedometer, 9},
                                                    {P::PID_VUSettings, settings}};
        for (const auto& [id, value] : onUnit)
            QCOMPARE(mUnit.unit.Value(id).toULongLong(), value);
        QCOMPARE(mUnit.unit.Value(P::PID_NextCalibration).toDate(), next);

        const QDomDocument doc = Parse(record);
        const QList<std::pair<const char*, quint64>> inRecord{
            {"Data/K-Const", k},         {"Data/L-Const", 3278},     {"Data/W-Const", w},
            {"Data/B6-Const", b6Typed},  {"Data/B7-Const", b7Typed}, {"Data/CANSpeed", 9},
            {"VU/SensorUsage", settings}};
        for (const auto& [path, value] : inRecord)
            QCOMPARE(At(doc, QLatin1String(path)), QString::number(value));
        QCOMPARE(At(doc, QStringLiteral("Data/NextCalibration/Date")),
                 next.toString(QStringLiteral("dd/MM/yyyy")));
        QCOMPARE(At(doc, QStringLiteral("Vehicle/Tyre")), tyre);
    }

    // Настройки: the workshop and a technician added by typing are in Config.xml; with no printer
    // chosen the printer fields stay empty.
    void settings()
    {
        QFile::remove(InWork(WorkshopConfig::FileName()));
        const QString name = QStringLiteral("Петров П.П.");
        const QStringList workshop{QStringLiteral("ООО Тахосервис"),
                                   QStringLiteral("г. Киров, ул. Ленина, 1"), QStringLiteral("RUS-0042")};
        Technician tech;
        tech.In(QStringLiteral("Config"), [&](QWidget* w) {
            for (const QString& printer :
                 {QStringLiteral("edtPrinterCertif"), QStringLiteral("edtPrinterLabel")})
                tech.Check(Technician::Find<QLineEdit>(w, printer)->text().isEmpty(), printer);
            const QStringList fields{QStringLiteral("edtWorkshopName"), QStringLiteral("edtWorkshopAddress"),
                                     QStringLiteral("edtWorkshopCode")};
            for (int i = 0; i < fields.size(); ++i)
                Technician::Type(Technician::Find(w, fields[i]), workshop[i]);
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
        QVERIFY(
            config.Load(InWork(WorkshopConfig::FileName()), QStringLiteral("(no label printer element)")));
        QCOMPARE(config.masters, QStringList{name});
        QCOMPARE((QStringList{config.workshopName, config.workshopAddress, config.workshopCode}), workshop);
        QCOMPARE(config.certificatePrinter, QString());
        QCOMPARE(config.labelPrinter, QString());
    }

    // Документы: a record of another vehicle is refused and the dialog goes on; the vehicle's own
    // calibration record becomes a printed certificate, a label and a certificate record.
    void documents()
    {
        const QString vin = QStringLiteral("XTA21099075123456");
        const QString tyre = QStringLiteral("295/80 R22,5");
        WorkshopConfig config;
        config.workshopName = QStringLiteral("Тахосервис");
        config.masters = QStringList{QStringLiteral("Сидоров")};
        const auto write = [](const QString& aPath, const QDomDocument& aDoc) {
            QFile file(aPath);
            return file.open(QIODevice::WriteOnly) && file.write(aDoc.toByteArray()) > 0;
        };
        QVERIFY(write(InWork(WorkshopConfig::FileName()), config.ToDocument()));
        CalibrationFields fields;
        fields.vehicleTyre = tyre;
        fields.lConst = 3278;
        fields.kConst = fields.wConst = 8000;
        fields.vehicleVin = QStringLiteral("WDB93400315987654");
        const QString otherVehicle = InWork(QStringLiteral("other_Clb.xml"));
        QVERIFY(write(otherVehicle, BuildCalibrationDocument(fields, QDateTime::currentDateTime())));
        fields.vehicleVin = vin;
        const QString calibration = InWork(QStringLiteral("documents_Clb.xml"));
        QVERIFY(write(calibration, BuildCalibrationDocument(fields, QDateTime::currentDateTime())));

        const QString certificatePdf = InWork(QStringLiteral("certificate.pdf"));
        const QString labelPdf = InWork(QStringLiteral("label.pdf"));
        const QString record = InWork(QStringLiteral("documents_Crt.xml"));
        ShownCount errors(QStringLiteral("VU_Error"));
        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("edtVehicleVIN")), vin);
            tech.Click(w, QStringLiteral("btnLoad"));
        });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(otherVehicle));
        tech.In(QStringLiteral("VU_Error"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnOk")); });
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            const QString shown = Technician::Find<QLineEdit>(w, QStringLiteral("edtVehicleVIN"))->text();
            tech.Check(shown == vin, QStringLiteral("VIN after the refused record: ") + shown);
            tech.Click(w, QStringLiteral("btnLoad"));
        });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(calibration));
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
        QCOMPARE(errors.count, 1);

        const QString certificate =
            PopplerText(QStringLiteral("pdftotext"), {certificatePdf, QStringLiteral("-")});
        for (const QString& shown : {vin, QStringLiteral("3278"), config.masters[0], config.workshopName})
            QVERIFY2(certificate.contains(shown), qPrintable(shown + QStringLiteral(" in: ") + certificate));
        const QString label = PopplerText(QStringLiteral("pdftotext"), {labelPdf, QStringLiteral("-")});
        for (const QString& shown : {vin, tyre})
            QVERIFY2(label.contains(shown), qPrintable(shown + QStringLiteral(" in: ") + label));
        // Each document carries its logo.
        for (const QString& pdf : {certificatePdf, labelPdf})
            QVERIFY2(PopplerText(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                         .contains(QStringLiteral(" image ")),
                     qPrintable(pdf));
        static const QRegularExpression pageSize(QStringLiteral("Page size: ([\\d.]+) x ([\\d.]+) pts"));
        const auto page = pageSize.match(PopplerText(QStringLiteral("pdfinfo"), {certificatePdf}));
        QVERIFY2(qAbs(page.captured(1).toDouble() - 210 / 25.4 * 72) < 0.5 &&
                     qAbs(page.captured(2).toDouble() - 297 / 25.4 * 72) < 0.5,
                 qPrintable(page.captured()));

        const QDomDocument doc = Parse(record);
        QCOMPARE(doc.documentElement().tagName(), QStringLiteral("Certificate"));
        QCOMPARE(At(doc, QStringLiteral("Vehicle/VIN")), vin);
        QCOMPARE(At(doc, QStringLiteral("Data/L-Const")), QStringLiteral("3278"));
    }

    // Калибровать with a unit that falls silent while the dialog reads it or writes to it: one error
    // window, then the launcher, usable; once the unit answers again the next task finds it.
    void calibrationUnitFallsSilent_data()
    {
        QTest::addColumn<bool>("whileWriting");
        QTest::newRow("reading") << false;
        QTest::newRow("writing") << true;
    }
    void calibrationUnitFallsSilent()
    {
        QFETCH(bool, whileWriting);
        mUnit.unit.ResetValues();
        VUSimulator::Faults silence;
        ShownCount errors(QStringLiteral("VU_Error"));
        Technician tech;
        if (whileWriting) {
            tech.In(
                QStringLiteral("VUC_Clbr"),
                [&](QWidget* w) {
                    silence.deadAfterFrames = 3; // the fourth of the eight writes
                    mUnit.unit.SetFaults(silence);
                    tech.Click(w, QStringLiteral("btnWrite"));
                },
                Technician::Enabled(QStringLiteral("btnWrite")));
            tech.In(QStringLiteral("VU_Confirm"),
                    [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        } else {
            silence.deadAfterFrames = kPortSearchReplies + 5; // the sixth of the fifteen reads
            mUnit.unit.SetFaults(silence);
        }
        // A window still open after the error would keep the launcher's click from returning.
        QTimer stillOpen;
        stillOpen.setSingleShot(true);
        QStringList leftOpen;
        connect(&stillOpen, &QTimer::timeout, this, [&leftOpen] {
            while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                leftOpen.append(dialog->objectName());
                dialog->reject();
            }
        });
        tech.In(QStringLiteral("VU_Error"), [&](QWidget* w) {
            tech.Click(w, QStringLiteral("btnOk"));
            stillOpen.start(5000);
        });
        // A write cut short offers to keep what was typed: "Нет".
        if (whileWriting)
            tech.In(QStringLiteral("VU_Confirm"), Technician::Answer(false));
        tech.Run(Button("btnCalibr"));
        stillOpen.stop();
        mUnit.unit.ClearFaults();
        QCOMPARE(leftOpen, QStringList());
        CheckBackAtLauncher(tech);
        QCOMPARE(errors.count, 1);

        Technician again;
        again.In(
            QStringLiteral("VUC_Clbr"), [&](QWidget* w) { again.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        again.Run(Button("btnCalibr"));
        CheckBackAtLauncher(again);
    }
};

QTEST_MAIN(tst_stories)
#include "tst_stories.moc"
