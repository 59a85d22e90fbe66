// The cable pulled in the middle of a writing cycle: the unit's serial device disappears while the
// information dialog writes. The technician sees the error once, the dialog closes, the launcher is
// usable again, and once the cable is back the next task finds the unit.
#include "app/v02.h"
#include "link/CKR_HiProt.h"
#include "ModalDriver.h"
#include "tools/vusim/VUSimulator.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

constexpr int kPort = 5;

int WritesReceived(const VUSimulator& aUnit)
{
    int writes = 0;
    for (const VUSimulator::Request& r : aUnit.Log())
        writes += r.service == 0x2E ? 1 : 0;
    return writes;
}

// Presses aButton of the dialog as soon as it is enabled (the dialog reads the unit first).
void PressWhenEnabled(QWidget* aDialog, const char* aButton)
{
    auto* button = aDialog->findChild<QPushButton*>(QLatin1String(aButton));
    if (!button) {
        aDialog->close();
        return;
    }
    auto* timer = new QTimer(aDialog);
    QObject::connect(timer, &QTimer::timeout, aDialog, [timer, button] {
        if (!button->isEnabled())
            return;
        timer->stop();
        button->click();
    });
    timer->start(20);
}

} // namespace

class TestPulledCable : public QObject
{
    Q_OBJECT

private slots:
    void pulledMidWriteThenBack()
    {
        RegisterLinkMetaTypes();
        QTemporaryDir ports;
        QTemporaryDir work;
        QVERIFY(ports.isValid() && work.isValid());
        qputenv("VELMORA_SERIAL_DIR", QFile::encodeName(ports.path()));
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(work.path());
        VUSimulator unit;
        QVERIFY2(unit.Start(ports.path(), kPort), qPrintable(unit.ErrorString()));

        v02 launcher;
        launcher.show();
        QVERIFY(QTest::qWaitForWindowExposed(&launcher));

        // The cable goes when the unit has taken three of the cycle's writes.
        QTimer puller;
        int writesBeforePull = 0;
        connect(&puller, &QTimer::timeout, this, [&] {
            writesBeforePull = WritesReceived(unit);
            if (writesBeforePull >= 3) {
                puller.stop();
                unit.Stop();
            }
        });

        ModalDriver driver;
        QString message;
        driver.Expect([&](QWidget* w) {
            unit.ClearLog();
            puller.start(2);
            PressWhenEnabled(w, "btnWrite");
        });
        driver.Expect(ModalDriver::Confirm(true));
        driver.Expect(ModalDriver::Error(&message));
        QTest::mouseClick(launcher.findChild<QPushButton*>("btnInfo"), Qt::LeftButton);

        QCOMPARE(driver.Seen(), (QStringList{"VUS_Info", "VU_Confirm", "VU_Error"}));
        QVERIFY2(driver.Unexpected().isEmpty(), qPrintable(driver.Unexpected().join(", ")));
        QVERIFY(!message.isEmpty());
        // Pulled within the cycle of eight writes, not after it.
        QVERIFY2(writesBeforePull >= 3 && writesBeforePull < 8,
                 qPrintable(QString::number(writesBeforePull)));
        QVERIFY(!unit.IsRunning());
        QVERIFY(launcher.isVisible());
        QCOMPARE(launcher.cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!QApplication::activeModalWidget());

        // The cable is back (a new pseudo-terminal behind the same port): the next task finds the unit
        // and reads what it holds.
        QVERIFY2(unit.Start(ports.path(), kPort), qPrintable(unit.ErrorString()));
        driver.Reset();
        QString shownVin;
        driver.Expect([&](QWidget* w) {
            auto* timer = new QTimer(w);
            connect(timer, &QTimer::timeout, w, [timer, w, &shownVin] {
                auto* read = w->findChild<QPushButton*>("btnRead");
                if (read && !read->isEnabled())
                    return;
                timer->stop();
                if (auto* edit = w->findChild<QLineEdit*>("edtVehicleVIN"))
                    shownVin = edit->text();
                Modal::Dismiss(w);
            });
            timer->start(20);
        });
        QTest::mouseClick(launcher.findChild<QPushButton*>("btnInfo"), Qt::LeftButton);
        QDir::setCurrent(oldDir);

        QCOMPARE(driver.Seen(), QStringList{"VUS_Info"});
        QVERIFY2(driver.Unexpected().isEmpty(), qPrintable(driver.Unexpected().join(", ")));
        QVERIFY(!shownVin.isEmpty());
        QCOMPARE(shownVin, QString::fromLatin1(unit.RawValue(CKR_HiProt::PID_VehicleVIN)).trimmed());
        QVERIFY(launcher.isVisible());
    }
};

QTEST_MAIN(TestPulledCable)
#include "tst_pulledcable.moc"
