#include "records/RecordFile.h"
#include "records/XmlElements.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

QByteArray ReadAll(const QString& aPath)
{
    QFile f(aPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void WriteAll(const QString& aPath, const QByteArray& aBytes)
{
    QFile f(aPath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(aBytes), aBytes.size());
}

// Saves aDoc to aPath and reads the saved file back into aReread; aError says why it does not load.
bool SaveAndReread(const QString& aPath, const QDomDocument& aDoc, QDomDocument& aReread, QString& aError)
{
    if (!WriteRecordFile(aPath, aDoc)) {
        aError = QStringLiteral("not saved");
        return false;
    }
    RecordReadError error;
    const bool loaded = ReadRecordFile(aPath, aReread, &error);
    aError = error.message;
    return loaded;
}

// A small record with Cyrillic, markup characters and a character Windows-1251 lacks.
QDomDocument SampleRecord()
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Registration"));
    doc.appendChild(root);
    SetChildText(root, QStringLiteral("Date"), QStringLiteral("05/03/2012"));
    QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    SetChildText(vehicle, QStringLiteral("VIN"), QStringLiteral("XTA21099070001234"));
    SetChildText(ChildElement(vehicle, QStringLiteral("RegNo")), QStringLiteral("Number"),
                 QStringLiteral("А123ВС"));
    SetChildText(vehicle, QStringLiteral("Tyre"), QStringLiteral("<R&D> \"€\" ✓ 😀"));
    WriteChildDouble(vehicle, QStringLiteral("Odometer"), 123.45);
    SetChildText(root, QStringLiteral("Empty"), QString());
    return doc;
}

} // namespace

class tst_recordfile : public QObject
{
    Q_OBJECT

private slots:
    void fileName_data()
    {
        QTest::addColumn<QString>("stem");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("vin") << "XTA21099070001234"
                             << "Reg"
                             << "XTA21099070001234_20120305_140709_Reg.xml";
        QTest::newRow("regno") << "А123ВС77"
                               << "Clb"
                               << "А123ВС77_20120305_140709_Clb.xml";
        QTest::newRow("empty") << ""
                               << "Crt"
                               << "_20120305_140709_Crt.xml";
        QTest::newRow("separators") << "А12/3\\4:"
                                    << "Reg"
                                    << "А12_3_4__20120305_140709_Reg.xml";
    }
    void fileName()
    {
        QFETCH(QString, stem);
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        const QDateTime when(QDate(2012, 3, 5), QTime(14, 7, 9));
        QCOMPARE(RecordFileName(stem, when, kind), expected);
    }

    void serializeByteForByte()
    {
        const QByteArray expected = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                    "<Registration>\r\n"
                                    "    <Date>05/03/2012</Date>\r\n"
                                    "    <Vehicle>\r\n"
                                    "        <VIN>XTA21099070001234</VIN>\r\n"
                                    "        <RegNo>\r\n"
                                    "            <Number>\xc0\x31\x32\x33\xc2\xd1</Number>\r\n"
                                    "        </RegNo>\r\n"
                                    "        <Tyre>&lt;R&amp;D> \"\x88\" &#10003; &#128512;</Tyre>\r\n"
                                    "        <Odometer>123.5</Odometer>\r\n"
                                    "    </Vehicle>\r\n"
                                    "    <Empty></Empty>\r\n"
                                    "</Registration>\r\n";
        const QByteArray bytes = SerializeRecord(SampleRecord());
        QCOMPARE(bytes, expected);
        // No bare line feed anywhere.
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    }

    void serializeDropsForeignDeclaration()
    {
        QDomDocument doc;
        QVERIFY(
            doc.setContent(QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<A><B>1</B></A>")));
        QCOMPARE(SerializeRecord(doc), QByteArray("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                                  "<A>\r\n    <B>1</B>\r\n</A>\r\n"));
    }

    void roundTrip()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("r_Reg.xml"));
        QString error;
        QVERIFY(WriteRecordFile(path, SampleRecord(), &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(ReadAll(path), SerializeRecord(SampleRecord()));

        QDomDocument doc;
        RecordReadError readError;
        QVERIFY(ReadRecordFile(path, doc, &readError));
        QCOMPARE(readError.kind, RecordReadError::None);
        const QDomElement vehicle = doc.documentElement().firstChildElement(QStringLiteral("Vehicle"));
        QCOMPARE(
            ReadChildText(vehicle.firstChildElement(QStringLiteral("RegNo")), QStringLiteral("Number"), {}),
            QStringLiteral("А123ВС"));
        QCOMPARE(ReadChildText(vehicle, QStringLiteral("Tyre"), {}), QStringLiteral("<R&D> \"€\" ✓ 😀"));
        QCOMPARE(ReadChildDouble(vehicle, QStringLiteral("Odometer"), 0), 123.5);
        // Written again, the bytes are the same but for the empty element, which the parser keeps
        // without a text node.
        QCOMPARE(SerializeRecord(doc),
                 SerializeRecord(SampleRecord()).replace("<Empty></Empty>", "<Empty/>"));
    }

    // What the parser lets through must be written so that it loads again: a processing instruction
    // with control characters in its target is taken before the root but refused when read back.
    void fileThatLoadsSavesIntoFileThatLoads()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("odd_Reg.xml"));
        static const char kOdd[] = "<?x\0\0?><?keep it?><Registration><Date>01/02/2024</Date></Registration>";
        WriteAll(path, QByteArray(kOdd, sizeof kOdd - 1));
        QDomDocument doc;
        QVERIFY(ReadRecordFile(path, doc));

        const QString again = dir.filePath(QStringLiteral("again_Reg.xml"));
        QDomDocument reread;
        QString error;
        QVERIFY2(SaveAndReread(again, doc, reread, error), qPrintable(error));
        QCOMPARE(ReadAll(again), QByteArray("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                            "<?keep it?>\r\n"
                                            "<Registration>\r\n    <Date>01/02/2024</Date>\r\n"
                                            "</Registration>\r\n"));
    }

    // A record another program wrote in another code page: markup may hold characters that
    // Windows-1251 lacks, where character references cannot stand in for them.
    void foreignMarkupSavesIntoFileThatLoads()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("foreign_Reg.xml"));
        WriteAll(path, QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE R\xc3\xa8>\n"
                                  "<?x-\xc3\xa8 data?><R\xc3\xa8 \xc3\xa8=\"1\"><!-- \xc3\xa8 -->"
                                  "<![CDATA[\xc3\xa8<]]><Tyre>\xc3\xa8</Tyre></R\xc3\xa8>"));
        QDomDocument doc;
        QVERIFY(ReadRecordFile(path, doc));

        const QString again = dir.filePath(QStringLiteral("again_Reg.xml"));
        QDomDocument reread;
        QString error;
        QVERIFY2(SaveAndReread(again, doc, reread, error), qPrintable(error));
        // Texts keep every character; names take "_" for what the code page lacks.
        QCOMPARE(reread.documentElement().tagName(), QStringLiteral("R_"));
        QCOMPARE(reread.documentElement().attribute(QStringLiteral("_")), QStringLiteral("1"));
        QCOMPARE(reread.documentElement().text(), QStringLiteral("\u00e8<\u00e8"));
    }

    void replacesExistingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("old.xml"));
        WriteAll(path, QByteArray(5000, 'x'));
        QVERIFY(WriteRecordFile(path, SampleRecord()));
        QCOMPARE(ReadAll(path), SerializeRecord(SampleRecord()));
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 1);
    }

    void failedWriteKeepsOldFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("read-only directory") << "rodir";
        QTest::newRow("read-only file") << "rofile";
        QTest::newRow("path is a directory") << "isdir";
        QTest::newRow("missing directory") << "nodir";
    }
    void failedWriteKeepsOldFile()
    {
        QFETCH(QString, how);
#ifdef Q_OS_UNIX
        if (how.startsWith(QLatin1String("ro")) && ::geteuid() == 0)
            QSKIP("root ignores permissions");
#else
        if (how == QLatin1String("rodir"))
            QSKIP("a read-only folder on Windows still takes new files");
#endif
        QTemporaryDir dir;
        const QString path = dir.filePath(how == QLatin1String("nodir") ? QStringLiteral("none/r.xml")
                                                                        : QStringLiteral("r.xml"));
        const QByteArray old = "earlier record";
        if (how == QLatin1String("isdir")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("r.xml")));
        } else if (how != QLatin1String("nodir")) {
            WriteAll(path, old);
        }
        if (how == QLatin1String("rofile"))
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        if (how == QLatin1String("rodir"))
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));

        QString error;
        QVERIFY(!WriteRecordFile(path, SampleRecord(), &error));
        QVERIFY(!error.isEmpty());

        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (how.startsWith(QLatin1String("ro")))
            QCOMPARE(ReadAll(path), old);
        if (how == QLatin1String("isdir"))
            QVERIFY(QFileInfo(path).isDir());
        // No temporary file is left behind.
        const int expected = how == QLatin1String("nodir") ? 0 : 1;
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 expected);
    }

    void writeFailingPartWayIsReported()
    {
#ifndef Q_OS_UNIX
        QSKIP("needs a file size limit (POSIX setrlimit)");
#else
        // A file size limit makes the write fail after the first bytes, as a full disk would.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.xml"));
        const QByteArray old = "earlier record";
        WriteAll(path, old);
        struct rlimit saved;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 64;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool written = WriteRecordFile(path, SampleRecord(), &error);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 1);
#endif
    }

    void readErrors()
    {
        QTemporaryDir dir;
        QDomDocument doc;
        RecordReadError error;
        QVERIFY(!ReadRecordFile(dir.filePath(QStringLiteral("missing.xml")), doc, &error));
        QCOMPARE(error.kind, RecordReadError::Open);
        QVERIFY(!error.message.isEmpty());

        QVERIFY(!ReadRecordFile(dir.path(), doc, &error));
        QVERIFY(error.kind != RecordReadError::None);

        const QString bad = dir.filePath(QStringLiteral("bad.xml"));
        WriteAll(bad, "<?xml version=\"1.0\"?>\r\n<A>\r\n  <B>x</C>\r\n</A>\r\n");
        QVERIFY(!ReadRecordFile(bad, doc, &error));
        QCOMPARE(error.kind, RecordReadError::Parse);
        QVERIFY(!error.message.isEmpty());
        QCOMPARE(error.line, 3);
        QVERIFY(error.column > 0);
    }

    // Files no record can be: refused before a tree is built, right at the bounds and no earlier.
    void readLimits_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("line");
        const auto nested = [](int aDepth) {
            return "<?xml version=\"1.0\"?>\r\n" + QByteArray("<a>").repeated(aDepth) + "\r\n" +
                   QByteArray("</a>").repeated(aDepth);
        };
        // Padding in a comment brings a valid record to an exact size.
        const auto sized = [](qint64 aSize) {
            const QByteArray head = "<Certificate><!--";
            const QByteArray tail = "--></Certificate>";
            return head + QByteArray(aSize - head.size() - tail.size(), 'x') + tail;
        };
        QTest::newRow("depth at the bound") << nested(kRecordDepthLimit) << int(RecordReadError::None) << 0;
        QTest::newRow("one level deeper")
            << nested(kRecordDepthLimit + 1) << int(RecordReadError::Parse) << 2;
        QTest::newRow("deeper, then malformed")
            << nested(kRecordDepthLimit + 1).chopped(3) << int(RecordReadError::Parse) << 2;
        QTest::newRow("size at the bound") << sized(kRecordSizeLimit) << int(RecordReadError::None) << 0;
        QTest::newRow("one byte more") << sized(kRecordSizeLimit + 1) << int(RecordReadError::Open) << 0;
    }
    void readLimits()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QFETCH(int, line);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("r.xml"));
        WriteAll(path, bytes);
        QDomDocument doc;
        RecordReadError error;
        QCOMPARE(ReadRecordFile(path, doc, &error), kind == RecordReadError::None);
        QCOMPARE(int(error.kind), kind);
        if (kind == RecordReadError::Parse) {
            QCOMPARE(error.line, line);
            // The column of the first element too deep: just after its start tag.
            QCOMPARE(error.column, 3 * (kRecordDepthLimit + 1));
        }
        if (kind != RecordReadError::None)
            QVERIFY(!error.message.isEmpty());
    }

    void readsDeclaredEncoding()
    {
        QTemporaryDir dir;
        const QString utf8 = dir.filePath(QStringLiteral("u.xml"));
        WriteAll(utf8, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<A><B>Привет</B></A>");
        const QString cp = dir.filePath(QStringLiteral("c.xml"));
        WriteAll(
            cp,
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n<A><B>\xcf\xf0\xe8\xe2\xe5\xf2</B></A>");
        for (const QString& path : {utf8, cp}) {
            QDomDocument doc;
            QVERIFY(ReadRecordFile(path, doc));
            QCOMPARE(ReadChildText(doc.documentElement(), QStringLiteral("B"), {}), QStringLiteral("Привет"));
        }
    }
};

QTEST_GUILESS_MAIN(tst_recordfile)
#include "tst_recordfile.moc"
