#include "UnitDialogChecks.h"

#include "dialogs/CKR_FirstDlg.h"
#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"
#include "widgets/CKR_GMTSpinBox.h"
#include "widgets/Formatters.h"

#include <QDateTimeEdit>
#include <QLineEdit>

#include <ctime>

using P = CKR_HiProt;

class tst_firstdlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readShowsTrimmedVinAndRunningClock();
    void typingHoldsTheClockUntilEditingEnds();
    void writeSendsEditedClockZoneAndUntrimmedVin();
    void pcClockGivesUtcAndLocalZone();
    void declinedConfirmationWritesNothing();
    void modalRunGoesOnAfterTheResultDialog();
    void silentUnitGivesOneErrorAndCloses();
    void noUnitAbandonsConstruction();

private:
    QLineEdit* Vin() const { return mDlg->findChild<QLineEdit*>("edtVehicleVIN"); }
    QDateTimeEdit* Clock() const { return mDlg->findChild<QDateTimeEdit*>("dteVUDateTime"); }
    CKR_GMTSpinBox* Zone() const { return mDlg->findChild<CKR_GMTSpinBox*>(); }
    QPushButton* Button(const char* aName) const { return mDlg->findChild<QPushButton*>(aName); }
    bool Idle() const { return Button("btnRead")->isEnabled() && Button("btnWrite")->isEnabled(); }
    void Write(bool aYes);

    UnitFixture mFix;
    Technician mTech;
    std::unique_ptr<CKR_FirstDlg> mDlg;
};

void tst_firstdlg::initTestCase()
{
    QVERIFY2(mFix.Start(), qPrintable(mFix.unit.ErrorString()));
    mFix.unit.SetRawValue(P::PID_VehicleVIN, "XTA21099070001234  ");
    mFix.unit.SetVUClock(QDateTime(QDate(2026, 5, 1), QTime(10, 0, 0), Qt::UTC), 120);
    mDlg = std::make_unique<CKR_FirstDlg>();
    QVERIFY(mDlg->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 5000);
}

void tst_firstdlg::cleanupTestCase()
{
    mDlg.reset();
}

void tst_firstdlg::readShowsTrimmedVinAndRunningClock()
{
    QCOMPARE(Vin()->text(), QString("XTA21099070001234"));
    QCOMPARE(ClippedTexts(mDlg.get()).join(QLatin1Char(' ')), QString());
    QCOMPARE(Zone()->value(), 120);
    QCOMPARE(Clock()->dateTime().timeSpec(), Qt::UTC);
    QVERIFY(qAbs(Clock()->dateTime().secsTo(mFix.unit.VUClock())) <= 2);
    // The pings keep the field running with the unit clock.
    const QDateTime shown = Clock()->dateTime();
    QTRY_VERIFY_WITH_TIMEOUT(Clock()->dateTime().secsTo(shown) <= -2, 4000);
    QVERIFY(qAbs(Clock()->dateTime().secsTo(mFix.unit.VUClock())) <= 2);
}

void tst_firstdlg::typingHoldsTheClockUntilEditingEnds()
{
    Clock()->setFocus();
    // A whole hour back, so the unit's own ticking cannot hide the correction.
    Clock()->setCurrentSection(QDateTimeEdit::HourSection);
    QTest::keyClick(Clock(), Qt::Key_Down); // a key press stops the field from following the unit
    const QDateTime typed = Clock()->dateTime();
    QTest::qWait(1500);
    QCOMPARE(Clock()->dateTime(), typed);
    QTest::keyClick(Clock(), Qt::Key_Return); // editing finished: runs again, keeping the correction
    QTRY_VERIFY_WITH_TIMEOUT(Clock()->dateTime() > typed, 3000);
    const qint64 correction = mFix.unit.VUClock().secsTo(Clock()->dateTime());
    QVERIFY2(qAbs(correction + 3600) <= 2, qPrintable(QString::number(correction)));
}

void tst_firstdlg::Write(bool aYes)
{
    mFix.unit.ClearLog();
    mTech.Reset();
    mTech.In("VU_Confirm", mTech.Press(aYes ? "okButton" : "cancelButton"));
    if (aYes)
        mTech.In("VU_Result", mTech.Press("okButton"));
    mTech.Start();
    Button("btnWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(mTech.Done() && Idle(), 5000);
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
}

void tst_firstdlg::writeSendsEditedClockZoneAndUntrimmedVin()
{
    const QDateTime target(QDate(2027, 2, 3), QTime(4, 5, 6), Qt::UTC);
    QElapsedTimer sinceEdit;
    sinceEdit.start();
    Clock()->setDateTime(target);
    Zone()->setValue(-330);
    Vin()->setText(" XTA210990700012"); // written exactly as typed

    Write(true);

    const QList<VUSimulator::Request> writes = mFix.Writes();
    QCOMPARE(writes.size(), 2);
    QCOMPARE(writes[0].id, P::PID_VUDateTime);
    QCOMPARE(writes[1].id, P::PID_VehicleVIN);
    QCOMPARE(writes[1].value, QByteArray(" XTA210990700012 "));
    // Zone -5:30 goes out as minutes -30 and hours -5.
    QCOMPARE(writes[0].value.mid(6), QByteArray("\xE2\xFB", 2));
    QCOMPARE(mFix.unit.LocalOffset(), -330);
    // The correction stays relative to the running unit clock: the seconds since the edit count too.
    const QDateTime expected = target.addMSecs(sinceEdit.elapsed());
    QVERIFY2(qAbs(mFix.unit.VUClock().secsTo(expected)) <= 2, qPrintable(mFix.unit.VUClock().toString()));
    // Both corrections are reset: the field now follows the new unit clock.
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(Clock()->dateTime().secsTo(mFix.unit.VUClock())) <= 1, 3000);
    QCOMPARE(Zone()->value(), -330);
}

void tst_firstdlg::pcClockGivesUtcAndLocalZone()
{
    // The test runs with the PC at UTC+3; the unit is far off and at UTC.
    QCOMPARE(LocalUtcOffset(), 180);
    mFix.unit.SetVUClock(QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC), 0);
    QTRY_COMPARE_WITH_TIMEOUT(Zone()->value(), 0, 3000);
    Button("btnSetVUDateTime")->click();
    QVERIFY(qAbs(Clock()->dateTime().secsTo(QDateTime::currentDateTimeUtc())) <= 1);
    QCOMPARE(Zone()->value(), 180);
    // The unit clock runs on; the shown time keeps to the PC clock.
    QTest::qWait(1200);
    QVERIFY(qAbs(Clock()->dateTime().secsTo(QDateTime::currentDateTimeUtc())) <= 1);

    Write(true);
    QVERIFY(qAbs(mFix.unit.VUClock().secsTo(QDateTime::currentDateTimeUtc())) <= 2);
    QCOMPARE(mFix.unit.LocalOffset(), 180);
    QCOMPARE(mFix.Writes().size(), 2);
}

void tst_firstdlg::declinedConfirmationWritesNothing()
{
    const int requestsBefore = mFix.unit.RequestCount();
    Vin()->setText("WDB9634031L999999");
    Write(false);
    QTest::qWait(1500); // the pings go on; nothing else may reach the unit
    QVERIFY(mFix.unit.RequestCount() > requestsBefore);
    QVERIFY(mFix.Writes().isEmpty());
    QCOMPARE(mFix.unit.Value(P::PID_VehicleVIN).toString(), QString(" XTA210990700012 "));
}

void tst_firstdlg::modalRunGoesOnAfterTheResultDialog()
{
    // Run as the launcher runs it: the result dialog hides the dialog meanwhile, which must not end the run.
    mFix.unit.ClearLog();
    mTech.Reset();
    bool visibleAfterWrite = false;
    mTech.In("VU_First", [this](QWidget*) { Button("btnWrite")->click(); });
    mTech.In("VU_Confirm", mTech.Press("okButton"));
    mTech.In("VU_Result", mTech.Press("okButton"));
    // Back at the dialog, idle, and still there half a second later.
    mTech.In(
        "VU_First", [](QWidget*) {}, [this](QWidget*) { return Idle(); });
    mTech.Pause(500);
    mTech.In("VU_First", [&visibleAfterWrite](QWidget* w) {
        visibleAfterWrite = w->isVisible();
        Technician::Answer(false)(w);
    });
    mTech.Run([this] { mDlg->exec(); });
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
    QVERIFY(visibleAfterWrite);
    QCOMPARE(mTech.Seen(), (QStringList{"VU_First", "VU_Confirm", "VU_Result", "VU_First", "VU_First"}));
    QCOMPARE(mFix.Writes().size(), 2);
    mDlg->show(); // the following tests use it shown
}

void tst_firstdlg::silentUnitGivesOneErrorAndCloses()
{
    CheckSilentUnitGivesOneErrorAndCloses(mFix, mTech, mDlg.get());
    mDlg.reset(); // stops the parked worker
}

void tst_firstdlg::noUnitAbandonsConstruction()
{
    CheckNoUnitAbandonsConstruction<CKR_FirstDlg>(mTech);
}

int main(int argc, char** argv)
{
    // The PC clock runs at UTC+3 for these tests.
    qputenv("TZ", "UTC-3");
    tzset();
    QApplication app(argc, argv);
    tst_firstdlg test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_firstdlg.moc"
