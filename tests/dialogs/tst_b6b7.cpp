#include "TextsFit.h"
#include "dialogs/CKR_B6B7Dlg.h"
#include "widgets/UnitNumberBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <memory>

// The live inputs are timed: each test waits for the 300 ms pause to pass and then checks what was
// announced. The waits are generous so that a slow (sanitizer) build does not make them flaky; the
// "nothing more" checks wait well past the pause.
class tst_b6b7 : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void constructionAnnouncesCanSpeed();
    void burstOfChangesGivesOneEmission_data();
    void burstOfChangesGivesOneEmission();
    void inputsHaveTheirOwnTimers();
    void canSelectionAnnouncesCode();
    void settersStartTimersOnlyOnChange();
    void settersUseLowBitsAndRange();
    void recommendedValues_data();
    void recommendedValues();
    void recommendedFollowTimers();
    void copyTakesRecommended();
    void nothingAnnouncedAfterFinish_data();
    void nothingAnnouncedAfterFinish();
    void gettersAfterOk();
    void typedValueWithEnterKeepsDialogOpen();
    void form();

private:
    QSpinBox* Spin(const char* aName) const { return mDlg->findChild<QSpinBox*>(QLatin1String(aName)); }
    UnitSpinBox* Field(const char* aName) const
    {
        return mDlg->findChild<UnitSpinBox*>(QLatin1String(aName));
    }
    QString Text(const char* aName) const
    {
        return mDlg->findChild<QLineEdit*>(QLatin1String(aName))->text();
    }
    QComboBox* Can() const { return mDlg->findChild<QComboBox*>(QStringLiteral("cmbCANSpeedometer")); }
    // Lets the pending announcements (at least the construction's CAN one) pass and starts recording.
    void SettleAndSpy();
    // Emissions for aId recorded so far.
    QList<QVariant> Values(CKR_HiProt::T_ParamId aId) const;

    std::unique_ptr<CKR_B6B7Dlg> mDlg;
    std::unique_ptr<QSignalSpy> mSpy;
};

void tst_b6b7::init()
{
    mDlg = std::make_unique<CKR_B6B7Dlg>();
    mDlg->show();
}

void tst_b6b7::cleanup()
{
    mSpy.reset();
    mDlg.reset();
}

void tst_b6b7::SettleAndSpy()
{
    mSpy = std::make_unique<QSignalSpy>(mDlg.get(), &CKR_B6B7Dlg::ValueChanged);
    QTRY_VERIFY_WITH_TIMEOUT(mSpy->count() >= 1, 5000);
    QTest::qWait(350); // any other timer started with the first one
    mSpy->clear();
}

QList<QVariant> tst_b6b7::Values(CKR_HiProt::T_ParamId aId) const
{
    QList<QVariant> values;
    for (const QList<QVariant>& args : *mSpy) {
        if (args.at(0).toInt() == aId)
            values << args.at(1);
    }
    return values;
}

void tst_b6b7::constructionAnnouncesCanSpeed()
{
    QSignalSpy spy(mDlg.get(), &CKR_B6B7Dlg::ValueChanged);
    QCOMPARE(spy.count(), 0); // not before the pause
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    QCOMPARE(spy.at(0).at(0).toInt(), CKR_HiProt::PID_CANSpeedometer);
    QCOMPARE(spy.at(0).at(1).toInt(), 0);
    QTest::qWait(450);
    QCOMPARE(spy.count(), 1);
}

void tst_b6b7::burstOfChangesGivesOneEmission_data()
{
    QTest::addColumn<QString>("spin");
    QTest::addColumn<int>("id");
    QTest::newRow("B6") << "speB6Const" << CKR_HiProt::PID_B6Const;
    QTest::newRow("B7") << "speB7Const" << CKR_HiProt::PID_B7Const;
    QTest::newRow("speed") << "speSpeed" << CKR_HiProt::PID_Speed;
}

void tst_b6b7::burstOfChangesGivesOneEmission()
{
    QFETCH(QString, spin);
    QFETCH(int, id);
    SettleAndSpy();
    QSpinBox* box = Spin(spin.toLatin1().constData());

    box->setValue(100);
    QTest::qWait(20);
    box->setValue(120);
    QTest::qWait(20);
    box->setValue(140);
    QCOMPARE(mSpy->count(), 0);

    QTRY_COMPARE_WITH_TIMEOUT(mSpy->count(), 1, 5000);
    QTest::qWait(450);
    QCOMPARE(mSpy->count(), 1);
    QCOMPARE(mSpy->at(0).at(0).toInt(), id);
    const QVariant value = mSpy->at(0).at(1);
    QCOMPARE(value.metaType(), QMetaType::fromType<int>());
    QCOMPARE(value.toInt(), 140);
}

void tst_b6b7::inputsHaveTheirOwnTimers()
{
    SettleAndSpy();
    Spin("speB6Const")->setValue(8000);
    Spin("speB7Const")->setValue(8100);
    Spin("speSpeed")->setValue(60);
    Spin("speB6Const")->setValue(8001);
    QTRY_COMPARE_WITH_TIMEOUT(mSpy->count(), 3, 5000);
    QTest::qWait(450);
    QCOMPARE(mSpy->count(), 3);
    QCOMPARE(Values(CKR_HiProt::PID_B6Const), QList<QVariant>{8001});
    QCOMPARE(Values(CKR_HiProt::PID_B7Const), QList<QVariant>{8100});
    QCOMPARE(Values(CKR_HiProt::PID_Speed), QList<QVariant>{60});
}

void tst_b6b7::canSelectionAnnouncesCode()
{
    SettleAndSpy();
    Can()->setCurrentIndex(Can()->findText(QStringLiteral("1 Mbps")));
    QCOMPARE(mSpy->count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(mSpy->count(), 1, 5000);
    QCOMPARE(mSpy->at(0).at(0).toInt(), CKR_HiProt::PID_CANSpeedometer);
    QCOMPARE(mSpy->at(0).at(1).toInt(), 10);
}

void tst_b6b7::settersStartTimersOnlyOnChange()
{
    // As the calibration dialog does it: values set before the dialog is shown, the CAN code as read
    // from the VU (an unsigned 64-bit variant).
    CKR_B6B7Dlg dlg;
    QSignalSpy spy(&dlg, &CKR_B6B7Dlg::ValueChanged);
    dlg.SetSpeed(0);
    dlg.SetB6Const(8000);
    dlg.SetB7Const(0);
    dlg.SetCANSpeed(QVariant(quint64(9)));
    dlg.show();
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
    QTest::qWait(450);
    QCOMPARE(spy.count(), 2);
    QMap<int, int> announced;
    for (const QList<QVariant>& args : spy)
        announced.insert(args.at(0).toInt(), args.at(1).toInt());
    QCOMPARE(announced.value(CKR_HiProt::PID_B6Const, -1), 8000);
    QCOMPARE(announced.value(CKR_HiProt::PID_CANSpeedometer, -1), 9);
}

void tst_b6b7::settersUseLowBitsAndRange()
{
    SettleAndSpy();
    mDlg->SetSpeed(0x100 + 60);
    QCOMPARE(mDlg->GetSpeed(), 60);
    // Beyond the form's limits a value stays as it is, marked, and is not announced to the unit.
    mDlg->SetSpeed(255);
    QCOMPARE(mDlg->GetSpeed(), 255);
    QCOMPARE(Field("speSpeed")->Problem(), QStringLiteral("не более 250"));
    mDlg->SetB6Const(0x10000 + 8000);
    QCOMPARE(mDlg->GetB6Const(), 8000);
    mDlg->SetB7Const(65535);
    QCOMPARE(mDlg->GetB7Const(), 65535);
    QCOMPARE(Field("speB7Const")->Problem(), QStringLiteral("не более 64255"));
    mDlg->SetCANSpeed(QVariant(quint64(10)));
    QCOMPARE(mDlg->GetCANSpeed().toInt(), 10);
    mDlg->SetCANSpeed(QVariant(quint64(7))); // unknown code: "Нет"
    QCOMPARE(Can()->currentText(), QStringLiteral("Нет"));
    QCOMPARE(mDlg->GetCANSpeed().toInt(), 0);

    // A typed value above the range stays as typed, every keystroke, and is refused.
    QSpinBox* speed = Spin("speSpeed");
    speed->selectAll();
    QTest::keyClicks(speed, QStringLiteral("300"));
    QTest::keyClick(speed, Qt::Key_Enter);
    QCOMPARE(Field("speSpeed")->Text(), QStringLiteral("300"));
    QCOMPARE(Field("speSpeed")->Problem(), QStringLiteral("не более 250"));
    QTest::qWait(400);
    QVERIFY(Values(CKR_HiProt::PID_Speed).isEmpty());
    QVERIFY(Values(CKR_HiProt::PID_B7Const).isEmpty());
}

void tst_b6b7::recommendedValues_data()
{
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("b6");
    QTest::addColumn<int>("b7");
    QTest::addColumn<QString>("b6Recommended");
    QTest::addColumn<QString>("b7Recommended");
    QTest::newRow("60 shown as 50") << 60 << 50 << 8000 << 8000 << "9600"
                                    << "9600";
    QTest::newRow("60 shown as 45") << 60 << 45 << 7993 << 8000 << "10657"
                                    << "10667";
    QTest::newRow("rounded half up") << 3 << 2 << 1 << 3 << "2"
                                     << "5";
    QTest::newRow("shown 0") << 60 << 0 << 8000 << 8000 << "0"
                             << "0";
    QTest::newRow("speed 0") << 0 << 50 << 8000 << 8000 << "0"
                             << "0";
    QTest::newRow("beyond the spin box range") << 250 << 1 << 64255 << 1 << "16063750"
                                               << "250";
}

void tst_b6b7::recommendedValues()
{
    QFETCH(int, speed);
    QFETCH(int, shown);
    QFETCH(int, b6);
    QFETCH(int, b7);
    QFETCH(QString, b6Recommended);
    QFETCH(QString, b7Recommended);

    Spin("speSpeed")->setValue(speed);
    Spin("speB6Const")->setValue(b6);
    Spin("speB7Const")->setValue(b7);
    Spin("speSpeedReal")->setValue(shown == 1 ? 2 : 1); // make sure the next value is a change
    Spin("speSpeedReal")->setValue(shown);
    QCOMPARE(Text("edtB6Recomend"), b6Recommended);
    QCOMPARE(Text("edtB7Recomend"), b7Recommended);
}

void tst_b6b7::recommendedFollowTimers()
{
    Spin("speSpeed")->setValue(60);
    Spin("speB6Const")->setValue(8000);
    Spin("speB7Const")->setValue(8000);
    Spin("speSpeedReal")->setValue(50);
    QCOMPARE(Text("edtB6Recomend"), QStringLiteral("9600"));

    // A new test speed counts once it has been announced.
    SettleAndSpy();
    Spin("speSpeed")->setValue(100);
    QCOMPARE(Text("edtB6Recomend"), QStringLiteral("9600"));
    QTRY_COMPARE_WITH_TIMEOUT(Text("edtB6Recomend"), QStringLiteral("16000"), 5000);
    QCOMPARE(Values(CKR_HiProt::PID_Speed), QList<QVariant>{100});

    Spin("speSpeedReal")->setValue(0);
    QCOMPARE(Text("edtB6Recomend"), QStringLiteral("0"));
    QCOMPARE(Text("edtB7Recomend"), QStringLiteral("0"));
}

void tst_b6b7::copyTakesRecommended()
{
    Spin("speSpeed")->setValue(60);
    Spin("speB6Const")->setValue(8000);
    Spin("speB7Const")->setValue(7000);
    Spin("speSpeedReal")->setValue(50);
    SettleAndSpy();

    QTest::mouseClick(mDlg->findChild<QPushButton*>(QStringLiteral("btnCopy")), Qt::LeftButton);
    QCOMPARE(mDlg->GetB6Const(), 9600);
    QCOMPARE(mDlg->GetB7Const(), 8400);
    QTRY_COMPARE_WITH_TIMEOUT(mSpy->count(), 2, 5000);
    QCOMPARE(Values(CKR_HiProt::PID_B6Const), QList<QVariant>{9600});
    QCOMPARE(Values(CKR_HiProt::PID_B7Const), QList<QVariant>{8400});

    // A recommendation beyond the range is shown as it is, marked, and not sent: never cut to another
    // number.
    Spin("speSpeed")->setValue(250);
    Spin("speB6Const")->setValue(64255);
    Spin("speSpeedReal")->setValue(1);
    Spin("speSpeedReal")->setValue(2);
    QCOMPARE(Text("edtB6Recomend"), QStringLiteral("8031875"));
    QTRY_COMPARE_WITH_TIMEOUT(Values(CKR_HiProt::PID_B6Const).size(), 2, 5000);
    QTest::mouseClick(mDlg->findChild<QPushButton*>(QStringLiteral("btnCopy")), Qt::LeftButton);
    QCOMPARE(Field("speB6Const")->Text(), QStringLiteral("8031875"));
    QCOMPARE(Field("speB6Const")->Problem(), QStringLiteral("не более 64255"));
    QTest::qWait(400);
    QCOMPARE(Values(CKR_HiProt::PID_B6Const), (QList<QVariant>{9600, 64255}));
}

void tst_b6b7::nothingAnnouncedAfterFinish_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("OK") << "btnOK";
    QTest::newRow("Отмена") << "btnClose";
}

// The opener restores the VU's stored values when the dialog finishes; a pending test value must not
// follow them.
void tst_b6b7::nothingAnnouncedAfterFinish()
{
    QFETCH(QString, button);
    SettleAndSpy();
    QSignalSpy finished(mDlg.get(), &QDialog::finished);
    Spin("speB6Const")->setValue(5000);
    Spin("speSpeed")->setValue(40);
    Can()->setCurrentIndex(2);
    QTest::mouseClick(mDlg->findChild<QPushButton*>(button), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QTest::qWait(700);
    QCOMPARE(mSpy->count(), 0);
}

void tst_b6b7::gettersAfterOk()
{
    mDlg->SetSpeed(40);
    mDlg->SetB6Const(8000);
    mDlg->SetB7Const(8200);
    mDlg->SetCANSpeed(QVariant(quint64(8)));
    Spin("speB7Const")->setValue(8300);
    QSignalSpy finished(mDlg.get(), &QDialog::finished);
    QTest::mouseClick(mDlg->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    QCOMPARE(mDlg->GetSpeed(), 40);
    QCOMPARE(mDlg->GetB6Const(), 8000);
    QCOMPARE(mDlg->GetB7Const(), 8300);
    QCOMPARE(mDlg->GetCANSpeed().toInt(), 8);
}

// Trying values is typing a number and pressing Enter; that must not end the live test.
void tst_b6b7::typedValueWithEnterKeepsDialogOpen()
{
    SettleAndSpy();
    QSignalSpy finished(mDlg.get(), &QDialog::finished);
    QSpinBox* b6 = Spin("speB6Const");
    mDlg->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(mDlg.get()));
    b6->setFocus();
    b6->selectAll();
    QTest::keyClicks(b6, QStringLiteral("8123"));
    QTest::keyClick(b6, Qt::Key_Return);
    QTest::keyClick(b6, Qt::Key_Enter);
    QCOMPARE(finished.count(), 0);
    QVERIFY(mDlg->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(mSpy->count(), 1, 5000);
    QCOMPARE(Values(CKR_HiProt::PID_B6Const), QList<QVariant>{8123});
}

void tst_b6b7::form()
{
    QCOMPARE(mDlg->windowTitle(), QStringLiteral("Вестра:Вельмора. v1.0"));
    QCOMPARE(mDlg->size(), QSize(610, 250));
    QCOMPARE(mDlg->minimumSize(), mDlg->maximumSize());
    QCOMPARE(mDlg->font().pointSize(), 18);
    QCOMPARE(ClippedTexts(mDlg.get()).join(QLatin1Char(' ')), QString());
    QComboBox* can = Can();
    QCOMPARE(can->count(), 4);
    const QStringList texts{"Нет", "256 kbps", "512 kbps", "1 Mbps"};
    const QList<int> codes{0, 8, 9, 10};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(can->itemText(i), texts[i]);
        QCOMPARE(can->itemData(i).toInt(), codes[i]);
    }
    QVERIFY(mDlg->findChild<QLineEdit*>(QStringLiteral("edtB6Recomend"))->isReadOnly());
    QVERIFY(mDlg->findChild<QLineEdit*>(QStringLiteral("edtB7Recomend"))->isReadOnly());
}

QTEST_MAIN(tst_b6b7)
#include "tst_b6b7.moc"
