#include "TextsFit.h"
#include "dialogs/CKR_TyreDlg.h"
#include "dialogs/TyreCircumference.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

namespace {
const QString kNotRead = QStringLiteral("Размер не распознан. Образцы:\n");
}

class tst_tyre : public QObject
{
    Q_OBJECT

private slots:
    void circumference_data();
    void circumference();
    void commaLocale_data();
    void commaLocale();
    void infoClearedWhenNotRecognised();
    void dialogShowsResultOfInitialText();
    void dialogFollowsTyping();
    void dialogForm();
    void notReadSaysWhatIs();
    void okAndCancel();
};

void tst_tyre::circumference_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("info");

    const QString diameter = QStringLiteral("Диаметр шины. L = %1мм");
    const QString metric = QStringLiteral("Метрическая маркировка. L = %1мм");
    const QString inch = QStringLiteral("Дюймовая маркировка. L = %1мм");
    const QString turns = QStringLiteral("%1 оборотов колеса. L = %2мм");

    // Wheel diameter in mm.
    QTest::newRow("1040") << "1040" << 3267 << diameter.arg(3267);
    QTest::newRow("blanks around") << " 1040 " << 3267 << diameter.arg(3267);
    QTest::newRow("three digits") << "100" << 314 << diameter.arg(314);
    QTest::newRow("9999") << "9999" << 31413 << diameter.arg(31413);
    QTest::newRow("zero diameter") << "0000" << -1 << QString();
    QTest::newRow("two digits") << "99" << -1 << QString();
    QTest::newRow("five digits") << "12345" << -1 << QString();
    QTest::newRow("inner blank") << "1 040" << -1 << QString();
    QTest::newRow("trailing letter") << "1040a" << -1 << QString();
    QTest::newRow("leading letter") << "a1040" << -1 << QString();
    QTest::newRow("empty") << "" << -1 << QString();
    QTest::newRow("blanks only") << "   " << -1 << QString();

    // Rolling distance over wheel turns.
    QTest::newRow("12,5/4") << "12,5/4" << 3125 << turns.arg(4).arg(3125);
    QTest::newRow("25/8") << "25/8" << 3125 << turns.arg(8).arg(3125);
    QTest::newRow("colon with blanks") << "12,5 : 4" << 3125 << turns.arg(4).arg(3125);
    QTest::newRow("point and backslash") << "12.5\\4" << 3125 << turns.arg(4).arg(3125);
    QTest::newRow("two decimals, half up") << "12,55/4" << 3138 << turns.arg(4).arg(3138);
    QTest::newRow("1.5:3") << "1.5:3" << 500 << turns.arg(3).arg(500);
    QTest::newRow("zero turns") << "12,5/0" << -1 << QString();
    QTest::newRow("zero distance") << "00/8" << -1 << QString();
    QTest::newRow("three turn digits") << "12,5/100" << -1 << QString();

    // Metric sizes.
    QTest::newRow("295/80 R22,5") << "295/80 R22,5" << 3278 << metric.arg(3278);
    QTest::newRow("295/80R22.5") << "295/80R22.5" << 3278 << metric.arg(3278);
    QTest::newRow("blanks, small r") << "295 / 80 r 22,5" << 3278 << metric.arg(3278);
    QTest::newRow("many blanks") << "  295   /80   R22,5  " << 3278 << metric.arg(3278);
    QTest::newRow("315/70R22.5") << "315/70R22.5" << 3181 << metric.arg(3181);
    QTest::newRow("185/65 R15 (pi 3.1415926)") << "185/65 R15" << 1952 << metric.arg(1952);
    QTest::newRow("205/55R16") << "205/55R16" << 1985 << metric.arg(1985);
    QTest::newRow("no R") << "205/55 16" << 1985 << metric.arg(1985);
    QTest::newRow("backslash") << "205\\55R16" << 1985 << metric.arg(1985);
    QTest::newRow("numbers run together") << "295/8022,5" << -1 << QString();
    QTest::newRow("zero width") << "00/80R22" << -1 << QString();
    QTest::newRow("wrong letter") << "295/80 X22,5" << -1 << QString();
    QTest::newRow("trailing text") << "295/80 R22,5 C" << -1 << QString();

    // Inch sizes.
    QTest::newRow("33x12,5R15") << "33x12,5R15" << 2633 << inch.arg(2633);
    QTest::newRow("33*12.5-15") << "33*12.5-15" << 2633 << inch.arg(2633);
    QTest::newRow("capital X, small r, blanks") << "33 X 12,5 r 15" << 2633 << inch.arg(2633);
    QTest::newRow("31x10,5-15") << "31x10,5-15" << 2474 << inch.arg(2474);
    QTest::newRow("three digit diameter") << "331x12,5R15" << -1 << QString();
}

void tst_tyre::circumference()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    QFETCH(QString, info);

    QCOMPARE(TyreCircumference(text), length);
    QString gotInfo = QStringLiteral("stale");
    QCOMPARE(TyreCircumference(text, &gotInfo), length);
    QCOMPARE(gotInfo, info);
}

void tst_tyre::commaLocale_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("length");
    QTest::newRow("12,5/4") << "12,5/4" << 3125;
    QTest::newRow("12.5/4") << "12.5/4" << 3125;
    QTest::newRow("295/80R22.5") << "295/80R22.5" << 3278;
    QTest::newRow("295/80 R22,5") << "295/80 R22,5" << 3278;
    QTest::newRow("185/65 R15") << "185/65 R15" << 1952;
}

// The numbers are read with the locale's decimal point whatever separator was typed.
void tst_tyre::commaLocale()
{
    QFETCH(QString, text);
    QFETCH(int, length);
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const int got = TyreCircumference(text);
    QLocale::setDefault(saved);
    QCOMPARE(got, length);
}

void tst_tyre::infoClearedWhenNotRecognised()
{
    QString info = QStringLiteral("old");
    QCOMPARE(TyreCircumference(QStringLiteral("abc"), &info), -1);
    QVERIFY(info.isEmpty());
}

void tst_tyre::dialogShowsResultOfInitialText()
{
    // The initial text equals the form's own text: the result must show all the same.
    CKR_TyreDlg dlg(QStringLiteral("295/80 R22,5"));
    auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("btnOK"));
    auto* info = dlg.findChild<QLabel*>(QStringLiteral("lblInfo"));
    QVERIFY(ok && info);
    QVERIFY(ok->isEnabled());
    QCOMPARE(info->text(), QStringLiteral("Метрическая маркировка. L = 3278мм"));
    QCOMPARE(dlg.GetLConst(), 3278);

    CKR_TyreDlg empty(QString{});
    QVERIFY(!empty.findChild<QPushButton*>(QStringLiteral("btnOK"))->isEnabled());
    QVERIFY(empty.findChild<QLabel*>(QStringLiteral("lblInfo"))->text().startsWith(kNotRead));
    QCOMPARE(empty.GetLConst(), -1);
}

void tst_tyre::dialogFollowsTyping()
{
    CKR_TyreDlg dlg(QStringLiteral("99"));
    dlg.show();
    auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("edtTyre"));
    auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("btnOK"));
    auto* info = dlg.findChild<QLabel*>(QStringLiteral("lblInfo"));
    QVERIFY(edit && ok && info);
    QVERIFY(!ok->isEnabled());

    edit->clear();
    QTest::keyClicks(edit, QStringLiteral(" 1040 "));
    QVERIFY(ok->isEnabled());
    QCOMPARE(info->text(), QStringLiteral("Диаметр шины. L = 3267мм"));
    QCOMPARE(dlg.GetLConst(), 3267);
    QCOMPARE(dlg.GetTyreSize(), QStringLiteral(" 1040 "));

    QTest::keyClicks(edit, QStringLiteral("5"));
    QVERIFY(!ok->isEnabled());
    QVERIFY(info->text().startsWith(kNotRead));
    QCOMPARE(dlg.GetLConst(), -1);
}

void tst_tyre::dialogForm()
{
    CKR_TyreDlg dlg(QStringLiteral("1040"));
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Расчет окружности шины"));
    QCOMPARE(dlg.minimumSize(), QSize(500, 160));
    QCOMPARE(dlg.maximumSize(), QSize(500, 160));
    QCOMPARE(dlg.font().pointSize(), 18);

    // The longest information texts stay readable in the fixed-size dialog.
    for (const char* text : {"295/80 R22,5", "12,5/4", "33x12,5R15", "1040"}) {
        dlg.findChild<QLineEdit*>(QStringLiteral("edtTyre"))->setText(QLatin1String(text));
        QCOMPARE(ClippedTexts(&dlg).join(QLatin1Char(' ')), QString());
    }
}

// Sizes it cannot read say so, whole, with an example of each form it reads; each example reads.
void tst_tyre::notReadSaysWhatIs()
{
    CKR_TyreDlg dlg(QStringLiteral("1040"));
    dlg.show();
    auto* info = dlg.findChild<QLabel*>(QStringLiteral("lblInfo"));
    for (const char* text : {"12R22.5", "11.00R20", "315/80R22.5 154/150M", "", "99"}) {
        dlg.findChild<QLineEdit*>(QStringLiteral("edtTyre"))->setText(QString::fromUtf8(text));
        QVERIFY2(info->text().startsWith(kNotRead), text);
        QCOMPARE(ClippedTexts(&dlg).join(QLatin1Char(' ')), QString());
    }
    const QStringList examples = info->text().section(QLatin1Char('\n'), 1).split(QStringLiteral("; "));
    QCOMPARE(examples.size(), 4); // one per notation
    QSet<QString> kinds;
    for (const QString& example : examples) {
        QString kind;
        QVERIFY2(TyreCircumference(example, &kind) > 0, qPrintable(example));
        kinds.insert(kind.section(QLatin1Char('.'), 0, 0));
    }
    QCOMPARE(kinds.size(), 4);
}

void tst_tyre::okAndCancel()
{
    CKR_TyreDlg dlg(QStringLiteral("1040"));
    dlg.show();
    QSignalSpy finished(&dlg, &QDialog::finished);
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));

    dlg.show();
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("btnCancel")), Qt::LeftButton);
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toInt(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_tyre)
#include "tst_tyre.moc"
