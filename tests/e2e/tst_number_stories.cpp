// Numbers a technician types into the fields that go to the unit, from the launcher's buttons through every
// window, against a simulated unit, once under the Russian locale and once under C, with both decimal
// points: a value within a field's limits reaches the unit exactly, one beyond them stays as typed and is
// refused, and the limits come from the parameter's encoding. Then the calibrations that go in only after
// a warning, and the registration texts the unit holds.

#include "LauncherStory.h"

#include "UnitFixture.h"
#include "link/CKR_HiProt.h"
#include "widgets/UnitNumberBox.h"

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using P = CKR_HiProt;

namespace {

// The largest number a parameter's encoding holds: every bit of its bytes in the parameter table set.
quint64 EncodingMax(int aId)
{
    const P::ParamInfo* info = P::FindParam(aId);
    return info && info->write == P::Encoding::Unsigned ? (quint64(1) << (8 * info->size)) - 1 : 0;
}

// The narrower limits of the forms: W, K, L, B6 and B7 up to 64255, the authorised speed up to 220 km/h.
constexpr quint64 kConstantLimit = 64255;
constexpr quint64 kMaxSpeedLimit = 220;

// Where a field is: the window it is typed in and the launcher button that leads there.
enum class Where
{
    Info,     // Программировать
    Clbr,     // Калибровать
    Constants // Калибровать, then the constants editor
};

struct Attempt
{
    QString typed;
    bool taken;
    quint64 stored;  // what the unit then holds, in the parameter's unit
    QString refusal; // why it is refused: "не более 64255"
};

QString ConfirmText(QWidget* aDialog)
{
    const auto* label = aDialog->findChild<QLabel*>(QStringLiteral("label"));
    return label ? label->text() : QString();
}

} // namespace

Q_DECLARE_METATYPE(Where)

class tst_number_stories : public LauncherStory
{
    Q_OBJECT

private:
    UnitFixture mUnit;

    static QStringList Locales() { return {QStringLiteral("ru_RU"), QStringLiteral("C")}; }

    // The write of a dialog, answered "Да", the result, and no record saved.
    static void WriteConfirmed(Technician& aTech, const QString& aWindow)
    {
        aTech.In(
            aWindow, [&aTech](QWidget* w) { aTech.Click(w, QStringLiteral("btnWrite")); },
            Technician::Enabled(QStringLiteral("btnWrite")));
        aTech.ConfirmWrite(ChooseFile(QString()));
    }

    // The message that refuses a value, naming the field and why.
    static void Refused(Technician& aTech, const QString& aCaption, const QString& aWhy)
    {
        aTech.In(QStringLiteral("VU_Error"), [&aTech, aCaption, aWhy](QWidget* w) {
            const QString message = Technician::Message(w);
            aTech.Check(message.contains(QStringLiteral("«%1»").arg(aCaption)) && message.contains(aWhy),
                        QStringLiteral("the refusal names %1 and \"%2\": %3").arg(aCaption, aWhy, message));
            aTech.Click(w, QStringLiteral("btnOk"));
        });
    }

    // Types into the field and checks that every keystroke stands, and that a refused value says why.
    static Technician::Act TypeInto(Technician& aTech, const QString& aField, const Attempt& aAttempt)
    {
        return [&aTech, aField, aAttempt](QWidget* w) {
            auto* box = w->findChild<QAbstractSpinBox*>(aField);
            auto* field = dynamic_cast<UnitNumberField*>(box);
            aTech.Check(field != nullptr, QStringLiteral("%1 is a number field").arg(aField));
            if (!field)
                return;
            Technician::Type(box, aAttempt.typed);
            aTech.Check(field->Text() == aAttempt.typed, QStringLiteral("%1 shows \"%2\" after typing \"%3\"")
                                                             .arg(aField, field->Text(), aAttempt.typed));
            aTech.Check(aAttempt.taken ? field->Problem().isEmpty()
                                       : box->toolTip().contains(aAttempt.refusal),
                        QStringLiteral("%1 after \"%2\": %3").arg(aField, aAttempt.typed, box->toolTip()));
        };
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mUnit.Start());
        QVERIFY(OpenWorkshop());
    }

    void init() { mUnit.unit.ResetValues(); }

    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void cleanupTestCase() { mLauncher.reset(); }

    // For every number the dialogs write: its maximum and one past it, its minimum (and one below when
    // that is no 0), typed into the real field and written; the unit holds exactly what was typed or
    // nothing changes and the technician is told why.
    void limitsOfEveryWrittenNumber_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("id");
        QTest::addColumn<Where>("where");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("caption");
        for (const QString& locale : Locales()) {
            const auto row = [&](const char* aName, int aId, Where aWhere, const char* aField,
                                 const char* aCaption) {
                QTest::addRow("%s %s", aName, qPrintable(locale))
                    << locale << aId << aWhere << QString::fromLatin1(aField) << QString::fromUtf8(aCaption);
            };
            row("odometer", P::PID_VUHROdometer, Where::Info, "dseVUHROdometer", "Одометр");
            row("max speed", P::PID_VehicleMaxSpeed, Where::Info, "speVehicleMaxSpeed", "Max.скорость");
            row("B6", P::PID_B6Const, Where::Clbr, "speB6Const", "B6");
            row("B7", P::PID_B7Const, Where::Clbr, "speB7Const", "B7");
            row("W", P::PID_WConst, Where::Constants, "speWConst", "W");
            row("K", P::PID_KConst, Where::Constants, "speKConst", "K");
            row("L", P::PID_LConst, Where::Constants, "speLConst", "L");
        }
    }
    void limitsOfEveryWrittenNumber()
    {
        QFETCH(QString, locale);
        QFETCH(int, id);
        QFETCH(Where, where);
        QFETCH(QString, field);
        QFETCH(QString, caption);
        QLocale::setDefault(QLocale(locale));
        const QString point = QLocale().decimalPoint();

        QList<Attempt> attempts;
        if (id == P::PID_VUHROdometer) {
            // Metres in the unit, km with one decimal in the field: the largest whole tenth of a km.
            const quint64 tenths = EncodingMax(id) / 100;
            const auto km = [](quint64 aTenths, const QString& aPoint) {
                return QStringLiteral("%1%2%3").arg(aTenths / 10).arg(aPoint).arg(aTenths % 10);
            };
            const QString refusal = QStringLiteral("не более ") + km(tenths, point);
            attempts = {{km(tenths, QStringLiteral(",")), true, tenths * 100, {}},
                        {km(tenths + 1, QStringLiteral(".")), false, 0, refusal},
                        {QStringLiteral("250000.7"), true, 250000700, {}},
                        {QStringLiteral("250000,7"), true, 250000700, {}},
                        {QStringLiteral("9999999,9"), false, 0, refusal},
                        {QStringLiteral("0"), true, 0, {}}};
        } else {
            const quint64 limit = id == P::PID_VehicleMaxSpeed ? kMaxSpeedLimit : kConstantLimit;
            QVERIFY2(limit <= EncodingMax(id), "the form's limit fits the encoding");
            const quint64 most = std::min(limit, EncodingMax(id));
            const quint64 least = where == Where::Constants ? 1 : 0; // a W, K or L of 0 is refused
            attempts = {{QString::number(most), true, most, {}},
                        {QString::number(most + 1), false, 0, QStringLiteral("не более %1").arg(most)},
                        {QString::number(least), true, least, {}}};
            if (least > 0)
                attempts.append(
                    {QString::number(least - 1), false, 0, QStringLiteral("не менее %1").arg(least)});
        }

        const QString window = where == Where::Info ? QStringLiteral("VUS_Info") : QStringLiteral("VUC_Clbr");
        quint64 expected = mUnit.unit.Value(id).toULongLong();
        Technician tech;
        for (const Attempt& attempt : attempts) {
            if (where == Where::Constants) {
                tech.In(
                    window, [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnImpSensorEdit")); },
                    Technician::Enabled(QStringLiteral("btnImpSensorEdit")));
                tech.In(QStringLiteral("VUC_Edit"), [&tech, field, attempt](QWidget* w) {
                    TypeInto(tech, field, attempt)(w);
                    tech.Click(w, QStringLiteral("btnWrite")); // OK
                });
                if (attempt.taken) {
                    WriteConfirmed(tech, window);
                } else {
                    Refused(tech, caption, attempt.refusal);
                    tech.In(QStringLiteral("VUC_Edit"),
                            [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
                }
            } else {
                tech.In(window, TypeInto(tech, field, attempt),
                        Technician::Enabled(QStringLiteral("btnWrite")));
                if (attempt.taken) {
                    WriteConfirmed(tech, window);
                } else {
                    tech.In(window, [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
                    Refused(tech, caption, attempt.refusal);
                }
            }
            if (attempt.taken)
                expected = attempt.stored;
            tech.In(
                window,
                [this, &tech, id, expected, attempt](QWidget*) {
                    const quint64 stored = mUnit.unit.Value(id).toULongLong();
                    tech.Check(stored == expected, QStringLiteral("after \"%1\" the unit holds %2, not %3")
                                                       .arg(attempt.typed)
                                                       .arg(stored)
                                                       .arg(expected));
                },
                Technician::Enabled(QStringLiteral("btnRead")));
        }
        tech.In(window, [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
        tech.Run(Button(where == Where::Info ? "btnInfo" : "btnCalibr"));
        CheckBackAtLauncher(tech);
    }

    // W measured over 25.5 m, typed with either point: the W the unit gets is the impulses per km.
    void measuredDistanceWithEitherPoint_data()
    {
        QTest::addColumn<QString>("locale");
        for (const QString& locale : Locales())
            QTest::newRow(qPrintable(locale)) << locale;
    }
    void measuredDistanceWithEitherPoint()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        constexpr quint32 kImpulses = 204;
        const quint64 expectedW = quint64(kImpulses) * 10000 / 255; // over 25.5 m: 8000 impulses/km
        QString average;

        Technician tech;
        tech.In(
            QStringLiteral("VUC_Clbr"),
            [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnImpSensorEdit")); },
            Technician::Enabled(QStringLiteral("btnImpSensorEdit")));
        tech.In(QStringLiteral("VUC_Edit"),
                [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnMesure")); });
        for (const QString& distance : {QStringLiteral("25.5"), QStringLiteral("25,5")}) {
            // The counter stands still: the readings while stopped give the base.
            tech.Pause(1200);
            tech.In(QStringLiteral("VUC_Measure"),
                    [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnStartStop")); });
            tech.In(QStringLiteral("VUC_Measure"),
                    [this](QWidget*) { mUnit.unit.SetImpCounter(mUnit.unit.ImpCounter() + kImpulses); });
            tech.In(
                QStringLiteral("VUC_Measure"),
                [&tech, distance](QWidget* w) {
                    tech.Click(w, QStringLiteral("btnStartStop"));
                    Technician::Type(Technician::Find<QWidget>(w, QStringLiteral("dseDistance")), distance);
                    tech.Click(w, QStringLiteral("btnAdd"));
                },
                [](QWidget* w) {
                    return Technician::Find<QLineEdit>(w, QStringLiteral("edtImpulse"))->text() ==
                           QString::number(kImpulses);
                });
        }
        tech.In(QStringLiteral("VUC_Measure"), [&](QWidget* w) {
            average = Technician::Find<QLabel>(w, QStringLiteral("lblMid"))->text();
            const auto* table = Technician::Find<QTableWidget>(w, QStringLiteral("tblList"));
            for (int row = 0; row < table->rowCount(); ++row)
                tech.Check(
                    table->item(row, 2)->text() == QLatin1String("25.5"),
                    QStringLiteral("distance of run %1: %2").arg(row).arg(table->item(row, 2)->text()));
            tech.Click(w, QStringLiteral("btnOK"));
        });
        tech.In(QStringLiteral("VUC_Edit"),
                [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
        WriteConfirmed(tech, QStringLiteral("VUC_Clbr"));
        tech.In(
            QStringLiteral("VUC_Clbr"), [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnCalibr"));
        CheckBackAtLauncher(tech);

        QCOMPARE(average, QStringLiteral("Ср.W-конст.=%1 имп/км").arg(expectedW));
        QCOMPARE(mUnit.unit.Value(P::PID_WConst).toULongLong(), expectedW);
    }

    // A calibration that makes no sense is never written with the usual question: W of 0 is refused; no
    // speed source, or W and K far apart, are named with what the unit would then do, and Enter says Нет.
    void implausibleCalibration()
    {
        QLocale::setDefault(QLocale(QStringLiteral("ru_RU")));
        const quint64 k = mUnit.unit.Value(P::PID_KConst).toULongLong();
        const quint64 w = k * 9 / 8;
        // Distance recorded = impulses / K, real distance = impulses / W: W / K - 1 more.
        const QString percent = QLocale().toString((double(w) / double(k) - 1.0) * 100.0, 'f', 1);
        mUnit.unit.ClearLog();

        Technician tech;
        // Both sources unticked.
        tech.In(
            QStringLiteral("VUC_Clbr"),
            [&tech](QWidget* w) {
                auto* sensor = Technician::Find<QAbstractButton>(w, QStringLiteral("chbImpSensor"));
                if (sensor->isChecked())
                    tech.Click(w, QStringLiteral("chbImpSensor"));
                tech.Check(!Technician::Find<QAbstractButton>(w, QStringLiteral("chbGPSSensor"))->isChecked(),
                           QStringLiteral("the unit uses no receiver"));
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        const auto warnedAndEnterSaysNo = [&tech](const QString& aWords) {
            tech.In(QStringLiteral("VU_Confirm"), [&tech, aWords](QWidget* w) {
                const QString text = ConfirmText(w);
                tech.Check(text.contains(aWords),
                           QStringLiteral("the question says \"%1\": %2").arg(aWords, text));
                tech.Check(Technician::Find<QPushButton>(w, QStringLiteral("cancelButton"))->isDefault() &&
                               !Technician::Find<QPushButton>(w, QStringLiteral("okButton"))->isDefault(),
                           QStringLiteral("Нет is the default button"));
                QTest::keyClick(w, Qt::Key_Return);
            });
        };
        warnedAndEnterSaysNo(QStringLiteral("ни один источник скорости"));
        // W an eighth above K.
        tech.In(
            QStringLiteral("VUC_Clbr"),
            [&tech](QWidget* w) {
                tech.Click(w, QStringLiteral("chbImpSensor"));
                tech.Click(w, QStringLiteral("btnImpSensorEdit"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.In(QStringLiteral("VUC_Edit"), [&tech, w](QWidget* dlg) {
            Technician::Type(Technician::Find<QWidget>(dlg, QStringLiteral("speWConst")), QString::number(w));
            tech.Click(dlg, QStringLiteral("btnWrite"));
        });
        tech.In(QStringLiteral("VUC_Clbr"),
                [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
        warnedAndEnterSaysNo(QStringLiteral("пробег на %1 % больше фактического").arg(percent));
        // W of 0, as the unit has it.
        tech.In(
            QStringLiteral("VUC_Clbr"),
            [this, &tech](QWidget* w) {
                mUnit.unit.SetValue(P::PID_WConst, QVariant::fromValue<quint64>(0));
                tech.Click(w, QStringLiteral("btnRead"));
            },
            Technician::Enabled(QStringLiteral("btnRead")));
        tech.In(
            QStringLiteral("VUC_Clbr"), [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.In(QStringLiteral("VU_Error"), [&tech](QWidget* w) {
            tech.Check(Technician::Message(w).startsWith(QStringLiteral("W = 0")), Technician::Message(w));
            tech.Click(w, QStringLiteral("btnOk"));
        });
        tech.In(
            QStringLiteral("VUC_Clbr"), [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnCalibr"));
        CheckBackAtLauncher(tech);
        QVERIFY(mUnit.Writes().isEmpty());
    }

    // Программировать: a registration number and an access point that their encodings cannot hold, as the
    // unit has them, do not stop a new VIN from going in, and stay as they are; a plate with "-", "/" and
    // "." is typed and stored as it stands.
    void registrationTexts()
    {
        const QByteArray foreignPlate = QByteArray("\x01\xC4"
                                                   "B 12") +
                                        QByteArray(9, ' '); // Ä in ISO 8859-1
        mUnit.unit.SetRawValue(P::PID_VehicleRegNo, foreignPlate);
        // A free text goes out simplified: the unit's tab would become a blank.
        const QByteArray apn("internet\tapn");
        mUnit.unit.SetRawValue(P::PID_MdmAPN, apn);
        const QString vin = QStringLiteral("XTA21099070009999");
        const QString plate = QStringLiteral("AB-12/3.");
        mUnit.unit.ClearLog();

        Technician tech;
        tech.In(
            QStringLiteral("VUS_Info"),
            [&tech, vin](QWidget* w) {
                Technician::Type(Technician::Find<QWidget>(w, QStringLiteral("edtVehicleVIN")), vin);
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        WriteConfirmed(tech, QStringLiteral("VUS_Info"));
        tech.In(
            QStringLiteral("VUS_Info"),
            [&tech](QWidget* w) {
                auto* edit = Technician::Find<QLineEdit>(w, QStringLiteral("edtVehicleRegNo"));
                Technician::Type(edit, QStringLiteral("ab-12/3."));
                tech.Check(edit->text() == QLatin1String("AB-12/3."),
                           QStringLiteral("plate shows %1").arg(edit->text()));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        WriteConfirmed(tech, QStringLiteral("VUS_Info"));
        tech.In(
            QStringLiteral("VUS_Info"), [&tech](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        tech.Run(Button("btnInfo"));
        CheckBackAtLauncher(tech);

        QCOMPARE(mUnit.unit.Value(P::PID_VehicleVIN).toString(), vin);
        QByteArray plates;
        for (const VUSimulator::Request& r : mUnit.Writes()) {
            if (r.id == P::PID_VehicleRegNo)
                plates += r.value + '|';
            QVERIFY(r.id != P::PID_MdmAPN);
        }
        QCOMPARE(mUnit.unit.RawValue(P::PID_MdmAPN), apn);
        // Only the typed plate was written; the unit's own went untouched through the first write.
        QCOMPARE(plates, QByteArray(1, '\0') + plate.toLatin1().leftJustified(14, ' ') + '|');
        QCOMPARE(mUnit.unit.RawValue(P::PID_VehicleRegNo),
                 QByteArray(1, '\x01') + plate.toLatin1().leftJustified(14, ' '));
    }
};

QTEST_MAIN(tst_number_stories)
#include "tst_number_stories.moc"
