#include "UnitDialogChecks.h"

#include "dialogs/CKR_VUInfoDlg.h"
#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"
#include "widgets/CKR_GMTSpinBox.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

using P = CKR_HiProt;

namespace {

QByteArray Padded(const QByteArray& aText, int aSize)
{
    return aText + QByteArray(aSize - aText.size(), ' ');
}

const char* const kSentence = "$GPRMC,083015.00,A,5545.1234,N,03739.5678,E,10.0,54.7,250811,,,A*6C";

} // namespace

class tst_vuinfodlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void readShowsEveryValueOfTheUnit();
    void gpsSentence_data();
    void gpsSentence();
    void modemCheckBoxEnablesTheModemFields();
    void pingsFollowTheClockButNotTheZone();
    void writeSendsEveryEditedValue();
    void unchangedFieldsWriteBackTheUnitsBytes();
    void declinedConfirmationWritesNothing();
    void unitWithoutOptionsHasTwoPagesAndEightWrites();
    void rereadRecreatesTheOptionalPages();
    void refusedPositionAndModemTextsStillCompleteTheRead();
    void silentUnitGivesOneErrorAndCloses();
    void noUnitAbandonsConstruction();

private:
    template <class T> T* Find(const char* aName) const { return FindWidget<T>(mDlg.get(), aName); }
    QLineEdit* Edit(const char* aName) const { return Find<QLineEdit>(aName); }
    QPushButton* Button(const char* aName) const { return Find<QPushButton>(aName); }
    QTabWidget* Tabs() const { return Find<QTabWidget>("tabWidget"); }
    CKR_GMTSpinBox* Zone() const { return mDlg->findChild<CKR_GMTSpinBox*>(); }
    QDateTimeEdit* Clock() const { return Find<QDateTimeEdit>("dteVUDateTime"); }
    bool Idle() const { return Button("btnRead")->isEnabled() && Button("btnWrite")->isEnabled(); }
    QStringList TabTitles() const
    {
        QStringList titles;
        for (int i = 0; i < Tabs()->count(); ++i)
            titles << Tabs()->tabText(i);
        return titles;
    }
    void Read();
    void Write(bool aYes);

    UnitFixture mFix;
    Technician mTech;
    std::unique_ptr<CKR_VUInfoDlg> mDlg;
};

void tst_vuinfodlg::initTestCase()
{
    QVERIFY2(mFix.Start(), qPrintable(mFix.unit.ErrorString()));
    mFix.unit.SetRawValue(P::PID_GPSData, Padded(kSentence, 68));
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(0x21, 4)); // modem not in use
    mFix.unit.SetVUClock(QDateTime::currentDateTimeUtc(), -150);
    mDlg = std::make_unique<CKR_VUInfoDlg>();
    QVERIFY(mDlg->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 8000);
}

void tst_vuinfodlg::cleanupTestCase()
{
    mDlg.reset();
}

void tst_vuinfodlg::Read()
{
    mFix.unit.ClearLog();
    Button("btnRead")->click();
    QVERIFY(!Idle());
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), 8000);
}

void tst_vuinfodlg::Write(bool aYes)
{
    mFix.unit.ClearLog();
    mTech.Reset();
    mTech.In("VU_Confirm", mTech.Press(aYes ? "okButton" : "cancelButton"));
    if (aYes) {
        mTech.In("VU_Result", mTech.Press("okButton"));
        mTech.In("QFileDialog", ChooseFile(QString())); // the offered record is not saved here
    }
    mTech.Start();
    Button("btnWrite")->click();
    QTRY_VERIFY_WITH_TIMEOUT(mTech.Done() && Idle(), 8000);
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
}

void tst_vuinfodlg::readShowsEveryValueOfTheUnit()
{
    const auto unitText = [this](int aId) { return mFix.unit.Value(aId).toString().trimmed(); };
    QCOMPARE(Edit("edtVUPartNo")->text(), QString("ВТ-01.02М"));
    QCOMPARE(Edit("edtVUSerNo")->text(), QString("10004027/03 25/07/A1"));
    QCOMPARE(Edit("edtVUSWVer")->text(), QString("1.07"));
    QCOMPARE(Edit("edtVUManufacturer")->text(), unitText(P::PID_VUManufacturer));
    QVERIFY(!Edit("edtVUManufacturer")->text().isEmpty());
    QCOMPARE(Edit("edtVehicleVIN")->text(), QString("XTC65206371234567"));
    QCOMPARE(Edit("edtVehicleRegNo")->text(), QString("A123BC777"));
    QCOMPARE(Edit("edtVehicleTyre")->text(), QString("315/80R22.5"));
    QCOMPARE(Find<QSpinBox>("speVehicleMaxSpeed")->value(), 90);
    QCOMPARE(Find<QDoubleSpinBox>("dseVUHROdometer")->value(), 123456.0);
    QCOMPARE(Zone()->value(), -150);
    QVERIFY(qAbs(Clock()->dateTime().secsTo(mFix.unit.VUClock())) <= 2);
    // The read-only fields look like the window.
    QVERIFY(Edit("edtVUPartNo")->isReadOnly());
    QVERIFY(Edit("edtVUPartNo")->styleSheet().startsWith("background-color: rgba("));

    // Options 0x2B: sensor, receiver and modem, in this order.
    QCOMPARE(TabTitles(), (QStringList{"Тахограф", "Рег.инф.", "Датчик", "ГЛОНАСС", "Модем"}));
    QCOMPARE(Tabs()->currentIndex(), 0);
    QCOMPARE(Edit("edtSnsSerNo")->text(), QString("5012345/11 24/09/A1"));
    QCOMPARE(Edit("edtSnsNumber")->text(), QString("e1-00052"));
    QCOMPARE(Edit("edtSnsPaired")->text(), QString("15/03/2026"));
    QCOMPARE(Edit("edtSnsPaired")->styleSheet(), Edit("edtVUPartNo")->styleSheet());
    QCOMPARE(Edit("edtGPSSpeed")->text(), QString("18 км/ч"));
    QCOMPARE(Edit("edtMdmPIN")->text(), QString("1234"));
    QCOMPARE(Edit("edtMdmAPN")->text(), QString("internet.mts.ru"));
    QCOMPARE(Edit("edtMdmLogin")->text(), QString("mts"));
    QCOMPARE(Edit("edtMdmPassword")->text(), QString("mts"));
    QCOMPARE(Edit("edtMdmGlnURL")->text(), QString("glonass.velmora.ru:20629"));
    QCOMPARE(Edit("edtMdmMonitURL")->text(), QString("monitoring.velmora.ru:8080"));
    QVERIFY(Find<QCheckBox>("chbMdmUpdate")->isChecked());
    QVERIFY(!Find<QCheckBox>("chbModemUsed")->isChecked());
}

void tst_vuinfodlg::gpsSentence_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<QStringList>("shown"); // latitude, longitude, speed, date and time

    // The sentence's texts themselves are the formatters' test; here the four fields show them or clear.
    const QString deg = QString::fromUtf8("\u00B0");
    QTest::newRow("fix") << QString(kSentence)
                         << QStringList{"55" + deg + " 45' 7.404\" с.ш.", "37" + deg + " 39' 34.068\" в.д.",
                                        "18 км/ч", "25/08/2011 08:30:15"};
    QTest::newRow("unit without receiver (empty text)") << "" << QStringList{"", "", "", ""};
}

void tst_vuinfodlg::gpsSentence()
{
    QFETCH(QString, sentence);
    QFETCH(QStringList, shown);
    const QList<QLineEdit*> fields{Edit("edtGPSLatitude"), Edit("edtGPSLongitude"), Edit("edtGPSSpeed"),
                                   Edit("edtGPSDateTime")};
    for (QLineEdit* field : fields)
        field->setText("old");
    mDlg->ApplyValue(P::PID_GPSData, sentence);
    QStringList texts;
    for (QLineEdit* field : fields)
        texts << field->text();
    QCOMPARE(texts, shown);
}

void tst_vuinfodlg::modemCheckBoxEnablesTheModemFields()
{
    auto* used = Find<QCheckBox>("chbModemUsed");
    const QList<QWidget*> fields{Edit("edtMdmAPN"),      Edit("edtMdmLogin"),
                                 Edit("edtMdmPassword"), Find<QCheckBox>("chbMdmUpdate"),
                                 Edit("edtMdmGlnURL"),   Edit("edtMdmMonitURL")};
    Tabs()->setCurrentIndex(4);
    for (QWidget* w : fields)
        QVERIFY(!w->isEnabled());
    QTest::mouseClick(used, Qt::LeftButton, {}, QPoint(10, used->height() / 2));
    QVERIFY(used->isChecked());
    for (QWidget* w : fields)
        QVERIFY(w->isEnabled());
    QVERIFY(!Edit("edtMdmPIN")->isEnabled()); // the PIN is left as the form has it
    QTest::mouseClick(used, Qt::LeftButton, {}, QPoint(10, used->height() / 2));
    for (QWidget* w : fields)
        QVERIFY(!w->isEnabled());
    Tabs()->setCurrentIndex(0);
}

void tst_vuinfodlg::pingsFollowTheClockButNotTheZone()
{
    const QDateTime moved(QDate(2030, 7, 1), QTime(12, 0), Qt::UTC);
    mFix.unit.SetVUClock(moved, 60);
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(Clock()->dateTime().secsTo(mFix.unit.VUClock())) <= 1, 3000);
    QCOMPARE(Zone()->value(), -150);
    // The receiver's page stays current through the pings as well.
    mFix.unit.SetRawValue(P::PID_GPSData,
                          Padded("$GPRMC,101010,A,5545.1234,N,03739.5678,E,20.0,,010130,,,A*00", 68));
    QTRY_COMPARE_WITH_TIMEOUT(Edit("edtGPSDateTime")->text(), QString("01/01/2030 10:10:10"), 3000);
    QCOMPARE(Edit("edtGPSSpeed")->text(), QString("37 км/ч"));
    // A new reading cycle takes the unit's zone again.
    Read();
    QCOMPARE(Zone()->value(), 60);
}

void tst_vuinfodlg::writeSendsEveryEditedValue()
{
    Edit("edtVehicleVIN")->setText("XTA21099070001234");
    Edit("edtVehicleRegNo")->setText("а123вс77");
    Edit("edtVehicleTyre")->setText("295/80 R22,5");
    Find<QSpinBox>("speVehicleMaxSpeed")->setValue(100);
    Find<QDoubleSpinBox>("dseVUHROdometer")->setValue(1234.5);
    const QDateTime target(QDate(2027, 2, 3), QTime(4, 5, 6), Qt::UTC);
    QElapsedTimer sinceEdit;
    sinceEdit.start();
    Clock()->setDateTime(target);
    Zone()->setValue(-210);
    Edit("edtMdmPIN")->setText("4321");
    Edit("edtMdmAPN")->setText("  internet   beeline.ru ");
    Edit("edtMdmLogin")->setText("beeline");
    Edit("edtMdmPassword")->setText("secret");
    Find<QCheckBox>("chbMdmUpdate")->setChecked(false);
    Edit("edtMdmGlnURL")->setText("gln.example.ru/track:1234");
    Edit("edtMdmMonitURL")->setText("mon.example.ru/data:1234");
    Find<QCheckBox>("chbModemUsed")->setChecked(true);

    Write(true);

    QList<int> ids;
    for (const VUSimulator::Request& r : mFix.Writes())
        ids << r.id;
    QCOMPARE(ids, (QList<int>{P::PID_VehicleVIN, P::PID_MemberState, P::PID_VehicleRegNo, P::PID_VehicleTyre,
                              P::PID_VehicleMaxSpeed, P::PID_VUHROdometer, P::PID_VUDateTime, P::PID_MdmPIN,
                              P::PID_MdmAPN, P::PID_MdmLogin, P::PID_MdmPassword, P::PID_MdmUpdate,
                              P::PID_MdmGlnURL, P::PID_MdmMonitURL, P::PID_VUSettings}));
    QCOMPARE(mFix.WrittenValue(P::PID_VehicleVIN), QByteArray("XTA21099070001234"));
    QCOMPARE(mFix.WrittenValue(P::PID_MemberState), QByteArray("RUS"));
    QCOMPARE(mFix.WrittenValue(P::PID_VehicleRegNo), QByteArray("\0A123BC77      ", 15));
    QCOMPARE(mFix.WrittenValue(P::PID_VehicleTyre), QByteArray("295/80 R22,5   "));
    QCOMPARE(mFix.WrittenValue(P::PID_VehicleMaxSpeed), Le(100, 2));
    QCOMPARE(mFix.WrittenValue(P::PID_VUHROdometer), Le(1234500, 4));
    QCOMPARE(mFix.WrittenValue(P::PID_VUDateTime).mid(6), QByteArray("\xE2\xFD", 2)); // -30 min, -3 h
    QCOMPARE(mFix.WrittenValue(P::PID_MdmPIN), QByteArray("4321"));
    QCOMPARE(mFix.WrittenValue(P::PID_MdmAPN), QByteArray("internet beeline.ru"));
    QCOMPARE(mFix.WrittenValue(P::PID_MdmLogin), Padded("beeline", 40));
    QCOMPARE(mFix.WrittenValue(P::PID_MdmPassword), Padded("secret", 40));
    QCOMPARE(mFix.WrittenValue(P::PID_MdmUpdate), Le(0, 1));
    QCOMPARE(mFix.WrittenValue(P::PID_MdmGlnURL), QByteArray("gln.example.ru/track:1234"));
    QCOMPARE(mFix.WrittenValue(P::PID_MdmMonitURL), QByteArray("mon.example.ru/data:1234"));
    QCOMPARE(mFix.WrittenValue(P::PID_VUSettings), Le(0x29, 4)); // 0x21 as read plus the modem bit

    // What the unit keeps now.
    QCOMPARE(mFix.unit.RawValue(P::PID_VehicleVIN), QByteArray("XTA21099070001234"));
    QCOMPARE(mFix.unit.RawValue(P::PID_VUHROdometer), Le(1234500, 4));
    QCOMPARE(mFix.unit.LocalOffset(), -210);
    const QDateTime expected = target.addMSecs(sinceEdit.elapsed());
    QVERIFY2(qAbs(mFix.unit.VUClock().secsTo(expected)) <= 2, qPrintable(mFix.unit.VUClock().toString()));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(Clock()->dateTime().secsTo(mFix.unit.VUClock())) <= 1, 3000);
}

void tst_vuinfodlg::unchangedFieldsWriteBackTheUnitsBytes()
{
    mFix.unit.SetRawValue(P::PID_VUHROdometer, Le(123456789, 4)); // shown as 123456.8 km
    mFix.unit.SetRawValue(P::PID_VehicleRegNo, QByteArray("\x01") + Padded("A123BC777", 14));
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(0xFFFFFFF7u, 4));
    Read();
    QCOMPARE(Find<QDoubleSpinBox>("dseVUHROdometer")->value(), 123456.8);
    QVERIFY(!Find<QCheckBox>("chbModemUsed")->isChecked());
    const QList<int> ids{P::PID_VehicleVIN,   P::PID_VehicleTyre, P::PID_VehicleMaxSpeed, P::PID_VUHROdometer,
                         P::PID_VehicleRegNo, P::PID_MdmPIN,      P::PID_MdmLogin,        P::PID_MdmPassword,
                         P::PID_MdmUpdate,    P::PID_MdmAPN,      P::PID_MdmGlnURL,       P::PID_MdmMonitURL,
                         P::PID_VUSettings};
    QHash<int, QByteArray> before;
    for (int id : ids)
        before[id] = mFix.unit.RawValue(id);

    Write(true);

    for (int id : ids)
        QVERIFY2(mFix.unit.RawValue(id) == before[id], qPrintable(QString::number(id)));
    // Every other bit of the settings goes back as read.
    QCOMPARE(mFix.WrittenValue(P::PID_VUSettings), Le(0xFFFFFFF7u, 4));
}

void tst_vuinfodlg::declinedConfirmationWritesNothing()
{
    const int requestsBefore = mFix.unit.RequestCount();
    Edit("edtVehicleVIN")->setText("WDB9634031L999999");
    Write(false);
    QTest::qWait(1000); // the pings go on; nothing else may reach the unit
    QVERIFY(mFix.unit.RequestCount() > requestsBefore);
    QVERIFY(mFix.Writes().isEmpty());
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
    QCOMPARE(mTech.Seen(), QStringList{"VU_Confirm"});
}

void tst_vuinfodlg::unitWithoutOptionsHasTwoPagesAndEightWrites()
{
    mFix.unit.SetOptions(0);
    mFix.unit.SetRawValue(P::PID_VUSettings, Le(0x2B, 4));
    Read();
    QCOMPARE(TabTitles(), (QStringList{"Тахограф", "Рег.инф."}));
    QVERIFY(!mDlg->findChild<QLineEdit*>("edtMdmAPN"));

    Write(true);
    QCOMPARE(mFix.Writes().size(), 8);
    QCOMPARE(mFix.Writes().last().id, P::PID_VUSettings);
    QCOMPARE(mFix.WrittenValue(P::PID_VUSettings), Le(0x23, 4)); // the modem bit cleared, the rest kept
}

void tst_vuinfodlg::rereadRecreatesTheOptionalPages()
{
    mFix.unit.SetOptions(0x0B);
    Read();
    const QStringList titles{"Тахограф", "Рег.инф.", "Датчик", "ГЛОНАСС", "Модем"};
    QCOMPARE(TabTitles(), titles);
    Tabs()->setCurrentIndex(3);
    Read();
    QCOMPARE(TabTitles(), titles);
    QCOMPARE(Tabs()->currentIndex(), 0);
    QCOMPARE(mDlg->findChildren<QLineEdit*>("edtMdmAPN").size(), 1); // the old pages are gone
    mFix.unit.SetOptions(0x02);
    Read();
    QCOMPARE(TabTitles(), (QStringList{"Тахограф", "Рег.инф.", "ГЛОНАСС"}));
}

void tst_vuinfodlg::refusedPositionAndModemTextsStillCompleteTheRead()
{
    // A unit without a receiver refuses the position; one without a modem refuses its texts.
    mFix.unit.SetOptions(0x0B);
    mFix.unit.SetNegativeReply(P::PID_GPSData, 0x22);
    mFix.unit.SetNegativeReply(P::PID_MdmAPN, 0x31);
    mTech.Reset();
    mTech.Start(); // no steps: any window that comes fails
    Read();
    QCOMPARE(Edit("edtGPSLatitude")->text(), QString());
    QCOMPARE(Edit("edtGPSDateTime")->text(), QString());
    QCOMPARE(Edit("edtMdmAPN")->text(), QString());
    QCOMPARE(Edit("edtMdmLogin")->text(), QString("beeline"));
    QTest::qWait(1500); // the pings of the position go on without an error
    QVERIFY(mDlg->isVisible());
    QVERIFY2(mTech.Failures().isEmpty(), mTech.Report());
    mFix.unit.ClearNegativeReplies();
}

void tst_vuinfodlg::silentUnitGivesOneErrorAndCloses()
{
    CheckSilentUnitGivesOneErrorAndCloses(mFix, mTech, mDlg.get());
    mDlg.reset(); // stops the parked worker
}

void tst_vuinfodlg::noUnitAbandonsConstruction()
{
    CheckNoUnitAbandonsConstruction<CKR_VUInfoDlg>(mTech);
}

int main(int argc, char** argv)
{
    // A Russian workshop PC: the decimal point is a comma.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QApplication app(argc, argv);
    tst_vuinfodlg test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vuinfodlg.moc"
