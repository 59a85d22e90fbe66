// The cable pulled in the middle of a writing cycle: the unit stops answering after the third write
// while the information dialog writes. The technician sees the error once, the dialog closes, the
// launcher is usable again, and once the cable is back the next task finds the unit.
#include "Technician.h"
#include "UnitFixture.h"
#include "app/v02.h"
#include "link/CKR_HiProt.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class tst_pulledcable : public QObject
{
    Q_OBJECT

private slots:
    void pulledMidWriteThenBack()
    {
        UnitFixture fix;
        QVERIFY2(fix.Start(), qPrintable(fix.unit.ErrorString()));
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(work.path());

        v02 launcher;
        launcher.show();
        QVERIFY(QTest::qWaitForWindowExposed(&launcher));

        // The cable goes when the unit has answered three of the cycle's eight writes.
        Technician tech;
        QString message;
        tech.In("VUS_Info", tech.Press("btnWrite"), Technician::Enabled("btnWrite"));
        tech.In("VU_Confirm", [&](QWidget* w) {
            fix.unit.ClearLog();
            VUSimulator::Faults pulled;
            pulled.deadAfterFrames = 3;
            fix.unit.SetFaults(pulled);
            tech.Click(w, "okButton");
        });
        tech.In("VU_Error", tech.Press("btnOk", &message));
        tech.In("VU_Confirm", Technician::Answer(false)); // no record of what was typed
        tech.Run(launcher.findChild<QPushButton*>("btnInfo"));

        QVERIFY2(tech.Failures().isEmpty(), tech.Report());
        QVERIFY(!message.isEmpty());
        // Pulled within the cycle of eight writes, not after it.
        const int writes = int(fix.Writes().size());
        QVERIFY2(writes >= 3 && writes < 8, qPrintable(QString::number(writes)));
        QVERIFY(launcher.isVisible());
        QCOMPARE(launcher.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!QApplication::activeModalWidget());

        // The cable is back: the next task finds the unit and reads what it holds.
        fix.unit.ClearFaults();
        tech.Reset();
        QString shownVin;
        tech.In(
            "VUS_Info",
            [&shownVin](QWidget* w) {
                shownVin = Technician::Find<QLineEdit>(w, "edtVehicleVIN")->text();
                Technician::Answer(false)(w);
            },
            Technician::Enabled("btnRead"));
        tech.Run(launcher.findChild<QPushButton*>("btnInfo"));
        QDir::setCurrent(oldDir);

        QVERIFY2(tech.Failures().isEmpty(), tech.Report());
        QVERIFY(!shownVin.isEmpty());
        QCOMPARE(shownVin, QString::fromLatin1(fix.unit.RawValue(CKR_HiProt::PID_VehicleVIN)).trimmed());
        QVERIFY(launcher.isVisible());
    }
};

QTEST_MAIN(tst_pulledcable)
#include "tst_pulledcable.moc"
