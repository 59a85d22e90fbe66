// What a technician types or loads that the unit must not get as it stands, from the launcher's buttons
// through every window, against a simulated unit: a registration number with letters the unit's encoding
// cannot hold, a file of the wrong kind, a record lacking fields, a record of another vehicle.

#include "LauncherStory.h"

#include "UnitFixture.h"
#include "app/v02.h"
#include "link/CKR_HiProt.h"
#include "link/CodePage.h"
#include "records/RecordFile.h"
#include "records/XmlElements.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSpinBox>
#include <QtTest>

using P = CKR_HiProt;

class tst_unitinput_stories : public LauncherStory
{
    Q_OBJECT

private:
    UnitFixture mUnit;
    QString mOwnRecord; // the calibration record of this unit, saved by the calibration story

    // The critical box that refuses aPath as no work record, naming it.
    static void ExpectRefusal(Technician& aTech, const QString& aPath)
    {
        aTech.In(QStringLiteral("QMessageBox"), [&aTech, aPath](QWidget* w) {
            auto* box = static_cast<QMessageBox*>(w);
            aTech.Check(box->icon() == QMessageBox::Critical && box->text().contains(aPath),
                        QStringLiteral("refusal of the settings file: %1").arg(box->text()));
            PressOk(w);
        });
    }

    static QString ConfirmText(QWidget* aDialog)
    {
        const auto* label = aDialog->findChild<QLabel*>(QStringLiteral("label"));
        return label ? label->text() : QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mUnit.Start());
        QVERIFY(OpenWorkshop());
    }

    void cleanupTestCase() { mLauncher.reset(); }

    // Калибровать: a record of another vehicle with W 6000 is loaded. Enter ("Нет") keeps the unit's W
    // through a write; "Да" takes the record's W, which the next write gives the unit.
    void calibrationRecordOfAnotherVehicle()
    {
        const QString unitVin = mUnit.unit.Value(P::PID_VehicleVIN).toString().trimmed();
        const QString otherVin = QStringLiteral("WDB9340321K654321");
        const quint64 unitW = mUnit.unit.Value(P::PID_WConst).toULongLong();
        QVERIFY(unitW != 6000);
        QDomDocument other = NewRecord(QStringLiteral("Calibration"), QDateTime::currentDateTime());
        QDomElement vehicle = ChildElement(other.documentElement(), QStringLiteral("Vehicle"));
        SetChildText(vehicle, QStringLiteral("VIN"), otherVin);
        SetChildText(ChildElement(vehicle, QStringLiteral("RegNo")), QStringLiteral("Number"),
                     QStringLiteral("B777OP99"));
        QDomElement data = ChildElement(other.documentElement(), QStringLiteral("Data"));
        WriteChildInt(data, QStringLiteral("W-Const"), 6000);
        const QString otherRecord = InWork(QStringLiteral("other_Clb.xml"));
        QVERIFY(WriteRecordFile(otherRecord, other));
        mOwnRecord = InWork(QStringLiteral("own_Clb.xml"));

        Technician tech;
        const auto load = [&] {
            tech.In(
                QStringLiteral("VUC_Clbr"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); },
                Technician::Enabled(QStringLiteral("btnLoad")));
            tech.In(QStringLiteral("QFileDialog"), ChooseFile(otherRecord));
        };
        load();
        tech.In(QStringLiteral("VU_Confirm"), [&](QWidget* w) {
            const QString question = ConfirmText(w);
            tech.Check(question.contains(otherVin) && question.contains(unitVin) && question.contains("6000"),
                       QStringLiteral("the question names both VINs and the W: %1").arg(question));
            QTest::keyClick(w, Qt::Key_Return); // Enter answers "Нет"
        });
        tech.In(QStringLiteral("VUC_Clbr"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
        tech.ConfirmWrite(ChooseFile(mOwnRecord)); // this unit's own record, for the programming story
        tech.In(
            QStringLiteral("VUC_Clbr"),
            [&](QWidget*) {
                const quint64 w = mUnit.unit.Value(P::PID_WConst).toULongLong();
                tech.Check(w == unitW,
                           QStringLiteral("W after \"Нет\" and a write: %1, not %2").arg(w).arg(unitW));
            },
            Technician::Enabled(QStringLiteral("btnLoad")));
        load();
        tech.In(QStringLiteral("VU_Confirm"), [&](QWidget* w) { tech.Click(w, QStringLiteral("okButton")); });
        tech.In(QStringLiteral("VUC_Clbr"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
        tech.ConfirmWrite(ChooseFile(QString()));
        tech.In(
            QStringLiteral("VUC_Clbr"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnCalibr"));
        CheckBackAtLauncher(tech);

        QCOMPARE(mUnit.unit.Value(P::PID_WConst).toULongLong(), 6000ull);
        QCOMPARE(mUnit.unit.Value(P::PID_VehicleVIN).toString().trimmed(), unitVin);
        QDomDocument own;
        QVERIFY(ReadRecordFile(mOwnRecord, own));
        QCOMPARE(RecordVin(own), unitVin);
    }

    // Программировать: the registration number takes only what the unit holds; the workshop settings
    // under a record's name are refused; this unit's calibration record, which has no maximum speed, zone
    // or modem texts, leaves those as the unit has them through a write.
    void programmingTypedPlateAndLoadedFiles()
    {
        QVERIFY2(QFile::exists(mOwnRecord), "the calibration story saves this unit's record");
        QFile config(InWork(QStringLiteral("Config.xml")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(CodePage::ToProgram8Bit(QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n<Config>\r\n    <Workshop>\r\n"
            "        <Name>Вестра</Name>\r\n        <Code>RUS 123</Code>\r\n    "
            "</Workshop>\r\n</Config>\r\n")));
        config.close();
        const QString wrongKind = InWork(QStringLiteral("x_Reg.xml"));
        QVERIFY(QFile::copy(config.fileName(), wrongKind));

        const QString vin = mUnit.unit.Value(P::PID_VehicleVIN).toString();
        const QByteArray odometer = mUnit.unit.RawValue(P::PID_VUHROdometer);
        const QByteArray maxSpeed = mUnit.unit.RawValue(P::PID_VehicleMaxSpeed);
        const QByteArray apn = mUnit.unit.RawValue(P::PID_MdmAPN);
        const int zone = mUnit.unit.LocalOffset();
        QString proposed;
        QByteArray plateStored;

        Technician tech;
        tech.In(
            QStringLiteral("VUS_Info"),
            [&](QWidget* w) {
                auto* plate = Technician::Find<QLineEdit>(w, QStringLiteral("edtVehicleRegNo"));
                // Ж, Д and Я have no Latin twin: the keys are refused, the rest stands.
                for (const QString& typed : {QStringLiteral("Ж123ДЯ77"), QStringLiteral("ж123дя77")}) {
                    Technician::Type(plate, typed);
                    tech.Check(plate->text() == QStringLiteral("12377"),
                               QStringLiteral("field after typing %1: %2").arg(typed, plate->text()));
                }
                // Lower case and Cyrillic twins become the Latin capitals the unit stores.
                for (const QString& typed :
                     {QStringLiteral("a123bc77"), QStringLiteral("а123вс77"), QStringLiteral("А123Bс77")}) {
                    Technician::Type(plate, typed);
                    tech.Check(plate->text() == QLatin1String("A123BC77"),
                               QStringLiteral("field after typing %1: %2").arg(typed, plate->text()));
                }
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.ConfirmWrite([&](QWidget* w) {
            proposed = QFileInfo(Technician::ProposedFile(static_cast<QFileDialog*>(w))).fileName();
            plateStored = mUnit.unit.RawValue(P::PID_VehicleRegNo);
            ChooseFile(QString())(w);
        });
        // The workshop settings under a record's name.
        tech.In(
            QStringLiteral("VUS_Info"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); },
            Technician::Enabled(QStringLiteral("btnLoad")));
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(wrongKind));
        ExpectRefusal(tech, wrongKind);
        // This unit's calibration record, then a write.
        tech.In(QStringLiteral("VUS_Info"), [&](QWidget* w) {
            tech.Check(Technician::Find<QSpinBox>(w, QStringLiteral("speVehicleMaxSpeed"))->value() == 90,
                       QStringLiteral("maximum speed after the refused file"));
            tech.Click(w, QStringLiteral("btnLoad"));
        });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(mOwnRecord));
        tech.In(QStringLiteral("VUS_Info"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
        tech.ConfirmWrite(ChooseFile(QString()));
        tech.In(
            QStringLiteral("VUS_Info"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnInfo"));
        CheckBackAtLauncher(tech);

        QCOMPARE(plateStored, QByteArray("\x01"
                                         "A123BC77      "));
        QVERIFY2(proposed.startsWith(QLatin1String("A123BC77_")), qPrintable(proposed));
        QCOMPARE(mUnit.unit.Value(P::PID_VehicleVIN).toString(), vin);
        QCOMPARE(mUnit.unit.RawValue(P::PID_VUHROdometer).toHex(' '), odometer.toHex(' '));
        QCOMPARE(mUnit.unit.RawValue(P::PID_VehicleMaxSpeed).toHex(' '), maxSpeed.toHex(' '));
        QCOMPARE(mUnit.unit.RawValue(P::PID_MdmAPN), apn);
        QCOMPARE(mUnit.unit.LocalOffset(), zone);
    }

    // Документы: the same settings file under a record's name is refused there too, naming the file,
    // and the form keeps what a record gave it.
    void documentsRefuseTheSettingsFile()
    {
        const QString wrongKind = InWork(QStringLiteral("x_Reg.xml"));
        QVERIFY2(QFile::exists(wrongKind), "the programming story makes it");
        QString vinAfter;
        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(mOwnRecord));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(wrongKind));
        ExpectRefusal(tech, wrongKind);
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            vinAfter = Technician::Find<QLineEdit>(w, QStringLiteral("edtVehicleVIN"))->text();
            tech.Click(w, QStringLiteral("btnClose"));
        });
        tech.Run(Button("btnPrint"));
        CheckBackAtLauncher(tech);

        QDomDocument own;
        QVERIFY(ReadRecordFile(mOwnRecord, own));
        QCOMPARE(vinAfter, RecordVin(own));
    }
};

QTEST_MAIN(tst_unitinput_stories)
#include "tst_unitinput_stories.moc"
