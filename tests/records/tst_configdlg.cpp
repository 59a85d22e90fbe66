#include "Technician.h"
#include "TextsFit.h"
#include "link/CodePage.h"
#include "records/CKR_ConfigDlg.h"
#include "records/WorkshopConfig.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& aPath)
{
    QFile f(aPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class tst_configdlg : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mStartDir;

    template <typename T> T* Find(QWidget* aDlg, const char* aName)
    {
        T* w = aDlg->findChild<T*>(QString::fromLatin1(aName));
        if (!w)
            qFatal("no widget %s", aName);
        return w;
    }
    QWidget* Apply(QWidget* aDlg) { return Find<QPushButton>(aDlg, "btnApply"); }

    void WriteConfig(const QByteArray& aBytes)
    {
        QFile f(QStringLiteral("Config.xml"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(aBytes);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        mStartDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(mDir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(mStartDir); }
    void init()
    {
        QFile::remove(QStringLiteral("Config.xml"));
        QDir().rmdir(QStringLiteral("Config.xml"));
    }

    void formGeometry()
    {
        CKR_ConfigDlg dlg;
        QCOMPARE(dlg.minimumSize(), QSize(600, 580));
        QCOMPARE(dlg.maximumSize(), QSize(600, 580));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Вестра:Вельмора. v1.0"));
        QCOMPARE(dlg.font().pointSize(), 18);
        QCOMPARE(Find<QWidget>(&dlg, "tblMaster")->geometry(), QRect(30, 360, 501, 150));
        QVERIFY(Find<QPushButton>(&dlg, "btnOk")->isDefault());
        // Whatever the font, no text is cut off.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(ClippedTexts(&dlg).join(QLatin1Char(' ')), QString());
    }

    void withoutFileKeepsInitialTexts()
    {
        CKR_ConfigDlg dlg;
        QCOMPARE(Find<QLineEdit>(&dlg, "edtWorkshopName")->text(), QStringLiteral("Название мастерской"));
        QCOMPARE(Find<QLineEdit>(&dlg, "edtWorkshopAddress")->text(), QStringLiteral("Адрес мастерской"));
        QCOMPARE(Find<QLineEdit>(&dlg, "edtWorkshopCode")->text(), QStringLiteral("Код"));
        QCOMPARE(Find<QTableWidget>(&dlg, "tblMaster")->rowCount(), 0);
        QVERIFY(Find<QWidget>(&dlg, "btnMasterDel")->isEnabled());
        QVERIFY(!Apply(&dlg)->isEnabled());

        // Saving writes the initial texts.
        dlg.OnApplyClick();
        QVERIFY(!Apply(&dlg)->isEnabled());
        const QString text = CodePage::FromProgram8Bit(ReadAll(QStringLiteral("Config.xml")));
        QVERIFY(text.contains(QStringLiteral("<Name>Название мастерской</Name>\r\n")));
        QVERIFY(text.contains(QStringLiteral("<Code>Код</Code>\r\n")));
        QVERIFY(!text.contains(QStringLiteral("MasterList")));
    }

    void malformedFileReportedOverTheDialog()
    {
        WriteConfig("<Config><Workshop><Name>Broken</Workshop>");
        CKR_ConfigDlg dlg;
        QCOMPARE(Find<QLineEdit>(&dlg, "edtWorkshopName")->text(), QStringLiteral("Название мастерской"));
        QVERIFY(!Apply(&dlg)->isEnabled());
        // The box waits for the dialog to run, then names the file and where it breaks.
        QString title, text;
        Technician box;
        box.In("QMessageBox", Technician::Answer(true, &text, &title));
        box.Start();
        dlg.show();
        QTRY_VERIFY2(box.Done(), box.Report());
        QCOMPARE(title, QStringLiteral("Ошибка при считывании файла."));
        QVERIFY(text.contains(QDir::current().absoluteFilePath(QStringLiteral("Config.xml"))));
        QVERIFY(text.contains(QStringLiteral("(строка 1, позиция ")));
    }

    void loadEditSaveByteForByte()
    {
        WriteConfig(
            "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n<Settings><Order><Label><Printer><Name>"
            "Lbl</Name></Printer></Label><Certificate><Printer><Name>Crt</Name></Printer></Certificate>"
            "</Order><Workshop><Name>\xd2\xe0\xf5\xee</Name><Address>A</Address><Code>C</Code>"
            "<Extra>dropped</Extra><MasterList><Master><Name>One</Name></Master><Other><Name>Two</Name>"
            "</Other><Master><Name></Name></Master></MasterList></Workshop></Settings>");
        CKR_ConfigDlg dlg;
        auto* table = Find<QTableWidget>(&dlg, "tblMaster");
        QCOMPARE(Find<QLineEdit>(&dlg, "edtPrinterLabel")->text(), QStringLiteral("Lbl"));
        QCOMPARE(Find<QLineEdit>(&dlg, "edtPrinterCertif")->text(), QStringLiteral("Crt"));
        QCOMPARE(Find<QLineEdit>(&dlg, "edtWorkshopName")->text(), QStringLiteral("Тахо"));
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Two"));
        QVERIFY(Find<QWidget>(&dlg, "btnMasterDel")->isEnabled());
        QVERIFY(!Apply(&dlg)->isEnabled());

        Find<QLineEdit>(&dlg, "edtWorkshopCode")->setText(QStringLiteral("Код ✓"));
        QVERIFY(Apply(&dlg)->isEnabled());
        QTest::mouseClick(Apply(&dlg), Qt::LeftButton);
        QVERIFY(!Apply(&dlg)->isEnabled());

        const QByteArray expected = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                    "<Config>\r\n"
                                    "    <Order>\r\n"
                                    "        <Label>\r\n"
                                    "            <Printer>\r\n"
                                    "                <Name>Lbl</Name>\r\n"
                                    "            </Printer>\r\n"
                                    "        </Label>\r\n"
                                    "        <Certificate>\r\n"
                                    "            <Printer>\r\n"
                                    "                <Name>Crt</Name>\r\n"
                                    "            </Printer>\r\n"
                                    "        </Certificate>\r\n"
                                    "    </Order>\r\n"
                                    "    <Workshop>\r\n"
                                    "        <Name>\xd2\xe0\xf5\xee</Name>\r\n"
                                    "        <Address>A</Address>\r\n"
                                    "        <Code>\xca\xee\xe4 &#10003;</Code>\r\n"
                                    "        <MasterList>\r\n"
                                    "            <Master>\r\n"
                                    "                <Name>One</Name>\r\n"
                                    "            </Master>\r\n"
                                    "            <Master>\r\n"
                                    "                <Name>Two</Name>\r\n"
                                    "            </Master>\r\n"
                                    "        </MasterList>\r\n"
                                    "    </Workshop>\r\n"
                                    "</Config>\r\n";
        QCOMPARE(ReadAll(QStringLiteral("Config.xml")), expected);

        // And back: a new dialog shows what was saved, the character reference included.
        CKR_ConfigDlg again;
        QCOMPARE(Find<QLineEdit>(&again, "edtWorkshopCode")->text(), QStringLiteral("Код ✓"));
        QCOMPARE(Find<QTableWidget>(&again, "tblMaster")->rowCount(), 2);
    }

    void techniciansTable()
    {
        CKR_ConfigDlg dlg;
        auto* table = Find<QTableWidget>(&dlg, "tblMaster");
        auto* del = Find<QPushButton>(&dlg, "btnMasterDel");

        // Deleting with no rows removes nothing, disables itself and enables Apply.
        QTest::mouseClick(del, Qt::LeftButton);
        QCOMPARE(table->rowCount(), 0);
        QVERIFY(!del->isEnabled());
        QVERIFY(Apply(&dlg)->isEnabled());

        dlg.OnApplyClick();
        QVERIFY(!Apply(&dlg)->isEnabled());
        QTest::mouseClick(Find<QPushButton>(&dlg, "btnMasterAdd"), Qt::LeftButton);
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("ФИО мастера"));
        QVERIFY(del->isEnabled());
        QVERIFY(Apply(&dlg)->isEnabled());

        dlg.OnMasterAddClick();
        dlg.OnMasterAddClick();
        table->item(0, 0)->setText(QStringLiteral("Первый"));
        table->item(1, 0)->setText(QString());
        table->item(2, 0)->setText(QStringLiteral("Третий"));
        dlg.OnApplyClick();
        QVERIFY(!Apply(&dlg)->isEnabled());
        // An edit of a cell counts as a change.
        table->item(2, 0)->setText(QStringLiteral("Третий!"));
        QVERIFY(Apply(&dlg)->isEnabled());

        // With no current row the last one goes.
        table->setCurrentCell(-1, -1);
        dlg.OnMasterDelClick();
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Первый"));
        table->setCurrentCell(0, 0);
        dlg.OnMasterDelClick();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QString());
        QVERIFY(del->isEnabled());

        // A table of empty rows saves an empty list.
        dlg.OnApplyClick();
        const QByteArray saved = ReadAll(QStringLiteral("Config.xml"));
        QVERIFY(saved.contains("        <MasterList/>\r\n"));
        QVERIFY(!saved.contains("<Master>"));

        dlg.OnMasterDelClick();
        QVERIFY(!del->isEnabled());
        dlg.OnApplyClick();
        QVERIFY(!ReadAll(QStringLiteral("Config.xml")).contains("MasterList"));
    }

    void unwritableFile()
    {
        // A directory where the file should be: the save fails, the earlier state stays.
        QVERIFY(QDir().mkdir(QStringLiteral("Config.xml")));
        CKR_ConfigDlg dlg;
        Find<QLineEdit>(&dlg, "edtWorkshopName")->setText(QStringLiteral("Новая"));
        QString title, text;
        Technician box;
        box.In("QMessageBox", Technician::Answer(true, &text, &title));
        box.Run([&dlg] { dlg.OnApplyClick(); });
        QVERIFY2(box.Failures().isEmpty(), box.Report());
        QCOMPARE(title, QStringLiteral("Ошибка сохранения"));
        QCOMPARE(text, QStringLiteral("Не могу записать в файл 'Config.xml'."));
        QVERIFY(Apply(&dlg)->isEnabled());
        QVERIFY(QFileInfo(QStringLiteral("Config.xml")).isDir());

        // OK still closes the dialog after the message.
        dlg.show();
        Technician box2;
        box2.In("QMessageBox", PressOk);
        box2.Run(Find<QPushButton>(&dlg, "btnOk"));
        QVERIFY2(box2.Failures().isEmpty(), box2.Report());
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void okSavesAndCancelDoesNot()
    {
        {
            CKR_ConfigDlg dlg;
            Find<QLineEdit>(&dlg, "edtWorkshopName")->setText(QStringLiteral("Отменено"));
            QTest::mouseClick(Find<QPushButton>(&dlg, "btnCancel"), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Rejected));
        }
        QVERIFY(!QFile::exists(QStringLiteral("Config.xml")));
        {
            CKR_ConfigDlg dlg;
            Find<QLineEdit>(&dlg, "edtWorkshopName")->setText(QStringLiteral("Принято"));
            QTest::mouseClick(Find<QPushButton>(&dlg, "btnOk"), Qt::LeftButton);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
        }
        CKR_ConfigDlg dlg;
        QCOMPARE(Find<QLineEdit>(&dlg, "edtWorkshopName")->text(), QStringLiteral("Принято"));
    }

    // Two windows (or two copies of the program) with the settings open, each adding a technician and
    // changing a field: the second OK asks, naming what the first saved; the answer decides the file.
    void twoWindowsSaving_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("masters"); // in the file at the end
        QTest::addColumn<QString>("code");
        QTest::newRow("merge, then OK")
            << "Объединить" << QStringList{"Сидоров", "Иванов", "Петров"} << "RUS 42";
        QTest::newRow("overwrite") << "Перезаписать" << QStringList{"Сидоров", "Петров"} << "42";
        QTest::newRow("cancel") << "Отмена" << QStringList{"Сидоров", "Иванов"} << "RUS 42";
    }
    void twoWindowsSaving()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, masters);
        QFETCH(QString, code);
        WriteConfig(
            "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\n<Config><Workshop><Name>Tacho</Name>"
            "<Address>Perm</Address><Code>42</Code><MasterList><Master><Name>\xd1\xe8\xe4\xee\xf0\xee\xe2"
            "</Name></Master></MasterList></Workshop></Config>");
        const auto addMaster = [](CKR_ConfigDlg& aDlg, const QString& aName) {
            aDlg.OnMasterAddClick();
            auto* table = aDlg.findChild<QTableWidget*>(QStringLiteral("tblMaster"));
            table->item(table->rowCount() - 1, 0)->setText(aName);
        };
        CKR_ConfigDlg first;
        CKR_ConfigDlg second;
        addMaster(first, QStringLiteral("Иванов"));
        Find<QLineEdit>(&first, "edtWorkshopCode")->setText(QStringLiteral("RUS 42"));
        QTest::mouseClick(Find<QPushButton>(&first, "btnOk"), Qt::LeftButton);
        QCOMPARE(first.result(), int(QDialog::Accepted));

        addMaster(second, QStringLiteral("Петров"));
        Find<QLineEdit>(&second, "edtWorkshopAddress")->setText(QStringLiteral("Киров"));
        QString question;
        Technician tech;
        tech.In(QStringLiteral("QMessageBox"), [&](QWidget* w) {
            question = qobject_cast<QMessageBox*>(w)->text();
            for (auto* button : w->findChildren<QPushButton*>())
                if (button->text() == answer)
                    QTest::mouseClick(button, Qt::LeftButton);
        });
        tech.Run(Find<QPushButton>(&second, "btnOk"));
        QVERIFY2(tech.Failures().isEmpty(), tech.Report());
        QVERIFY2(question.contains(QStringLiteral("Мастер: «Иванов»")), qPrintable(question));
        QVERIFY2(question.contains(QStringLiteral("Код: «RUS 42»")), qPrintable(question));
        QVERIFY2(!question.contains(QStringLiteral("Сидоров")), qPrintable(question));
        if (answer == QStringLiteral("Перезаписать")) {
            QCOMPARE(second.result(), int(QDialog::Accepted));
        } else {
            // Held open: nothing saved yet, and the technician looks again.
            QCOMPARE(second.result(), int(QDialog::Rejected));
            QVERIFY(Apply(&second)->isEnabled());
        }
        if (answer == QStringLiteral("Объединить")) {
            // The form shows both windows' changes; OK now saves them without asking again.
            QTest::mouseClick(Find<QPushButton>(&second, "btnOk"), Qt::LeftButton);
            QCOMPARE(second.result(), int(QDialog::Accepted));
        }

        WorkshopConfig saved;
        QVERIFY(saved.Load(QStringLiteral("Config.xml")));
        QCOMPARE(saved.masters, masters);
        QCOMPARE(saved.workshopCode, code);
        QCOMPARE(saved.workshopAddress,
                 answer == QStringLiteral("Отмена") ? QStringLiteral("Perm") : QStringLiteral("Киров"));
        QCOMPARE(saved.workshopName, QStringLiteral("Tacho"));
    }

    void printerChoice()
    {
        CKR_ConfigDlg dlg;
        auto* edit = Find<QLineEdit>(&dlg, "edtPrinterCertif");
        edit->setText(QStringLiteral("Нет такого"));
        dlg.OnApplyClick();
        QString title;
        Technician cancel;
        cancel.In("QPrintDialog", Technician::Answer(false, nullptr, &title));
        cancel.Run(Find<QPushButton>(&dlg, "btnPrinterCertif"));
        QVERIFY2(cancel.Failures().isEmpty(), cancel.Report());
        QCOMPARE(title, QStringLiteral("Выберите принтер для сертификата."));
        QCOMPARE(edit->text(), QStringLiteral("Нет такого"));
        QVERIFY(!Apply(&dlg)->isEnabled());

        Technician label;
        label.In("QPrintDialog", Technician::Answer(false, nullptr, &title));
        label.Run([&dlg] { dlg.OnPrinterLabelClick(); });
        QVERIFY2(label.Failures().isEmpty(), label.Report());
        QCOMPARE(title, QStringLiteral("Выберите принтер для наклейки."));
        QVERIFY(!Apply(&dlg)->isEnabled());

        // Accepting takes the name the print dialog left in the printer, in place of what was typed
        // (which names no printer, so the printer cannot have kept it).
        const QString typed = QStringLiteral("Нет такого");
        Find<QLineEdit>(&dlg, "edtPrinterLabel")->setText(typed);
        dlg.OnApplyClick();
        QString chosen = typed;
        Technician accept;
        accept.In("QPrintDialog", [&chosen](QWidget* w) {
            chosen = qobject_cast<QPrintDialog*>(w)->printer()->printerName();
            Technician::Answer()(w);
        });
        accept.Run([&dlg] { dlg.OnPrinterLabelClick(); });
        QVERIFY2(accept.Failures().isEmpty(), accept.Report());
        QVERIFY(chosen != typed);
        QCOMPARE(Find<QLineEdit>(&dlg, "edtPrinterLabel")->text(), chosen);
        QVERIFY(Apply(&dlg)->isEnabled());
    }
};

QTEST_MAIN(tst_configdlg)
#include "tst_configdlg.moc"
