#include "TestScreen.h"
#include "widgets/CANSpeedList.h"
#include "widgets/CKR_GMTSpinBox.h"
#include "widgets/CKR_ProgressBox.h"

#include <QComboBox>
#include <QDialog>
#include <QLoggingCategory>
#include <QPointer>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

namespace {
const QRect kScreen(50, 30, 1200, 900);

// Opens the protected overrides to the tests.
class SpinBox : public CKR_GMTSpinBox
{
public:
    using CKR_GMTSpinBox::textFromValue;
    using CKR_GMTSpinBox::validate;
    using CKR_GMTSpinBox::valueFromText;
};

QPoint CentredOn(const QRect& aArea, const QSize& aSize)
{
    return {qMax(0, aArea.x() + aArea.width() / 2 - aSize.width() / 2),
            qMax(0, aArea.y() + aArea.height() / 2 - aSize.height() / 2)};
}
} // namespace

Q_DECLARE_METATYPE(QValidator::State)

class tst_sharedwidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The debug lines of the spin box are wanted in the program, not in this log.
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), kScreen);
    }

    void spinBoxSettings()
    {
        SpinBox spin;
        QCOMPARE(spin.minimum(), -1410);
        QCOMPARE(spin.maximum(), 1410);
        QCOMPARE(spin.value(), 240);
        QCOMPARE(spin.text(), QStringLiteral("+4:00"));
        QCOMPARE(spin.singleStep(), 30);
        QCOMPARE(spin.minimumSize(), QSize(0, 40));
    }

    void spinBoxValidate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QValidator::State>("state");
        const auto ok = QValidator::Acceptable;
        const auto more = QValidator::Intermediate;
        const auto bad = QValidator::Invalid;
        QTest::newRow("+4:00") << "+4:00" << ok;
        QTest::newRow("-0:30") << "-0:30" << ok;
        QTest::newRow("7") << "7" << ok;
        QTest::newRow("+23:59") << "+23:59" << ok;
        QTest::newRow("1:2") << "1:2" << ok;
        QTest::newRow("-12") << "-12" << ok;
        QTest::newRow("1:") << "1:" << more;
        QTest::newRow("+") << "+" << more;
        QTest::newRow("empty") << "" << more;
        QTest::newRow(":30") << ":30" << more;
        QTest::newRow("-:") << "-:" << more;
        QTest::newRow("12:345") << "12:345" << bad;
        QTest::newRow("123") << "123" << more;
        QTest::newRow("++1") << "++1" << bad;
        QTest::newRow("1::2") << "1::2" << bad;
        QTest::newRow("letters") << "abc" << bad;
        QTest::newRow("blank inside") << "1 :30" << bad;
        QTest::newRow("trailing text") << "4:00h" << bad;
        QTest::newRow("leading text") << "x4:00" << bad;
        QTest::newRow("dot") << "4.30" << bad;
        // Beyond the range: refused, never turned into +23:30.
        QTest::newRow("+24") << "+24" << bad;
        QTest::newRow("-24:00") << "-24:00" << bad;
        QTest::newRow("-23:45") << "-23:45" << ok;
    }

    void spinBoxValidate()
    {
        QFETCH(QString, text);
        QFETCH(QValidator::State, state);
        SpinBox spin;
        int pos = text.size();
        QCOMPARE(spin.validate(text, pos), state);
    }

    void spinBoxValueFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes");
        QTest::newRow("+3:20") << "+3:20" << 210;
        QTest::newRow("3:14") << "3:14" << 180;
        QTest::newRow("3:15") << "3:15" << 210;
        QTest::newRow("-5:45") << "-5:45" << -330;
        QTest::newRow("-0:30") << "-0:30" << -30;
        QTest::newRow("-0:14") << "-0:14" << 0;
        QTest::newRow("7") << "7" << 420;
        QTest::newRow("-7") << "-7" << -420;
        QTest::newRow("+23:59") << "+23:59" << 1410;
        QTest::newRow("1:") << "1:" << 60;
        QTest::newRow("blanks") << " +4:00 " << 240;
        QTest::newRow("not a number") << "x" << 0;
        QTest::newRow("colon first") << ":30" << 0;
        QTest::newRow("no overflow") << "99999999999" << 0;
    }

    void spinBoxValueFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        SpinBox spin;
        QCOMPARE(spin.valueFromText(text), minutes);
    }

    void spinBoxTextFromValue_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("text");
        QTest::newRow("240") << 240 << "+4:00";
        QTest::newRow("0") << 0 << "+0:00";
        QTest::newRow("-30") << -30 << "-0:30";
        QTest::newRow("-1410") << -1410 << "-23:30";
        QTest::newRow("1410") << 1410 << "+23:30";
        QTest::newRow("345") << 345 << "+5:45";
        QTest::newRow("-5") << -5 << "-0:05";
    }

    void spinBoxTextFromValue()
    {
        QFETCH(int, minutes);
        QFETCH(QString, text);
        SpinBox spin;
        QCOMPARE(spin.textFromValue(minutes), text);
    }

    // What a technician types, confirmed with Enter.
    void spinBoxTyping_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("-0:30") << "-0:30" << -30 << "-0:30";
        QTest::newRow("+23:59") << "+23:59" << 1410 << "+23:30";
        QTest::newRow("3:14") << "3:14" << 180 << "+3:00";
        QTest::newRow("7") << "7" << 420 << "+7:00";
        // The key that would go beyond the range is refused (with a hint), never turned into -23:30.
        QTest::newRow("beyond range") << "-99" << -540 << "-9:00";
        QTest::newRow("extra minute digit dropped") << "12:345" << 750 << "+12:30";
    }

    void spinBoxTyping()
    {
        QFETCH(QString, typed);
        QFETCH(int, value);
        QFETCH(QString, shown);
        SpinBox spin;
        spin.show();
        QVERIFY(QTest::qWaitForWindowExposed(&spin));
        spin.selectAll();
        QTest::keyClicks(&spin, typed);
        QTest::keyClick(&spin, Qt::Key_Return);
        QCOMPARE(spin.value(), value);
        QCOMPARE(spin.text(), shown);
    }

    void spinBoxStepping_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("value");
        QTest::newRow("up from +23:00") << 1380 << 1 << 1410;
        QTest::newRow("up past the top") << 1380 << 3 << 1410;
        QTest::newRow("down from -23:00") << -1380 << -1 << -1410;
        QTest::newRow("down past the bottom") << -1380 << -3 << -1410;
        QTest::newRow("through zero") << 30 << -2 << -30;
    }

    void spinBoxStepping()
    {
        QFETCH(int, start);
        QFETCH(int, steps);
        QFETCH(int, value);
        SpinBox spin;
        spin.show();
        QVERIFY(QTest::qWaitForWindowExposed(&spin));
        spin.setValue(start);
        for (int i = 0; i < qAbs(steps); ++i)
            QTest::keyClick(&spin, steps > 0 ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(spin.value(), value);
        QCOMPARE(spin.text(), spin.textFromValue(value));
    }

    void spinBoxDiagnostics()
    {
        SpinBox spin;
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=true"));
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^CKR_GMTSpinBox::validate: .*-0:30")));
        QTest::ignoreMessage(QtDebugMsg, "valueFromText (+3:20)");
        QTest::ignoreMessage(QtDebugMsg, "textFromValue (-30)");
        QString text = QStringLiteral("-0:30");
        int pos = 0;
        spin.validate(text, pos);
        spin.valueFromText(QStringLiteral("+3:20"));
        spin.textFromValue(-30);
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    }

    void canSpeedList()
    {
        QComboBox combo;
        combo.addItem(QStringLiteral("left over"), 99);
        combo.addItem(QStringLiteral("from before"), 98);
        FillCANSpeedList(&combo);
        const QStringList texts = {QStringLiteral("Нет"), QStringLiteral("256 kbps"),
                                   QStringLiteral("512 kbps"), QStringLiteral("1 Mbps")};
        const QList<int> codes = {0, 8, 9, 10};
        QCOMPARE(combo.count(), 4);
        for (int i = 0; i < combo.count(); ++i) {
            QCOMPARE(combo.itemText(i), texts.at(i));
            QCOMPARE(combo.itemData(i).toInt(), codes.at(i));
        }
        // Filling twice keeps four items.
        FillCANSpeedList(&combo);
        QCOMPARE(combo.count(), 4);
    }

    void canSpeedSelect_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        // Values from the unit arrive as unsigned 64-bit integers.
        QTest::newRow("512 from the unit") << QVariant::fromValue<qulonglong>(9) << 2 << 9;
        QTest::newRow("1 Mbps from the unit") << QVariant::fromValue<qulonglong>(10) << 3 << 10;
        QTest::newRow("256 as int") << QVariant(8) << 1 << 8;
        QTest::newRow("none") << QVariant::fromValue<qulonglong>(0) << 0 << 0;
        QTest::newRow("unknown code") << QVariant::fromValue<qulonglong>(7) << 0 << 0;
        QTest::newRow("invalid") << QVariant() << 0 << 0;
    }

    void canSpeedSelect()
    {
        QFETCH(QVariant, value);
        QFETCH(int, index);
        QFETCH(int, code);
        QComboBox combo;
        FillCANSpeedList(&combo);
        combo.setCurrentIndex(3);
        if (index == 3)
            combo.setCurrentIndex(1);
        SelectCANSpeed(&combo, value);
        QCOMPARE(combo.currentIndex(), index);
        QCOMPARE(CANSpeedValue(&combo).toInt(), code);
    }

    void progressBoxWindow()
    {
        QDialog owner;
        CKR_ProgressBox box(&owner);
        QWidget* window = box.Window();
        QCOMPARE(window->parentWidget(), &owner);
        QVERIFY(window->isWindow());
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY((window->windowFlags() & Qt::WindowType_Mask) == Qt::Tool);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->size(), QSize(400, 29));
        QCOMPARE(window->minimumSize(), QSize(400, 29));
        QCOMPARE(window->maximumSize(), QSize(400, 29));
        QVERIFY(!box.Bar()->isTextVisible());
        QCOMPARE(box.Bar()->font().pointSize(), 18);
    }

    void progressBoxCentredOnScreen()
    {
        QDialog owner; // never shown
        CKR_ProgressBox box(&owner);
        box.Start(15);
        QVERIFY(box.Window()->isVisible());
        QCOMPARE(box.Window()->pos(), CentredOn(kScreen, QSize(400, 29)));
        QCOMPARE(box.Bar()->minimum(), 0);
        QCOMPARE(box.Bar()->maximum(), 15);
        QCOMPARE(box.Bar()->value(), 0);
    }

    void progressBoxCentredOnOwner_data()
    {
        QTest::addColumn<QRect>("ownerGeometry");
        QTest::newRow("middle") << QRect(300, 200, 640, 480);
        QTest::newRow("odd size") << QRect(71, 93, 511, 333);
        QTest::newRow("narrower than the bar") << QRect(60, 40, 200, 100);
    }

    void progressBoxCentredOnOwner()
    {
        QFETCH(QRect, ownerGeometry);
        QDialog owner;
        owner.setGeometry(ownerGeometry);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        CKR_ProgressBox box(&owner);
        box.Start(3);
        QCOMPARE(box.Window()->pos(), CentredOn(owner.frameGeometry(), QSize(400, 29)));
    }

    void progressBoxCounting()
    {
        QDialog owner;
        CKR_ProgressBox box(&owner);
        box.Start(3);
        box.Step();
        QCOMPARE(box.Bar()->value(), 1);
        box.Step(1);
        QCOMPARE(box.Bar()->value(), 2);
        // More successes than announced keep the bar full.
        box.Step(5);
        QCOMPARE(box.Bar()->value(), 3);
        box.SetValue(1);
        QCOMPARE(box.Bar()->value(), 1);
        box.SetValue(10);
        QCOMPARE(box.Bar()->value(), 3);
        box.Hide();
        QVERIFY(!box.Window()->isVisible());
        // A new cycle starts from zero again.
        box.Start(2);
        QCOMPARE(box.Bar()->value(), 0);
        QCOMPARE(box.Bar()->maximum(), 2);
        QVERIFY(box.Window()->isVisible());
    }

    // The dialog's children go with it; a box that outlives its dialog must stay harmless.
    void progressBoxOutlivesOwner()
    {
        auto owner = std::make_unique<QDialog>();
        CKR_ProgressBox box(owner.get());
        const QPointer<QWidget> window = box.Window();
        owner.reset();
        QVERIFY(window.isNull());
        box.Start(4);
        box.Step();
        box.SetValue(2);
        box.Hide();
        QVERIFY(box.Window() == nullptr);
    }
};

VELMORA_TEST_MAIN_WITH_SCREEN(tst_sharedwidgets, kScreen)
#include "tst_sharedwidgets.moc"
