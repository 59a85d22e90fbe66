#include "records/XmlElements.h"

#include <QDomDocument>
#include <QLocale>
#include <QTest>

class tst_xmlelements : public QObject
{
    Q_OBJECT

    QDomDocument mDoc;
    QDomElement mRoot;

    // <Root><Value>aText</Value></Root>
    QDomElement RootWith(const QString& aText)
    {
        mDoc = QDomDocument();
        mRoot = mDoc.createElement(QStringLiteral("Root"));
        mDoc.appendChild(mRoot);
        QDomElement value = mDoc.createElement(QStringLiteral("Value"));
        value.appendChild(mDoc.createTextNode(aText));
        mRoot.appendChild(value);
        return mRoot;
    }

private slots:
    void readInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << "123" << 123;
        QTest::newRow("negative") << "-45" << -45;
        QTest::newRow("octal") << "010" << 8;
        QTest::newRow("hex") << "0x10" << 16;
        QTest::newRow("hex upper") << "0X1F" << 31;
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("spaces around") << "  42 \n" << 42;
        QTest::newRow("not a number") << "abc" << -7;
        QTest::newRow("empty") << "" << -7;
        QTest::newRow("bad octal") << "09" << -7;
        QTest::newRow("trailing garbage") << "12km" << -7;
        QTest::newRow("inner space") << "1 2" << -7;
        QTest::newRow("fraction") << "1.5" << -7;
        QTest::newRow("max") << "2147483647" << 2147483647;
        QTest::newRow("overflow") << "2147483648" << -7;
        QTest::newRow("binary prefix") << "0b11" << -7;
    }
    void readInt()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(ReadChildInt(RootWith(text), QStringLiteral("Value"), -7), expected);
    }

    void readDouble_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        for (const char* loc : {"C", "ru_RU", "de_DE"}) {
            const QString l = QString::fromLatin1(loc);
            QTest::addRow("%s point", loc) << l << "123.4" << 123.4;
            QTest::addRow("%s comma", loc) << l << "123,4" << 123.4;
            QTest::addRow("%s spaces", loc) << l << " 7.5 " << 7.5;
            QTest::addRow("%s integer", loc) << l << "100" << 100.0;
            QTest::addRow("%s negative", loc) << l << "-0,5" << -0.5;
            QTest::addRow("%s word", loc) << l << "много" << -1.0;
            QTest::addRow("%s empty", loc) << l << "" << -1.0;
            QTest::addRow("%s two points", loc) << l << "1.2.3" << -1.0;
            QTest::addRow("%s nan", loc) << l << "nan" << -1.0;
            QTest::addRow("%s inf", loc) << l << "inf" << -1.0;
        }
    }
    void readDouble()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(double, expected);
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        const double value = ReadChildDouble(RootWith(text), QStringLiteral("Value"), -1.0);
        QLocale::setDefault(saved);
        QCOMPARE(value, expected);
    }

    void readMissingGivesDefaults()
    {
        const QDomElement root = RootWith(QStringLiteral("5"));
        QCOMPARE(ReadChildText(root, QStringLiteral("Other"), QStringLiteral("def")), QStringLiteral("def"));
        QCOMPARE(ReadChildInt(root, QStringLiteral("Other"), 99), 99);
        QCOMPARE(ReadChildDouble(root, QStringLiteral("Other"), 2.5), 2.5);
        // A null parent reads as missing too.
        QCOMPARE(ReadChildInt(QDomElement(), QStringLiteral("Value"), 3), 3);
        // Reading never creates anything.
        QCOMPARE(root.childNodes().count(), 1);
    }

    void readTextIsUnchangedAndDirectOnly()
    {
        QDomDocument doc;
        QVERIFY(doc.setContent(QByteArrayLiteral("<R><A>  two  words </A><B><C>deep</C></B><C/></R>")));
        const QDomElement r = doc.documentElement();
        QCOMPARE(ReadChildText(r, QStringLiteral("A"), {}), QStringLiteral("  two  words "));
        // C under B is not a direct child; the direct, empty C is found.
        QCOMPARE(ReadChildText(r, QStringLiteral("C"), QStringLiteral("x")), QString());
        // An empty element holds an empty text, not the default.
        QCOMPARE(ReadChildInt(r, QStringLiteral("C"), 4), 4);
    }

    void childElementFindsOrCreates()
    {
        QDomDocument doc;
        QVERIFY(doc.setContent(QByteArrayLiteral("<R><A>1</A><A>2</A></R>")));
        QDomElement r = doc.documentElement();
        QCOMPARE(ChildElement(r, QStringLiteral("A")).text(), QStringLiteral("1"));
        QCOMPARE(r.childNodes().count(), 2);

        // Missing intermediates appear in memory; values below them count as missing.
        QDomElement c = ChildElement(ChildElement(r, QStringLiteral("X")), QStringLiteral("Y"));
        QVERIFY(!c.isNull());
        QCOMPARE(r.lastChildElement().tagName(), QStringLiteral("X"));
        QCOMPARE(ReadChildInt(c, QStringLiteral("Z"), 11), 11);
        QCOMPARE(doc.toString(-1), QStringLiteral("<R><A>1</A><A>2</A><X><Y/></X></R>"));

        QVERIFY(ChildElement(QDomElement(), QStringLiteral("A")).isNull());
    }

    void appendChildElementRepeats()
    {
        QDomDocument doc;
        QDomElement r = doc.createElement(QStringLiteral("R"));
        doc.appendChild(r);
        SetChildText(AppendChildElement(r, QStringLiteral("M")), QStringLiteral("N"), QStringLiteral("a"));
        SetChildText(AppendChildElement(r, QStringLiteral("M")), QStringLiteral("N"), QStringLiteral("b"));
        QCOMPARE(doc.toString(-1), QStringLiteral("<R><M><N>a</N></M><M><N>b</N></M></R>"));
    }

    void setChildTextReplacesFirstTextNode()
    {
        QDomDocument doc;
        QVERIFY(doc.setContent(QByteArrayLiteral("<R><A>old<!--c-->tail</A><B><X/></B></R>")));
        QDomElement r = doc.documentElement();
        SetChildText(r, QStringLiteral("A"), QStringLiteral("new"));
        SetChildText(r, QStringLiteral("B"), QStringLiteral("text"));
        SetChildText(r, QStringLiteral("C"), QStringLiteral("made"));
        QCOMPARE(doc.toString(-1), QStringLiteral("<R><A>new<!--c-->tail</A><B><X/>text</B><C>made</C></R>"));
    }

    void writeNumbers()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::Russian));
        QDomDocument doc;
        QDomElement r = doc.createElement(QStringLiteral("R"));
        doc.appendChild(r);
        WriteChildInt(r, QStringLiteral("I"), -42);
        WriteChildInt(r, QStringLiteral("H"), 255, 16);
        WriteChildDouble(r, QStringLiteral("D"), 123456.75);
        WriteChildDouble(r, QStringLiteral("Z"), 0.0);
        WriteChildDouble(r, QStringLiteral("E"), 1500.0, 'e', 2);
        WriteChildInt(r, QStringLiteral("I"), 7); // rewrites, no second element
        QLocale::setDefault(saved);
        QCOMPARE(doc.toString(-1),
                 QStringLiteral("<R><I>7</I><H>ff</H><D>123456.8</D><Z>0.0</Z><E>1.50e+03</E></R>"));
        QCOMPARE(ReadChildInt(r, QStringLiteral("I"), 0), 7);
    }
};

QTEST_APPLESS_MAIN(tst_xmlelements)
#include "tst_xmlelements.moc"
