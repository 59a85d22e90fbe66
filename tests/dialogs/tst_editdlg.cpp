#include "Technician.h"
#include "TextsFit.h"
#include "dialogs/CKR_EditDlg.h"
#include "dialogs/CKR_MeasureDlg.h"
#include "dialogs/CKR_TyreDlg.h"
#include "widgets/UnitNumberBox.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

class tst_editdlg : public QObject
{
    Q_OBJECT

private slots:
    void showsAndReturnsValues();
    void copySetsKToW();
    void valuesAboveRangeCannotBeEntered_data();
    void valuesAboveRangeCannotBeEntered();
    void impulsesWithoutMeasurementAreIgnored();
    void measurementFillsW();
    void cancelledMeasurementLeavesW();
    void tyreCalculatorFillsLAndTyre_data();
    void tyreCalculatorFillsLAndTyre();
    void cancelledTyreCalculatorLeavesL();
    void form();

private:
    static QSpinBox* Spin(QWidget* aDlg, const char* aName)
    {
        return aDlg->findChild<QSpinBox*>(QLatin1String(aName));
    }
    static void Click(QWidget* aDlg, const char* aName)
    {
        auto* button = aDlg->findChild<QPushButton*>(QLatin1String(aName));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

void tst_editdlg::showsAndReturnsValues()
{
    CKR_EditDlg dlg(8000, 7990, 3200, QStringLiteral("295/80 R22,5"));
    dlg.show();
    QCOMPARE(Spin(&dlg, "speKConst")->value(), 8000);
    QCOMPARE(Spin(&dlg, "speWConst")->value(), 7990);
    QCOMPARE(Spin(&dlg, "speLConst")->value(), 3200);

    QSignalSpy finished(&dlg, &QDialog::finished);
    Click(&dlg, "btnWrite");
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    QCOMPARE(dlg.GetKConst(), 8000);
    QCOMPARE(dlg.GetWConst(), 7990);
    QCOMPARE(dlg.GetLConst(), 3200);
    QCOMPARE(dlg.GetTyreSize(), QStringLiteral("295/80 R22,5"));

    dlg.show();
    Click(&dlg, "btnClose");
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toInt(), int(QDialog::Rejected));
}

void tst_editdlg::copySetsKToW()
{
    CKR_EditDlg dlg(8000, 7990, 3200, QString{});
    dlg.show();
    Click(&dlg, "btnCopy");
    QCOMPARE(dlg.GetKConst(), 7990);
    QCOMPARE(dlg.GetWConst(), 7990);
    QCOMPARE(dlg.GetLConst(), 3200);
}

void tst_editdlg::valuesAboveRangeCannotBeEntered_data()
{
    QTest::addColumn<QString>("spin");
    QTest::newRow("W") << "speWConst";
    QTest::newRow("K") << "speKConst";
    QTest::newRow("L") << "speLConst";
}

void tst_editdlg::valuesAboveRangeCannotBeEntered()
{
    QFETCH(QString, spin);
    CKR_EditDlg dlg(70000, 70000, 70000, QString{});
    dlg.show();
    auto* box = dlg.findChild<UnitSpinBox*>(spin);
    QVERIFY(box);
    // A value handed in beyond the range shows as it is, marked.
    QCOMPARE(box->value(), 70000);
    QCOMPARE(box->Problem(), QStringLiteral("не более 64255"));

    // Typed: every keystroke stays, the field says why, and OK refuses naming the field and its range.
    box->setValue(100);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("99999"));
    QTest::keyClick(box, Qt::Key_Enter);
    QCOMPARE(box->Text(), QStringLiteral("99999"));
    QVERIFY(box->toolTip().contains(QStringLiteral("не более 64255")));
    QString notice;
    Technician tech;
    tech.In(QStringLiteral("VU_Error"), tech.Press(QStringLiteral("btnOk"), &notice));
    tech.Start();
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("btnWrite")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(tech.Done(), 5000);
    tech.Stop();
    QVERIFY2(notice.contains(QStringLiteral("«99999»")) && notice.contains(QStringLiteral("от 1 до 64255")),
             qPrintable(notice));
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(dlg.isVisible());
}

void tst_editdlg::impulsesWithoutMeasurementAreIgnored()
{
    CKR_EditDlg dlg(1, 2, 3, QString{});
    dlg.OnImp(1000);
    dlg.OnImp(2000);
    QVERIFY(!dlg.MeasureDlg());
    QCOMPARE(dlg.GetWConst(), 2);
}

void tst_editdlg::measurementFillsW()
{
    CKR_EditDlg dlg(8000, 7990, 3200, QString{});
    dlg.show();
    dlg.OnImp(500); // before the measurement: dropped

    Click(&dlg, "btnMesure");
    QPointer<CKR_MeasureDlg> measure = dlg.MeasureDlg();
    QVERIFY(measure);
    QVERIFY(measure->isVisible());
    QVERIFY(measure->isModal());
    QCOMPARE(measure->parent(), &dlg);
    QVERIFY(!dlg.isVisible());

    // The impulse counter reaches the measurement through the editor.
    dlg.OnImp(1000);
    Click(measure, "btnStartStop");
    dlg.OnImp(1100);
    dlg.OnImp(1250);
    Click(measure, "btnStartStop");
    Click(measure, "btnAdd");
    Click(measure, "btnOK");

    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.MeasureDlg());
    QCOMPARE(dlg.GetWConst(), 12500);
    QCOMPARE(dlg.GetKConst(), 8000);
    QCOMPARE(dlg.GetLConst(), 3200);
    FlushDeletes();
    QVERIFY(!measure);
}

void tst_editdlg::cancelledMeasurementLeavesW()
{
    CKR_EditDlg dlg(8000, 7990, 3200, QString{});
    dlg.show();
    Click(&dlg, "btnMesure");
    QPointer<CKR_MeasureDlg> measure = dlg.MeasureDlg();
    QVERIFY(measure);
    dlg.OnImp(0);
    Click(measure, "btnStartStop");
    dlg.OnImp(250);
    Click(measure, "btnStartStop");
    Click(measure, "btnAdd");
    Click(measure, "btnCancel");

    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.GetWConst(), 7990);
    FlushDeletes();
    QVERIFY(!measure);
}

void tst_editdlg::tyreCalculatorFillsLAndTyre_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("length");
    QTest::newRow("metric") << "315/70R22.5" << 3181;
    QTest::newRow("diameter with blanks kept") << " 1040 " << 3267;
    QTest::newRow("inch") << "33x12,5R15" << 2633;
}

void tst_editdlg::tyreCalculatorFillsLAndTyre()
{
    QFETCH(QString, typed);
    QFETCH(int, length);

    CKR_EditDlg dlg(8000, 7990, 3200, QStringLiteral("295/80 R22,5"));
    dlg.show();
    Click(&dlg, "btnTyre");
    QPointer<CKR_TyreDlg> tyre = dlg.TyreDlg();
    QVERIFY(tyre);
    QVERIFY(tyre->isVisible());
    QVERIFY(tyre->isModal());
    QVERIFY(!dlg.isVisible());
    auto* edit = tyre->findChild<QLineEdit*>(QStringLiteral("edtTyre"));
    QCOMPARE(edit->text(), QStringLiteral("295/80 R22,5"));

    edit->clear();
    QTest::keyClicks(edit, typed);
    Click(tyre, "btnOK");

    QVERIFY(dlg.isVisible());
    QVERIFY(!dlg.TyreDlg());
    QCOMPARE(dlg.GetLConst(), length);
    QCOMPARE(dlg.GetTyreSize(), typed);
    QCOMPARE(dlg.GetWConst(), 7990);
    FlushDeletes();
    QVERIFY(!tyre);
}

void tst_editdlg::cancelledTyreCalculatorLeavesL()
{
    CKR_EditDlg dlg(8000, 7990, 3200, QStringLiteral("old"));
    dlg.show();
    Click(&dlg, "btnTyre");
    QPointer<CKR_TyreDlg> tyre = dlg.TyreDlg();
    QVERIFY(tyre);
    // Not recognised: OK is disabled and a click does nothing.
    QVERIFY(!tyre->findChild<QPushButton*>(QStringLiteral("btnOK"))->isEnabled());
    Click(tyre, "btnOK");
    QVERIFY(tyre->isVisible());

    tyre->findChild<QLineEdit*>(QStringLiteral("edtTyre"))->setText(QStringLiteral("1040"));
    Click(tyre, "btnCancel");
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.GetLConst(), 3200);
    QCOMPARE(dlg.GetTyreSize(), QStringLiteral("old"));
    FlushDeletes();
    QVERIFY(!tyre);
}

void tst_editdlg::form()
{
    CKR_EditDlg dlg(0, 0, 0, QString{});
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Вестра:Вельмора. v1.0"));
    QCOMPARE(dlg.size(), QSize(540, 200));
    QCOMPARE(dlg.minimumSize(), dlg.maximumSize());
    QCOMPARE(dlg.font().pointSize(), 18);
    QCOMPARE(ClippedTexts(&dlg).join(QLatin1Char(' ')), QString());
}

QTEST_MAIN(tst_editdlg)
#include "tst_editdlg.moc"
