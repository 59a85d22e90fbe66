// The workshop's files as a technician meets them from the launcher: a loaded record under a wheel
// turned over the form, settings that cannot be read, a workshop with no settings yet, and a record file
// that is far too large or too deep to be one.

#include "LauncherStory.h"

#include "app/v02.h"
#include "link/CodePage.h"
#include "records/XmlElements.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QMessageBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QWheelEvent>
#include <QtTest>

namespace {

QByteArray ReadAll(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& aPath, const QByteArray& aBytes)
{
    QFile file(aPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(aBytes) == aBytes.size();
}

QDomElement Root(const QString& aPath)
{
    QDomDocument doc;
    doc.setContent(ReadAll(aPath));
    return doc.documentElement();
}

// A certificate record as another session of the program left it, with values that differ from the
// form's own starting values.
QByteArray CertificateRecord()
{
    return CodePage::ToProgram8Bit(QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
        "<Certificate>\r\n"
        "    <Date>12/02/2026</Date>\r\n"
        "    <Order><Id>77</Id></Order>\r\n"
        "    <Workshop><Master>Сидоров С.С.</Master></Workshop>\r\n"
        "    <Vehicle><VIN>XTA21099075123456</VIN><RegNo><Number>А123ВС77</Number></RegNo></Vehicle>\r\n"
        "    <Data>\r\n"
        "        <W-Const>6012</W-Const>\r\n"
        "        <K-Const>6000</K-Const>\r\n"
        "        <L-Const>3278</L-Const>\r\n"
        "        <NextCalibration><Date>15/03/2028</Date></NextCalibration>\r\n"
        "    </Data>\r\n"
        "    <Result><Test>0</Test><Manipulation>1</Manipulation></Result>\r\n"
        "</Certificate>\r\n"));
}

// A wheel turn of aNotches notches (negative: towards the technician) with the pointer over aField's
// middle, delivered to the field as the window system delivers it to the widget under the pointer.
void TurnWheelOver(QWidget* aField, int aNotches)
{
    const QPointF local(aField->width() / 2.0, aField->height() / 2.0);
    for (int i = 0; i < qAbs(aNotches); ++i) {
        QWheelEvent wheel(local, aField->mapToGlobal(local), QPoint(), QPoint(0, aNotches < 0 ? -120 : 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(aField, &wheel);
    }
}

QString BoxText(QWidget* aBox)
{
    auto* box = qobject_cast<QMessageBox*>(aBox);
    return box ? box->text() : QString();
}

// A record of aDepth elements each inside the one before.
QByteArray Nested(int aDepth)
{
    QByteArray bytes = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n";
    bytes += QByteArray("<Certificate>").repeated(aDepth);
    bytes += QByteArray("</Certificate>").repeated(aDepth);
    return bytes;
}

} // namespace

class tst_workshopfile_stories : public LauncherStory
{
    Q_OBJECT

private:
    void RemoveSettings()
    {
        for (const QString& name : QDir(mWork.path()).entryList({QStringLiteral("Config.xml*")}, QDir::Files))
            QVERIFY(QFile::remove(InWork(name)));
    }

private slots:
    void initTestCase() { QVERIFY(OpenWorkshop()); }

    void cleanupTestCase() { mLauncher.reset(); }
    void init() { RemoveSettings(); }

    // Документы: a loaded record, the wheel turned over the form while the typing is elsewhere; the form
    // scrolls, and the record saved afterwards carries the loaded values.
    void wheelOverDocuments()
    {
        const QString loaded = InWork(QStringLiteral("loaded_Crt.xml"));
        const QString saved = InWork(QStringLiteral("saved_Crt.xml"));
        QVERIFY(WriteAll(loaded, CertificateRecord()));
        int scrolled = 0;

        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(loaded));
        // The technician clicks into the order number: the form is the active window, typing goes there.
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            w->activateWindow();
            Technician::Find(w, QStringLiteral("edtOrderNo"))->setFocus(Qt::MouseFocusReason);
        });
        tech.In(
            QStringLiteral("VUD_Certificate"),
            [&](QWidget* w) {
                QScrollBar* bar =
                    Technician::Find<QScrollArea>(w, QStringLiteral("scrollArea"))->verticalScrollBar();
                for (const char* name : {"speClbrW", "speClbrK", "speClbrL", "dedClbrNexDate",
                                         "cmbResultTest", "cmbResultManitulation", "cmbOrderMaster"}) {
                    QWidget* field = Technician::Find(w, QString::fromLatin1(name));
                    const int before = bar->value();
                    TurnWheelOver(field, bar->value() < bar->maximum() ? -3 : 3);
                    scrolled += bar->value() != before;
                }
                tech.Check(scrolled > 0, QStringLiteral("the wheel over the fields never scrolled the form"));
                // A field the technician has clicked into does take the wheel: a notch up, a notch back.
                auto* l = Technician::Find<QSpinBox>(w, QStringLiteral("speClbrL"));
                const int loadedL = l->value();
                l->setFocus(Qt::MouseFocusReason);
                TurnWheelOver(l, 1);
                tech.Check(
                    l->value() == loadedL + 1,
                    QStringLiteral("L with the focus, a notch up: %1 from %2").arg(l->value()).arg(loadedL));
                TurnWheelOver(l, -1);
                tech.Click(w, QStringLiteral("btnSave"));
            },
            [](QWidget* w) {
                return QApplication::focusWidget() == Technician::Find(w, QStringLiteral("edtOrderNo"));
            });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(saved));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
        tech.Run(Button("btnPrint"));
        CheckBackAtLauncher(tech);

        const QDomElement in = Root(loaded);
        const QDomElement out = Root(saved);
        QCOMPARE(out.tagName(), QStringLiteral("Certificate"));
        const QDomElement inData = ChildElement(in, QStringLiteral("Data"));
        const QDomElement outData = ChildElement(out, QStringLiteral("Data"));
        for (const QString& tag :
             {QStringLiteral("W-Const"), QStringLiteral("K-Const"), QStringLiteral("L-Const")})
            QCOMPARE(ReadChildInt(outData, tag, -1), ReadChildInt(inData, tag, -2));
        const auto nextDate = [](const QDomElement& aData) {
            return ReadChildText(ChildElement(aData, QStringLiteral("NextCalibration")),
                                 QStringLiteral("Date"), {});
        };
        QCOMPARE(nextDate(outData), nextDate(inData));
        const QDomElement inResult = ChildElement(in, QStringLiteral("Result"));
        const QDomElement outResult = ChildElement(out, QStringLiteral("Result"));
        for (const QString& tag : {QStringLiteral("Test"), QStringLiteral("Manipulation")})
            QCOMPARE(ReadChildInt(outResult, tag, -1), ReadChildInt(inResult, tag, -2));
        QCOMPARE(ReadChildText(ChildElement(out, QStringLiteral("Workshop")), QStringLiteral("Master"), {}),
                 ReadChildText(ChildElement(in, QStringLiteral("Workshop")), QStringLiteral("Master"), {}));
    }

    // Настройки with a Config.xml that cannot be read: the technician is told which file and where it
    // breaks; OK keeps the old bytes beside, names where, and writes readable settings.
    void brokenSettings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("bakExists");
        QTest::addColumn<QString>("kept");
        const QByteArray good = CodePage::ToProgram8Bit(QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n<Config>\r\n    <Workshop>\r\n"
            "        <Name>Тахосервис</Name>\r\n        <Code>RUS 0042</Code>\r\n        <MasterList>\r\n"
            "            <Master><Name>Рога & Копыта</Name></Master>\r\n        </MasterList>\r\n"
            "    </Workshop>\r\n</Config>\r\n"));
        QTest::newRow("unescaped ampersand") << good << false << QStringLiteral("Config.xml.bak");
        QTest::newRow("cut short, a backup already there")
            << good.left(good.indexOf("<MasterList>")) << true << QStringLiteral("Config.xml.1.bak");
    }
    void brokenSettings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, bakExists);
        QFETCH(QString, kept);
        const QString config = InWork(QStringLiteral("Config.xml"));
        const QByteArray earlierBackup = "an earlier backup";
        QVERIFY(WriteAll(config, bytes));
        if (bakExists)
            QVERIFY(WriteAll(InWork(QStringLiteral("Config.xml.bak")), earlierBackup));
        // Where the parser must stop: the ampersand's line, or the line after the last one for a cut file.
        const int amp = bytes.indexOf('&');
        const int line = amp >= 0 ? bytes.left(amp).count('\n') + 1 : bytes.count('\n') + 1;

        Technician tech;
        tech.In(QStringLiteral("QMessageBox"), [&](QWidget* w) {
            const QString text = BoxText(w);
            tech.Check(
                text.contains(QStringLiteral("'%1'").arg(config)) &&
                    text.contains(QStringLiteral("(строка %1, позиция ").arg(line)),
                QStringLiteral("read error box: \"%1\", expected the file and line %2").arg(text).arg(line));
            PressOk(w);
        });
        tech.In(QStringLiteral("Config"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnOk")); });
        tech.In(QStringLiteral("QMessageBox"), [&](QWidget* w) {
            const QString text = BoxText(w);
            tech.Check(text.contains(QStringLiteral("'%1'").arg(InWork(kept))),
                       QStringLiteral("backup box: \"%1\", expected %2").arg(text, kept));
            PressOk(w);
        });
        tech.Run(Button("btnPrint_2"));
        CheckBackAtLauncher(tech);

        QCOMPARE(ReadAll(InWork(kept)), bytes);
        if (bakExists)
            QCOMPARE(ReadAll(InWork(QStringLiteral("Config.xml.bak"))), earlierBackup);
        QDomDocument written;
        QVERIFY(written.setContent(ReadAll(config)));

        // Settings that read again are written over without a copy.
        Technician again;
        again.In(QStringLiteral("Config"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("edtWorkshopCode")),
                             QStringLiteral("RUS 0043"));
            again.Click(w, QStringLiteral("btnOk"));
        });
        again.Run(Button("btnPrint_2"));
        CheckBackAtLauncher(again);
        QCOMPARE(QDir(mWork.path()).entryList({QStringLiteral("Config.xml*")}, QDir::Files).size(),
                 bakExists ? 3 : 2);
        QVERIFY(ReadAll(config).contains("RUS 0043"));
    }

    // Документы in a workshop without usable settings: nothing to choose as the technician, nothing made up
    // on the certificate; unreadable settings are named first.
    void documentsWithoutSettings_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::newRow("no Config.xml") << QByteArray();
        QTest::newRow("Config.xml cut short") << QByteArray("<Config><Workshop><MasterList><Master><Name>Ив");
    }
    void documentsWithoutSettings()
    {
        QFETCH(QByteArray, config);
        const QString configPath = InWork(QStringLiteral("Config.xml"));
        if (!config.isEmpty())
            QVERIFY(WriteAll(configPath, config));
        const QString saved = InWork(QStringLiteral("nosettings%1_Crt.xml")
                                         .arg(QTest::currentDataTag() == QByteArray("no Config.xml")));

        Technician tech;
        if (!config.isEmpty())
            tech.In(QStringLiteral("QMessageBox"), [&](QWidget* w) {
                tech.Check(BoxText(w).contains(configPath), QStringLiteral("box: \"%1\"").arg(BoxText(w)));
                PressOk(w);
            });
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            auto* master = Technician::Find<QComboBox>(w, QStringLiteral("cmbOrderMaster"));
            QStringList offered;
            for (int i = 0; i < master->count(); ++i)
                offered.append(master->itemText(i));
            tech.Check(offered.isEmpty(), QStringLiteral("technicians offered: %1").arg(offered.join(", ")));
            tech.Click(w, QStringLiteral("btnSave"));
        });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(saved));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
        tech.Run(Button("btnPrint"));
        CheckBackAtLauncher(tech);

        QCOMPARE(ReadChildText(ChildElement(Root(saved), QStringLiteral("Workshop")),
                               QStringLiteral("Master"), QStringLiteral("missing")),
                 QString());
        QVERIFY(!ReadAll(saved).contains("New Item"));
        // Reading the settings wrote nothing.
        QCOMPARE(ReadAll(configPath), config);
    }

    // Документы → Загрузить a file far too large or too deep to be a record: refused at once with the
    // loader's message, the form as it was; the step limit of the driver guards against a hang.
    void monstrousRecord_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("title");
        QTest::newRow("200000 levels, 5 MiB")
            << Nested(200000) << QStringLiteral("Ошибка при открытии файла.");
        QTest::newRow("5000 levels, 130 KiB")
            << Nested(5000) << QStringLiteral("Ошибка при считывании файла.");
    }
    void monstrousRecord()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, title);
        const QString path = InWork(QStringLiteral("deep_Crt.xml"));
        QVERIFY(WriteAll(path, bytes));
        int lBefore = -1;

        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            lBefore = Technician::Find<QSpinBox>(w, QStringLiteral("speClbrL"))->value();
            tech.Click(w, QStringLiteral("btnLoad"));
        });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(path));
        tech.In(QStringLiteral("QMessageBox"), [&](QWidget* w) {
            tech.Check(w->windowTitle() == title && BoxText(w).contains(path),
                       QStringLiteral("box \"%1\": \"%2\"").arg(w->windowTitle(), BoxText(w)));
            PressOk(w);
        });
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            const int l = Technician::Find<QSpinBox>(w, QStringLiteral("speClbrL"))->value();
            tech.Check(l == lBefore,
                       QStringLiteral("L after the refused file: %1, before %2").arg(l).arg(lBefore));
            tech.Click(w, QStringLiteral("btnClose"));
        });
        tech.Run(Button("btnPrint"));
        CheckBackAtLauncher(tech);
    }
};

QTEST_MAIN(tst_workshopfile_stories)
#include "tst_workshopfile_stories.moc"
