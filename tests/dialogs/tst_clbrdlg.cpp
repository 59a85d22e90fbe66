// The calibration dialog against the simulated unit on a pseudo-terminal: reads, confirmed writes,
// the constants editor with a live W measurement, the speed signal dialog's live and restoring writes,
// errors, and calibration records on disk.

#include "UnitDialogChecks.h"
#include "dialogs/CKR_B6B7Dlg.h"
#include "dialogs/CKR_ClbrDlg.h"
#include "dialogs/CKR_EditDlg.h"
#include "dialogs/CKR_MeasureDlg.h"
#include "dialogs/CKR_TyreDlg.h"
#include "dialogs/VUConnect.h"
#include "link/CKR_HiProt.h"
#include "link/CodePage.h"
#include "records/RecordFile.h"
#include "records/XmlElements.h"
#include "tools/vusim/VUSimulator.h"

#include "widgets/UnitNumberBox.h"
#include <QApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

using P = CKR_HiProt;

namespace {

template <typename T> T* Child(QObject* aParent, const char* aName)
{
    T* child = aParent->findChild<T*>(QLatin1String(aName));
    Q_ASSERT(child);
    return child;
}

QVariant U(quint64 aValue)
{
    return QVariant::fromValue<quint64>(aValue);
}

QList<int> ReadIds(const VUSimulator& aSim)
{
    QList<int> ids;
    for (const VUSimulator::Request& r : aSim.Log())
        if (r.service == 0x22 && r.id != P::PID_ImpCounter && r.id != P::PID_VUDateTime)
            ids.append(r.id);
    return ids;
}

QByteArray ReadFile(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file with its Date and Time lines taken from aOther, for comparing records saved at other moments.
QByteArray WithTimeOf(QByteArray aFile, const QByteArray& aOther)
{
    for (const char* tag : {"Date", "Time"}) {
        const QRegularExpression re(QStringLiteral("\n    <%1>[^<]*</%1>").arg(QLatin1String(tag)));
        const QString other = QRegularExpression(re).match(QString::fromLatin1(aOther)).captured(0);
        aFile = QString::fromLatin1(aFile).replace(re, other).toLatin1();
    }
    return aFile;
}

} // namespace

class tst_clbrdlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void noUnitAbandonsConstruction();
    void blocksLauncherFromTheStart();
    void readsValues();
    void sensorTypes_data();
    void sensorTypes();
    void nextDatePlus2();
    void textsFit();
    void writeReachesUnit();
    void writeCancelledWritesNothing();
    void editorTakesLiveMeasurement();
    void speedDialogWrites_data();
    void speedDialogWrites();
    void speedDialogRestoresWhatWasWritten();
    void errorsCloseDialog_data();
    void errorsCloseDialog();
    void recordRoundTrip();
    void registrationRecordKeepsConstants();
    void badRecordChangesNothing();
    void oddValuesInRecord();

private:
    std::unique_ptr<CKR_ClbrDlg> Open();
    void Preset();

    UnitFixture mFix;
    VUSimulator& mSim = mFix.unit;
    QTemporaryDir mWorkDir;
    std::unique_ptr<CKR_ClbrDlg> mDlg;
};

void tst_clbrdlg::initTestCase()
{
    QVERIFY(mWorkDir.isValid());
    QDir::setCurrent(mWorkDir.path());
    QVERIFY2(mFix.Start(), qPrintable(mSim.ErrorString()));
}

void tst_clbrdlg::init()
{
    mSim.ClearFaults();
    mSim.ResetValues();
    Preset();
    mSim.ClearLog();
}

void tst_clbrdlg::cleanup()
{
    mDlg.reset();
}

// A unit with all options: crypto and simple sensors, GLONASS, modem; the crypto sensor, GLONASS and the
// modem in use.
void tst_clbrdlg::Preset()
{
    mSim.SetOptions(0x2B);
    mSim.SetValue(P::PID_VUSettings, U(0x0B));
    mSim.SetValue(P::PID_KConst, U(8000));
    mSim.SetValue(P::PID_WConst, U(7990));
    mSim.SetValue(P::PID_LConst, U(3200));
    mSim.SetValue(P::PID_NextCalibration, QDate(2013, 5, 17));
    mSim.SetValue(P::PID_VehicleTyre, QStringLiteral(" 295/80   R22,5"));
    mSim.SetValue(P::PID_B6Const, U(8000));
    mSim.SetValue(P::PID_B7Const, U(7000));
    mSim.SetValue(P::PID_CANSpeedometer, U(9));
    mSim.SetValue(P::PID_Speed, U(0));
    mSim.SetValue(P::PID_VehicleVIN, QStringLiteral("XTA21099070001234"));
    mSim.SetValue(P::PID_VehicleRegNo, QStringLiteral("A123BC77"));
    mSim.SetValue(P::PID_VUHROdometer, U(987654321));
    mSim.SetImpCounter(1000);
}

std::unique_ptr<CKR_ClbrDlg> tst_clbrdlg::Open()
{
    auto dlg = std::make_unique<CKR_ClbrDlg>();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(!dlg->IsBusy(), 10000); }();
    return dlg;
}

void tst_clbrdlg::noUnitAbandonsConstruction()
{
    QTemporaryDir empty;
    qputenv("VELMORA_SERIAL_DIR", QFile::encodeName(empty.path()));
    QString message;
    Technician script;
    script.In("VU_Error", Technician::Answer(true, &message));
    script.Start();
    bool thrown = false;
    try {
        CKR_ClbrDlg dlg;
    } catch (const VUConnectAbandoned&) {
        thrown = true;
    }
    qputenv("VELMORA_SERIAL_DIR", QFile::encodeName(mFix.dir.path()));
    QVERIFY(thrown);
    QVERIFY(script.Done());
    // No port at all: said in words, not as an empty list.
    QVERIFY2(message.endsWith(QStringLiteral("\nНе найдено ни одного свободного COM-порта.")),
             qPrintable(message));
}

void tst_clbrdlg::blocksLauncherFromTheStart()
{
    // The launcher stays visible behind this dialog: it must not take a second click meanwhile.
    QWidget launcher;
    launcher.show();
    mDlg = std::make_unique<CKR_ClbrDlg>(&launcher, launcher.windowFlags());
    QVERIFY(mDlg->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), mDlg.get());
    QTRY_VERIFY_WITH_TIMEOUT(!mDlg->IsBusy(), 10000);
    mDlg.reset();
}

void tst_clbrdlg::readsValues()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();

    // Options first, so the sensor list exists before the settings select in it; 15 reads in all.
    const QList<int> expected = {P::PID_VUOptions,      P::PID_KConst,          P::PID_WConst,
                                 P::PID_LConst,         P::PID_NextCalibration, P::PID_VehicleTyre,
                                 P::PID_VUSettings,     P::PID_B6Const,         P::PID_B7Const,
                                 P::PID_CANSpeedometer, P::PID_Speed,           P::PID_VehicleVIN,
                                 P::PID_MemberState,    P::PID_VehicleRegNo,    P::PID_VUHROdometer};
    QCOMPARE(ReadIds(mSim), expected);

    QCOMPARE(d->KConst(), 8000u);
    QCOMPARE(d->WConst(), 7990u);
    QCOMPARE(d->LConst(), 3200u);
    QCOMPARE(d->TyreSize(), QStringLiteral("295/80 R22,5"));
    QCOMPARE(d->Options(), 0x2Bu);
    QCOMPARE(d->Settings(), 0x0Bu);
    QCOMPARE(d->VIN(), QStringLiteral("XTA21099070001234"));
    QCOMPARE(d->RegNumber(), QStringLiteral("A123BC77"));
    QCOMPARE(d->OdometerKm(), 987654.3);
    QCOMPARE(d->B6AsStored(), quint16(8000));
    QCOMPARE(d->B7AsStored(), quint16(7000));
    QCOMPARE(d->CANAsStored().toULongLong(), 9ull);
    QCOMPARE(Child<QDateEdit>(d, "dedNext")->date(), QDate(2013, 5, 17));
    QCOMPARE(Child<QSpinBox>(d, "speB6Const")->value(), 8000);
    QCOMPARE(Child<QSpinBox>(d, "speB7Const")->value(), 7000);
    QCOMPARE(Child<QComboBox>(d, "cmbCANSpeedometer")->currentText(), QStringLiteral("512 kbps"));

    // Idle: every button usable, the editor because the impulse sensor is in use.
    for (const char* name : {"btnRead", "btnWrite", "btnSave", "btnLoad", "btnNextDatePlus2", "btnSpeed",
                             "btnImpSensorEdit", "btnClose"})
        QVERIFY2(Child<QPushButton>(d, name)->isEnabled(), name);

    // During a cycle the editor button stays disabled, even when the sensor box is clicked.
    Child<QPushButton>(d, "btnRead")->click();
    QVERIFY(d->IsBusy());
    QVERIFY(!Child<QPushButton>(d, "btnWrite")->isEnabled());
    QVERIFY(Child<QPushButton>(d, "btnClose")->isEnabled());
    QCheckBox* sensor = Child<QCheckBox>(d, "chbImpSensor");
    sensor->click();
    sensor->click();
    QVERIFY(sensor->isChecked());
    QVERIFY(!Child<QPushButton>(d, "btnImpSensorEdit")->isEnabled());
    QTRY_VERIFY(!d->IsBusy());
    QVERIFY(Child<QPushButton>(d, "btnImpSensorEdit")->isEnabled());
}

void tst_clbrdlg::sensorTypes_data()
{
    QTest::addColumn<quint32>("options");
    QTest::addColumn<quint32>("settings");
    QTest::addColumn<QStringList>("list");
    QTest::addColumn<bool>("impEnabled");
    QTest::addColumn<bool>("impChecked");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("gpsEnabled");
    QTest::addColumn<bool>("gpsChecked");
    QTest::addColumn<quint32>("written");

    const QString simple = QStringLiteral("Простой / датчик ABS");
    const QString crypto = QStringLiteral("Криптографический");
    QTest::newRow("both sensors, both in use: crypto wins")
        << 0x21u << 0x21u << QStringList{simple, crypto} << true << true << 1 << false << false << 0x01u;
    QTest::newRow("simple sensor in use, GPS")
        << 0x23u << 0x22u << QStringList{simple, crypto} << true << true << 32 << true << true << 0x22u;
    QTest::newRow("crypto in use but not offered")
        << 0x20u << 0x01u << QStringList{simple} << true << false << -1 << false << false << 0x00u;
    QTest::newRow("no sensor at all, other bits kept")
        << 0x08u << 0xFFu << QStringList{} << false << false << -1 << false << false << 0xDCu;
}

void tst_clbrdlg::sensorTypes()
{
    QFETCH(quint32, options);
    QFETCH(quint32, settings);
    QFETCH(QStringList, list);
    QFETCH(bool, impEnabled);
    QFETCH(bool, impChecked);
    QFETCH(int, current);
    QFETCH(bool, gpsEnabled);
    QFETCH(bool, gpsChecked);
    QFETCH(quint32, written);

    mSim.SetOptions(options);
    mSim.SetValue(P::PID_VUSettings, U(settings));
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();

    QComboBox* types = Child<QComboBox>(d, "cmbImpSensorType");
    QStringList shown;
    for (int i = 0; i < types->count(); ++i)
        shown << types->itemText(i);
    QCOMPARE(shown, list);
    QCheckBox* imp = Child<QCheckBox>(d, "chbImpSensor");
    QCOMPARE(imp->isEnabled(), impEnabled);
    QCOMPARE(imp->isChecked(), impChecked);
    if (current >= 0)
        QCOMPARE(types->currentData().toInt(), current);
    QCOMPARE(types->isEnabled(), impChecked);
    QCOMPARE(Child<QPushButton>(d, "btnImpSensorEdit")->isEnabled(), impChecked);
    QCOMPARE(Child<QCheckBox>(d, "chbGPSSensor")->isEnabled(), gpsEnabled);
    QCOMPARE(Child<QCheckBox>(d, "chbGPSSensor")->isChecked(), gpsChecked);

    // A write keeps every bit that is not a speed source and sets only what the boxes say.
    mSim.ClearLog();
    Technician script;
    script.In("VU_Confirm", Technician::Answer());
    script.In("VU_Result", Technician::Answer());
    script.In("QFileDialog", ChooseFile({}));
    script.Start();
    Child<QPushButton>(d, "btnWrite")->click();
    QTRY_VERIFY(script.Done());
    QCOMPARE(mSim.Value(P::PID_VUSettings).toULongLong(), quint64(written));
}

void tst_clbrdlg::nextDatePlus2()
{
    mDlg = Open();
    Child<QPushButton>(mDlg.get(), "btnNextDatePlus2")->click();
    QCOMPARE(Child<QDateEdit>(mDlg.get(), "dedNext")->date(), QDate::currentDate().addYears(2));
}

void tst_clbrdlg::textsFit()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();
    QCOMPARE(d->size(), QSize(490, 500));
    QCOMPARE(d->font().pointSize(), 18);
    QCOMPARE(d->windowTitle(), QStringLiteral("Вестра:Вельмора. v1.0"));
    // Whatever the system font, no text is cut off or hidden under the field beside it.
    QCOMPARE(ClippedTexts(d).join(QLatin1Char(' ')), QString());
    for (const QLabel* label : d->findChildren<QLabel*>()) {
        for (const QWidget* field : d->findChildren<QWidget*>())
            if (field->parentWidget() == d && !field->isWindow() && !qobject_cast<const QLabel*>(field) &&
                !field->objectName().startsWith(QLatin1String("line")))
                QVERIFY2(!field->geometry().intersects(label->geometry()),
                         qPrintable(label->objectName() + QLatin1Char('/') + field->objectName()));
    }
}

void tst_clbrdlg::writeReachesUnit()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();

    // New constants through the editor, the rest in the form.
    Child<QPushButton>(d, "btnImpSensorEdit")->click();
    QPointer<CKR_EditDlg> editor = d->EditDlg();
    QVERIFY(editor && editor->isVisible() && editor->isModal());
    QVERIFY(!d->isVisible());
    QCOMPARE(editor->GetKConst(), 8000);
    QCOMPARE(editor->GetWConst(), 7990);
    QCOMPARE(editor->GetLConst(), 3200);
    Child<QSpinBox>(editor, "speWConst")->setValue(8123);
    Child<QSpinBox>(editor, "speKConst")->setValue(8124);
    Child<QSpinBox>(editor, "speLConst")->setValue(3125);
    editor->accept();
    QVERIFY(d->isVisible());
    QVERIFY(!d->EditDlg());
    QTRY_VERIFY(editor.isNull());
    QCOMPARE(d->KConst(), 8124u);
    QCOMPARE(d->WConst(), 8123u);
    QCOMPARE(d->LConst(), 3125u);

    Child<QDateEdit>(d, "dedNext")->setDate(QDate(2014, 2, 28));
    Child<QSpinBox>(d, "speB6Const")->setValue(64255);
    Child<QSpinBox>(d, "speB7Const")->setValue(1);
    Child<QComboBox>(d, "cmbCANSpeedometer")->setCurrentIndex(3);
    Child<QCheckBox>(d, "chbGPSSensor")->click();
    QVERIFY(!Child<QCheckBox>(d, "chbGPSSensor")->isChecked());

    const QString record = QDir(mWorkDir.path()).filePath(QStringLiteral("after-write_Clb.xml"));
    QString caption;
    Technician script;
    script.In("VU_Confirm", Technician::Answer());
    script.In("VU_Result", Technician::Answer());
    script.In("QFileDialog", [&caption, record](QWidget* w) {
        caption = w->windowTitle();
        ChooseFile(record)(w);
    });
    script.Start();
    mSim.ClearLog();
    Child<QPushButton>(d, "btnWrite")->click();
    QTRY_VERIFY(script.Done());
    QCOMPARE(caption, QStringLiteral("Сохранить в файл"));

    const QList<QPair<int, QByteArray>> expected = {
        {P::PID_KConst, Le(8124, 2)},     {P::PID_WConst, Le(8123, 2)},
        {P::PID_LConst, Le(3125, 2)},     {P::PID_NextCalibration, QByteArray("\x02\x6D\x1D", 3)},
        {P::PID_VUSettings, Le(0x09, 4)}, {P::PID_B6Const, Le(64255, 2)},
        {P::PID_B7Const, Le(1, 2)},       {P::PID_CANSpeedometer, Le(10, 1)}};
    QCOMPARE(mFix.Written(), expected);
    QCOMPARE(mSim.Value(P::PID_NextCalibration).toDate(), QDate(2014, 2, 28));
    QVERIFY(!d->IsBusy());
    QVERIFY(d->isVisible());

    // The record offered after the write holds what was written.
    const QByteArray saved = ReadFile(record);
    QVERIFY(saved.startsWith("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"));
    for (const char* element :
         {"<SensorUsage>9</SensorUsage>", "<W-Const>8123</W-Const>", "<K-Const>8124</K-Const>",
          "<L-Const>3125</L-Const>", "<Date>28/02/2014</Date>", "<B6-Const>64255</B6-Const>",
          "<B7-Const>1</B7-Const>", "<CANSpeed>10</CANSpeed>", "<Odometer>987654.3</Odometer>"})
        QVERIFY2(saved.contains(element), element);
}

void tst_clbrdlg::writeCancelledWritesNothing()
{
    mDlg = Open();
    Child<QSpinBox>(mDlg.get(), "speB6Const")->setValue(1234);
    Technician script;
    script.In("VU_Confirm", Technician::Answer(false));
    script.Start();
    mSim.ClearLog();
    Child<QPushButton>(mDlg.get(), "btnWrite")->click();
    QVERIFY(script.Done());
    QVERIFY(!mDlg->IsBusy());
    QTest::qWait(600); // a few pings
    QVERIFY(mFix.Written().isEmpty());
    QCOMPARE(mSim.Value(P::PID_B6Const).toULongLong(), 8000ull);
}

void tst_clbrdlg::editorTakesLiveMeasurement()
{
    // The counter runs at 40 km/h x 8000 impulses/km (89 a second) and wraps while measuring.
    mSim.SetValue(P::PID_WConst, U(8000));
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();

    Child<QPushButton>(d, "btnImpSensorEdit")->click();
    QPointer<CKR_EditDlg> editor = d->EditDlg();
    QVERIFY(editor);
    editor->OnMeasureClick();
    QPointer<CKR_MeasureDlg> measure = editor->MeasureDlg();
    QVERIFY(measure && measure->isVisible());
    QLineEdit* impulses = Child<QLineEdit>(measure, "edtImpulse");

    constexpr quint32 kLeft = 200; // impulses before the counter wraps
    mSim.SetImpCounter(0xFFFFFFFFu - kLeft);
    mSim.SetValue(P::PID_Speed, U(40));
    // The measurement learns the counter from a ping that follows the jump.
    mSim.ClearLog();
    const auto pinged = [this] {
        const QList<VUSimulator::Request> log = mSim.Log();
        return std::any_of(log.cbegin(), log.cend(), [](const VUSimulator::Request& r) {
            return r.id == P::PID_ImpCounter && !r.reply.isEmpty();
        });
    };
    QTRY_VERIFY(pinged());
    QTest::qWait(100);
    Child<QPushButton>(measure, "btnStartStop")->click();
    // Counted from a base at or above 2^32 - 1 - kLeft, only a wrap counted right can take the total
    // past kLeft.
    QTRY_VERIFY_WITH_TIMEOUT(impulses->text().toULongLong() > kLeft, 8000);
    Child<QPushButton>(measure, "btnStartStop")->click();
    const quint64 total = impulses->text().toULongLong();
    // ... and no further than the impulses since: the wrap added its few, not four billion.
    QVERIFY2(total <= kLeft + 1 + mSim.ImpCounter(), qPrintable(impulses->text()));

    Child<QDoubleSpinBox>(measure, "dseDistance")->setValue(20.0);
    Child<QPushButton>(measure, "btnAdd")->click();
    const unsigned int w = measure->GetAverageW();
    QCOMPARE(quint64(w), total * 1000 / 20);
    measure->accept();
    QTRY_VERIFY(measure.isNull());
    QCOMPARE(editor->GetWConst(), static_cast<int>(qMin(w, 64255u)));
    editor->accept();
    QCOMPARE(d->WConst(), static_cast<quint32>(qMin(w, 64255u)));
    QVERIFY(d->isVisible());
}

void tst_clbrdlg::speedDialogWrites_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("OK") << true;
    QTest::newRow("Отмена") << false;
}

void tst_clbrdlg::speedDialogWrites()
{
    QFETCH(bool, accept);
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();
    mSim.ClearLog();

    Child<QPushButton>(d, "btnSpeed")->click();
    QPointer<CKR_B6B7Dlg> speed = d->SpeedDlg();
    QVERIFY(speed && speed->isVisible() && speed->isModal());
    QVERIFY(!d->isVisible());
    QCOMPARE(speed->GetB6Const(), 8000);
    QCOMPARE(speed->GetB7Const(), 7000);
    QCOMPARE(speed->GetCANSpeed().toInt(), 9);

    // The values handed in go back to the unit once, 300 ms later.
    QTRY_COMPARE(mFix.Written().size(), 3);
    QList<int> ids;
    for (const auto& w : mFix.Written())
        ids.append(w.first);
    std::sort(ids.begin(), ids.end());
    QCOMPARE(ids, (QList<int>{P::PID_B6Const, P::PID_B7Const, P::PID_CANSpeedometer}));

    // A burst of changes gives one write of the last value.
    mSim.ClearLog();
    QSpinBox* b6 = Child<QSpinBox>(speed, "speB6Const");
    b6->setValue(8100);
    b6->setValue(8200);
    b6->setValue(8300);
    Child<QSpinBox>(speed, "speSpeed")->setValue(60);
    QTRY_COMPARE(mSim.Value(P::PID_Speed).toULongLong(), 60ull);
    QTRY_COMPARE(mSim.Value(P::PID_B6Const).toULongLong(), 8300ull);
    QTest::qWait(400);
    int b6Writes = 0;
    for (const auto& w : mFix.Written())
        b6Writes += w.first == P::PID_B6Const;
    QCOMPARE(b6Writes, 1);
    QVERIFY(!d->IsBusy());

    // Closing restores what the unit stores and ends the output test, without any message.
    mSim.ClearLog();
    Technician unexpected; // no steps: any new window fails
    unexpected.Start();
    accept ? speed->accept() : speed->reject();
    QVERIFY(d->isVisible());
    QVERIFY(!d->SpeedDlg());
    // Закрыть (or Esc), Считать or Записать at once must not drop the restoring writes.
    for (const char* button : {"btnClose", "btnRead", "btnWrite"})
        QVERIFY2(!Child<QPushButton>(d, button)->isEnabled(), button);
    d->reject();
    QVERIFY(d->isVisible());
    QTRY_COMPARE(mFix.Written().size(), 4);
    for (const char* button : {"btnClose", "btnRead", "btnWrite"})
        QTRY_VERIFY2(Child<QPushButton>(d, button)->isEnabled(), button);
    const QList<QPair<int, QByteArray>> restoring = {{P::PID_B6Const, Le(8000, 2)},
                                                     {P::PID_B7Const, Le(7000, 2)},
                                                     {P::PID_CANSpeedometer, Le(9, 1)},
                                                     {P::PID_Speed, Le(0, 1)}};
    QCOMPARE(mFix.Written(), restoring);
    QTRY_VERIFY(speed.isNull());
    QTest::qWait(400);
    QCOMPARE(mFix.Written().size(), 4);
    QVERIFY2(unexpected.Failures().isEmpty(), unexpected.Report());
    QVERIFY(!d->IsBusy());

    // OK takes the tried values into the form for the next write; Отмена leaves the form alone.
    QCOMPARE(Child<QSpinBox>(d, "speB6Const")->value(), accept ? 8300 : 8000);
    QCOMPARE(int(d->TestSpeed()), accept ? 60 : 0);
    QCOMPARE(d->B6AsStored(), quint16(8000));
}

void tst_clbrdlg::speedDialogRestoresWhatWasWritten()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();
    Child<QSpinBox>(d, "speB6Const")->setValue(6000);
    Child<QComboBox>(d, "cmbCANSpeedometer")->setCurrentIndex(1);
    Technician script;
    script.In("VU_Confirm", Technician::Answer());
    script.In("VU_Result", Technician::Answer());
    script.In("QFileDialog", ChooseFile({}));
    script.Start();
    Child<QPushButton>(d, "btnWrite")->click();
    QTRY_VERIFY(script.Done());
    QCOMPARE(d->B6AsStored(), quint16(6000));

    script.Stop();
    mSim.ClearLog();
    Child<QPushButton>(d, "btnSpeed")->click();
    QPointer<CKR_B6B7Dlg> speed = d->SpeedDlg();
    Child<QSpinBox>(speed, "speB6Const")->setValue(6500);
    QTRY_COMPARE(mFix.Written().size(), 3); // B7 and CAN as handed in, B6 as changed
    QTRY_COMPARE(mSim.Value(P::PID_B6Const).toULongLong(), 6500ull);
    mSim.ClearLog();
    speed->reject();
    QTRY_COMPARE(mFix.Written().size(), 4);
    QCOMPARE(mFix.Written()[0], qMakePair(int(P::PID_B6Const), Le(6000, 2)));
    QCOMPARE(mFix.Written()[2], qMakePair(int(P::PID_CANSpeedometer), Le(8, 1)));
    QCOMPARE(mSim.Value(P::PID_B6Const).toULongLong(), 6000ull);
}

void tst_clbrdlg::errorsCloseDialog_data()
{
    QTest::addColumn<QString>("open");
    QTest::addColumn<int>("failing");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("cause");

    const QString refused = QStringLiteral("RC_CNC");
    const QString noReply = QStringLiteral("Выключили тахограф");
    QTest::newRow("read refused") << QString() << int(P::PID_B7Const) << false << refused;
    QTest::newRow("ping, no reply") << QString() << int(P::PID_ImpCounter) << true << noReply;
    QTest::newRow("ping while the editor is open")
        << QStringLiteral("editor") << int(P::PID_ImpCounter) << false << refused;
    QTest::newRow("ping while measuring")
        << QStringLiteral("measure") << int(P::PID_ImpCounter) << false << refused;
    QTest::newRow("live write refused") << QStringLiteral("speed") << int(P::PID_B6Const) << false << refused;
}

void tst_clbrdlg::errorsCloseDialog()
{
    QFETCH(QString, open);
    QFETCH(int, failing);
    QFETCH(bool, silent);
    QFETCH(QString, cause);

    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();
    QPointer<QDialog> child;
    QPointer<QDialog> grandChild;
    if (open == QLatin1String("editor") || open == QLatin1String("measure")) {
        Child<QPushButton>(d, "btnImpSensorEdit")->click();
        child = d->EditDlg();
        if (open == QLatin1String("measure")) {
            d->EditDlg()->OnMeasureClick();
            grandChild = d->EditDlg()->MeasureDlg();
        }
    } else if (open == QLatin1String("speed")) {
        Child<QPushButton>(d, "btnSpeed")->click();
        child = d->SpeedDlg();
        QTRY_VERIFY(mFix.Written().size() >= 3); // the values handed in are through
    }
    QVERIFY(open.isEmpty() || child);

    QString message;
    Technician script;
    script.In("VU_Error", Technician::Answer(true, &message));
    script.Start();
    QSignalSpy rejected(d, &QDialog::rejected);
    if (silent) {
        VUSimulator::Faults faults;
        faults.silent = true;
        mSim.SetFaults(faults);
    } else
        mSim.SetNegativeReply(failing, 0x22);

    if (failing == P::PID_B7Const)
        Child<QPushButton>(d, "btnRead")->click();
    else if (failing == P::PID_B6Const)
        Child<QSpinBox>(child, "speB6Const")->setValue(1234);

    QTRY_VERIFY_WITH_TIMEOUT(script.Done(), 10000);
    QTRY_COMPARE(rejected.count(), 1);
    QVERIFY2(message.contains(cause), qPrintable(message));
    QVERIFY(!d->isVisible());
    QVERIFY(!d->EditDlg() && !d->SpeedDlg());
    QTRY_VERIFY(child.isNull() && grandChild.isNull());
    QVERIFY(!d->IsBusy());
    mSim.ClearFaults();
}

void tst_clbrdlg::recordRoundTrip()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();
    const QDir work(mWorkDir.path());

    // A record made elsewhere, with a Cyrillic registration number and a simple sensor in use.
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Calibration"));
    doc.appendChild(root);
    SetChildText(root, QStringLiteral("Date"), QStringLiteral("05/03/2012"));
    SetChildText(root, QStringLiteral("Time"), QStringLiteral("14:07:09"));
    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    WriteChildInt(vu, QStringLiteral("Composition"), 0x23);
    WriteChildInt(vu, QStringLiteral("SensorUsage"), 0x22 | 0x100);
    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    SetChildText(vehicle, QStringLiteral("VIN"), QStringLiteral("WDB9340321K123456"));
    QDomElement regNo = ChildElement(vehicle, QStringLiteral("RegNo"));
    SetChildText(regNo, QStringLiteral("Number"), QStringLiteral("А123ВС77"));
    WriteChildInt(regNo, QStringLiteral("Region"), 43);
    SetChildText(vehicle, QStringLiteral("Tyre"), QStringLiteral("315/70R22.5"));
    WriteChildDouble(vehicle, QStringLiteral("Odometer"), 987654.3); // as the unit reports it
    QDomElement data = ChildElement(root, QStringLiteral("Data"));
    WriteChildInt(data, QStringLiteral("W-Const"), 6111);
    WriteChildInt(data, QStringLiteral("K-Const"), 6222);
    WriteChildInt(data, QStringLiteral("L-Const"), 3181);
    SetChildText(ChildElement(data, QStringLiteral("NextCalibration")), QStringLiteral("Date"),
                 QStringLiteral("29/02/2016"));
    WriteChildInt(data, QStringLiteral("B6-Const"), 5111);
    WriteChildInt(data, QStringLiteral("B7-Const"), 5222);
    WriteChildInt(data, QStringLiteral("CANSpeed"), 8);
    const QString original = work.filePath(QStringLiteral("original_Clb.xml"));
    QVERIFY(WriteRecordFile(original, doc));

    QString openCaption;
    // A record of another vehicle: taken when the technician answers "Да".
    Technician load;
    load.In("QFileDialog", [&openCaption, original](QWidget* w) {
        openCaption = w->windowTitle();
        ChooseFile(original)(w);
    });
    load.In("VU_Confirm", Technician::Answer());
    load.Start();
    Child<QPushButton>(d, "btnLoad")->click();
    QVERIFY(load.Done());
    QCOMPARE(openCaption, QStringLiteral("Открыть файл"));
    QCOMPARE(d->WConst(), 6111u);
    QCOMPARE(d->KConst(), 6222u);
    QCOMPARE(d->LConst(), 3181u);
    QCOMPARE(d->TyreSize(), QStringLiteral("315/70R22.5"));
    QCOMPARE(d->RegNumber(), QStringLiteral("А123ВС77"));
    QCOMPARE(d->Options(), 0x23u);
    QCOMPARE(Child<QComboBox>(d, "cmbImpSensorType")->currentData().toInt(), 32);
    QVERIFY(Child<QCheckBox>(d, "chbGPSSensor")->isChecked());
    QCOMPARE(Child<QDateEdit>(d, "dedNext")->date(), QDate(2016, 2, 29));
    QCOMPARE(Child<QSpinBox>(d, "speB6Const")->value(), 5111);
    // What the unit stores is still what closing the speed signal dialog restores.
    QCOMPARE(d->B6AsStored(), quint16(8000));
    QCOMPARE(d->B7AsStored(), quint16(7000));
    QCOMPARE(Child<QComboBox>(d, "cmbCANSpeedometer")->currentText(), QStringLiteral("256 kbps"));

    // Saving proposes the registration number as the stem and writes the same bytes back.
    const QString copy = work.filePath(QStringLiteral("copy_Clb.xml"));
    QString proposed;
    load.Reset();
    load.In("QFileDialog", ChooseFile(copy, &proposed));
    load.Start();
    Child<QPushButton>(d, "btnSave")->click();
    QVERIFY(load.Done());
    QVERIFY2(QFileInfo(proposed).fileName().startsWith(QStringLiteral("А123ВС77_")), qPrintable(proposed));
    QVERIFY(QFileInfo(proposed).fileName().endsWith(QStringLiteral("_Clb.xml")));

    const QByteArray before = ReadFile(original);
    const QByteArray after = ReadFile(copy);
    QVERIFY(!after.isEmpty());
    QCOMPARE(after, WithTimeOf(before, after));
    QVERIFY(after.contains(CodePage::ToProgram8Bit(QStringLiteral("<Number>А123ВС77</Number>"))));

    // Trying the loaded values in the speed signal dialog and cancelling leaves the unit as it was.
    load.Stop();
    Child<QPushButton>(d, "btnSpeed")->click();
    QPointer<CKR_B6B7Dlg> speed = d->SpeedDlg();
    QCOMPARE(speed->GetB6Const(), 5111);
    QTRY_COMPARE(mSim.Value(P::PID_B6Const).toULongLong(), 5111ull);
    QTRY_COMPARE(mSim.Value(P::PID_B7Const).toULongLong(), 5222ull);
    QTRY_COMPARE(mSim.Value(P::PID_CANSpeedometer).toULongLong(), 8ull);
    mSim.ClearLog();
    speed->reject();
    QTRY_COMPARE(mFix.Written().size(), 4);
    QCOMPARE(mSim.Value(P::PID_B6Const).toULongLong(), 8000ull);
    QCOMPARE(mSim.Value(P::PID_B7Const).toULongLong(), 7000ull);
    QCOMPARE(mSim.Value(P::PID_CANSpeedometer).toULongLong(), 9ull);
    QCOMPARE(Child<QSpinBox>(d, "speB6Const")->value(), 5111);
}

void tst_clbrdlg::registrationRecordKeepsConstants()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();

    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Registration"));
    doc.appendChild(root);
    QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    SetChildText(vu, QStringLiteral("PartNo"), QStringLiteral("VELMORA-01"));
    WriteChildInt(vu, QStringLiteral("Composition"), 0x22);
    WriteChildInt(vu, QStringLiteral("SensorUsage"), 0x20);
    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    SetChildText(vehicle, QStringLiteral("VIN"), QStringLiteral("XTA00000000000001"));
    SetChildText(ChildElement(vehicle, QStringLiteral("RegNo")), QStringLiteral("Number"),
                 QStringLiteral("B777OP99"));
    SetChildText(vehicle, QStringLiteral("Tyre"), QStringLiteral("185/65 R15"));
    WriteChildInt(vehicle, QStringLiteral("MaxSpeed"), 90);
    const QString path = QDir(mWorkDir.path()).filePath(QStringLiteral("B777OP99_20120305_140709_Reg.xml"));
    QVERIFY(WriteRecordFile(path, doc));

    Technician load;
    load.In("QFileDialog", ChooseFile(path));
    load.In("VU_Confirm", Technician::Answer());
    load.Start();
    Child<QPushButton>(d, "btnLoad")->click();
    QVERIFY(load.Done());

    QCOMPARE(d->VIN(), QStringLiteral("XTA00000000000001"));
    QCOMPARE(d->RegNumber(), QStringLiteral("B777OP99"));
    QCOMPARE(d->TyreSize(), QStringLiteral("185/65 R15"));
    QCOMPARE(d->Options(), 0x22u);
    QCOMPARE(Child<QComboBox>(d, "cmbImpSensorType")->count(), 1);
    QVERIFY(Child<QCheckBox>(d, "chbImpSensor")->isChecked());
    QVERIFY(!Child<QCheckBox>(d, "chbGPSSensor")->isChecked());
    // Constants, date and speed signal values stay as read from the unit.
    QCOMPARE(d->WConst(), 7990u);
    QCOMPARE(d->KConst(), 8000u);
    QCOMPARE(d->LConst(), 3200u);
    QCOMPARE(Child<QDateEdit>(d, "dedNext")->date(), QDate(2013, 5, 17));
    QCOMPARE(Child<QSpinBox>(d, "speB6Const")->value(), 8000);
    QCOMPARE(Child<QSpinBox>(d, "speB7Const")->value(), 7000);
    QCOMPARE(Child<QComboBox>(d, "cmbCANSpeedometer")->currentText(), QStringLiteral("512 kbps"));
}

void tst_clbrdlg::badRecordChangesNothing()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();
    const QString path = QDir(mWorkDir.path()).filePath(QStringLiteral("broken_Clb.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n<Calibration><Data><W-Const>1</W-Const>\r\n");
    file.close();

    QString title;
    Technician load;
    load.In("QFileDialog", ChooseFile(path));
    load.In("QMessageBox", Technician::Answer(true, nullptr, &title));
    load.Start();
    Child<QPushButton>(d, "btnLoad")->click();
    QVERIFY(load.Done());
    QCOMPARE(title, QStringLiteral("Ошибка при считывании файла."));
    QCOMPARE(d->WConst(), 7990u);
    QCOMPARE(d->VIN(), QStringLiteral("XTA21099070001234"));

    // A cancelled file dialog changes nothing either, and saving cancelled writes no file.
    const int files = QDir(mWorkDir.path()).entryList(QDir::Files).size();
    load.Reset();
    load.In("QFileDialog", ChooseFile({}));
    load.In("QFileDialog", ChooseFile({}));
    load.Start();
    Child<QPushButton>(d, "btnLoad")->click();
    Child<QPushButton>(d, "btnSave")->click();
    QVERIFY(load.Done());
    QCOMPARE(d->WConst(), 7990u);
    QCOMPARE(QDir(mWorkDir.path()).entryList(QDir::Files).size(), files);
}

void tst_clbrdlg::oddValuesInRecord()
{
    mDlg = Open();
    CKR_ClbrDlg* d = mDlg.get();
    const QString path = QDir(mWorkDir.path()).filePath(QStringLiteral("odd_Clb.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n<Calibration>\r\n    <Data>\r\n"
        "        <W-Const>abc</W-Const>\r\n        <K-Const> 0x1F40 </K-Const>\r\n"
        "        <L-Const>070</L-Const>\r\n"
        "        <NextCalibration>\r\n            <Date>31/02/2013</Date>\r\n        </NextCalibration>\r\n"
        "        <B6-Const>99999</B6-Const>\r\n        <CANSpeed>7</CANSpeed>\r\n    </Data>\r\n"
        "</Calibration>\r\n");
    file.close();

    Technician load;
    load.In("QFileDialog", ChooseFile(path));
    load.Start();
    Child<QPushButton>(d, "btnLoad")->click();
    QVERIFY(load.Done());
    QCOMPARE(d->WConst(), 7990u);                                         // no number: the value held
    QCOMPARE(d->KConst(), 8000u);                                         // hexadecimal
    QCOMPARE(d->LConst(), 56u);                                           // octal
    QCOMPARE(Child<QDateEdit>(d, "dedNext")->date(), QDate(2013, 5, 17)); // no such day: unchanged
    QCOMPARE(Child<QSpinBox>(d, "speB6Const")->value(), 99999);           // as the record has it,
    QCOMPARE(Child<UnitSpinBox>(d, "speB6Const")->Problem(), QStringLiteral("не более 64255")); // marked
    QCOMPARE(Child<QSpinBox>(d, "speB7Const")->value(), 7000); // missing: unchanged
    QCOMPARE(Child<QComboBox>(d, "cmbCANSpeedometer")->currentText(), QStringLiteral("Нет"));
    // Missing vehicle and unit elements change nothing.
    QCOMPARE(d->VIN(), QStringLiteral("XTA21099070001234"));
    QCOMPARE(d->Options(), 0x2Bu);
    QVERIFY(Child<QCheckBox>(d, "chbImpSensor")->isChecked());
    QVERIFY(Child<QCheckBox>(d, "chbGPSSensor")->isChecked());
}

QTEST_MAIN(tst_clbrdlg)
#include "tst_clbrdlg.moc"
