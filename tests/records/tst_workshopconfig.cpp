#include "records/RecordFile.h"
#include "records/WorkshopConfig.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString WriteFile(const QTemporaryDir& aDir, const QByteArray& aBytes)
{
    const QString path = aDir.filePath(QStringLiteral("Config.xml"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(aBytes) != aBytes.size())
        return QString();
    return path;
}

} // namespace

class tst_workshopconfig : public QObject
{
    Q_OBJECT

private slots:
    void serializeByteForByte()
    {
        WorkshopConfig c;
        c.labelPrinter = QStringLiteral("Brother PT-2430PC");
        c.certificatePrinter = QStringLiteral("HP LaserJet");
        c.workshopName = QStringLiteral("Мастерская «Тахо»");
        c.workshopAddress = QStringLiteral(" г. Киров, ул. Ленина, 1 ");
        c.workshopCode = QStringLiteral("RUS 0042");
        c.masters = {QStringLiteral("Иванов И.И."), QString(), QStringLiteral("Петров П.П.")};
        const QByteArray expected =
            "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
            "<Config>\r\n"
            "    <Order>\r\n"
            "        <Label>\r\n"
            "            <Printer>\r\n"
            "                <Name>Brother PT-2430PC</Name>\r\n"
            "            </Printer>\r\n"
            "        </Label>\r\n"
            "        <Certificate>\r\n"
            "            <Printer>\r\n"
            "                <Name>HP LaserJet</Name>\r\n"
            "            </Printer>\r\n"
            "        </Certificate>\r\n"
            "    </Order>\r\n"
            "    <Workshop>\r\n"
            "        <Name>\xcc\xe0\xf1\xf2\xe5\xf0\xf1\xea\xe0\xff \xab\xd2\xe0\xf5\xee\xbb</Name>\r\n"
            "        <Address> \xe3. \xca\xe8\xf0\xee\xe2, \xf3\xeb. \xcb\xe5\xed\xe8\xed\xe0, 1 "
            "</Address>\r\n"
            "        <Code>RUS 0042</Code>\r\n"
            "        <MasterList>\r\n"
            "            <Master>\r\n"
            "                <Name>\xc8\xe2\xe0\xed\xee\xe2 \xc8.\xc8.</Name>\r\n"
            "            </Master>\r\n"
            "            <Master>\r\n"
            "                <Name>\xcf\xe5\xf2\xf0\xee\xe2 \xcf.\xcf.</Name>\r\n"
            "            </Master>\r\n"
            "        </MasterList>\r\n"
            "    </Workshop>\r\n"
            "</Config>\r\n";
        QCOMPARE(SerializeRecord(c.ToDocument()), expected);
    }

    void masterListPresence_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no rows") << QStringList() << "";
        QTest::newRow("all empty") << QStringList{QString(), QString()} << "<MasterList/>";
        QTest::newRow("one") << QStringList{QStringLiteral("A")}
                             << "<MasterList><Master><Name>A</Name></Master></MasterList>";
    }
    void masterListPresence()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, expected);
        WorkshopConfig c;
        c.masters = rows;
        const QString xml = c.ToDocument().toString(-1);
        const QString workshopEnd =
            QStringLiteral("<Code></Code>") + expected + QStringLiteral("</Workshop>");
        QVERIFY2(xml.contains(workshopEnd), qPrintable(xml));
    }

    void roundTrip()
    {
        QTemporaryDir dir;
        WorkshopConfig c;
        c.labelPrinter = QStringLiteral("Этикетки");
        c.certificatePrinter = QString();
        c.workshopName = QStringLiteral("Name ✓");
        c.workshopAddress = QStringLiteral("Addr & <more>");
        c.workshopCode = QStringLiteral("7");
        c.masters = {QStringLiteral("Один"), QStringLiteral("Два")};
        const QString path = dir.filePath(QStringLiteral("Config.xml"));
        QVERIFY(WriteRecordFile(path, c.ToDocument()));
        WorkshopConfig r;
        QVERIFY(r.Load(path, QStringLiteral("default")));
        QCOMPARE(r.labelPrinter, c.labelPrinter);
        QCOMPARE(r.certificatePrinter, QString());
        QCOMPARE(r.workshopName, c.workshopName);
        QCOMPARE(r.workshopAddress, c.workshopAddress);
        QCOMPARE(r.workshopCode, c.workshopCode);
        QCOMPARE(r.masters, c.masters);
    }

    void loadVariants_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("masters");
        QTest::newRow("other root") << QByteArray("<Settings><Workshop><Name>W</Name></Workshop></Settings>")
                                    << "dflt"
                                    << "W" << QStringList();
        QTest::newRow("siblings of any tag")
            << QByteArray("<Config><Workshop><MasterList><Head><Name>Before</Name></Head>"
                          "<Master><Name>A</Name></Master><Other><Name>B</Name></Other>"
                          "<Master><Name>C</Name></Master></MasterList></Workshop></Config>")
            << "dflt"
            << "" << QStringList{"A", "B", "C"};
        QTest::newRow("empty and missing names")
            << QByteArray("<Config><Workshop><MasterList><Master><Name></Name></Master><Master/>"
                          "<Master><Name>X</Name></Master></MasterList></Workshop></Config>")
            << "dflt"
            << "" << QStringList{"X"};
        QTest::newRow("empty label printer is not the default")
            << QByteArray("<Config><Order><Label><Printer><Name></Name></Printer></Label></Order></Config>")
            << ""
            << "" << QStringList();
        QTest::newRow("texts untrimmed")
            << QByteArray("<Config><Workshop><Name>  two  </Name></Workshop></Config>") << "dflt"
            << "  two  " << QStringList();
    }
    void loadVariants()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QString, label);
        QFETCH(QString, name);
        QFETCH(QStringList, masters);
        QTemporaryDir dir;
        WorkshopConfig c;
        QVERIFY(c.Load(WriteFile(dir, xml), QStringLiteral("dflt")));
        QCOMPARE(c.labelPrinter, label);
        QCOMPARE(c.workshopName, name);
        QCOMPARE(c.masters, masters);
    }

    void missingOrMalformedChangesNothing()
    {
        QTemporaryDir dir;
        WorkshopConfig c;
        c.workshopName = QStringLiteral("kept");
        QVERIFY(!c.Load(dir.filePath(QStringLiteral("Config.xml"))));
        QVERIFY(!c.Load(WriteFile(dir, "<Config><Workshop><Name>x</Workshop></Config>")));
        QVERIFY(!c.Load(WriteFile(dir, "")));
        QCOMPARE(c.workshopName, QStringLiteral("kept"));
    }

    // Two windows edit the same settings: what this one read, what it shows, what the other saved. Saving
    // would lose the other's changes that this one does not have; merging keeps both, this one's edits
    // winning where both changed the same field.
    void otherWindowsSave_data()
    {
        QTest::addColumn<QString>("mineName");
        QTest::addColumn<QStringList>("mineMasters");
        QTest::addColumn<QString>("theirName");
        QTest::addColumn<QStringList>("theirMasters");
        QTest::addColumn<QStringList>("lost");
        QTest::addColumn<QString>("mergedName");
        QTest::addColumn<QStringList>("mergedMasters");
        // Read: name "A", technicians Иванов and Петров.
        const QStringList read{"Иванов", "Петров"};
        QTest::newRow("nobody else saved")
            << "B" << QStringList{"Иванов"} << "A" << read << QStringList{} << "B" << QStringList{"Иванов"};
        QTest::newRow("each added one")
            << "A" << QStringList{"Иванов", "Петров", "Кузнецов"} << "A"
            << QStringList{"Иванов", "Петров", "Сидоров"} << QStringList{"Мастер: «Сидоров»"} << "A"
            << QStringList{"Иванов", "Петров", "Сидоров", "Кузнецов"};
        QTest::newRow("they removed one this one keeps")
            << "A" << read << "A" << QStringList{"Иванов"} << QStringList{} << "A" << QStringList{"Иванов"};
        QTest::newRow("this one removed one they keep")
            << "A" << QStringList{"Петров"} << "A" << read << QStringList{} << "A" << QStringList{"Петров"};
        QTest::newRow("both renamed the workshop")
            << "B" << read << "C" << read << QStringList{"Название: «C»"} << "B" << read;
        QTest::newRow("both the same")
            << "B" << QStringList{"Иванов", "Сидоров"} << "B" << QStringList{"Иванов", "Сидоров"}
            << QStringList{} << "B" << QStringList{"Иванов", "Сидоров"};
        QTest::newRow("empty rows do not count")
            << "A" << QStringList{"Иванов", "", "Петров"} << "A" << read << QStringList{} << "A" << read;
    }
    void otherWindowsSave()
    {
        QFETCH(QString, mineName);
        QFETCH(QStringList, mineMasters);
        QFETCH(QString, theirName);
        QFETCH(QStringList, theirMasters);
        QFETCH(QStringList, lost);
        QFETCH(QString, mergedName);
        QFETCH(QStringList, mergedMasters);
        WorkshopConfig read;
        read.workshopName = QStringLiteral("A");
        read.masters = QStringList{"Иванов", "Петров"};
        WorkshopConfig mine = read;
        mine.workshopName = mineName;
        mine.masters = mineMasters;
        WorkshopConfig theirs = read;
        theirs.workshopName = theirName;
        theirs.masters = theirMasters;
        QCOMPARE(WorkshopConfig::LostBySaving(read, mine, theirs), lost);
        const WorkshopConfig merged = WorkshopConfig::Merged(read, mine, theirs);
        QCOMPARE(merged.workshopName, mergedName);
        QCOMPARE(merged.masters, mergedMasters);
        // Saving the merge loses nothing of theirs but a field both changed, where this window's value wins.
        const bool bothRenamed = mineName != read.workshopName && theirName != read.workshopName;
        QCOMPARE(WorkshopConfig::LostBySaving(read, merged, theirs),
                 bothRenamed && mineName != theirName ? lost : QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_workshopconfig)
#include "tst_workshopconfig.moc"
