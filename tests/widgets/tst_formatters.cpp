#include "widgets/Formatters.h"

#include <QDateTime>
#include <QLocale>
#include <QTest>

#include <ctime>

namespace {
// POSIX TZ text for a zone aMinutes ahead of UTC ("<+0330>-3:30"; the POSIX sign is inverted).
QByteArray PosixZone(int aMinutes)
{
    const int hours = qAbs(aMinutes) / 60;
    const int minutes = qAbs(aMinutes) % 60;
    const char sign = aMinutes < 0 ? '-' : '+';
    return QString::asprintf("<%c%02d%02d>%s%d:%02d", sign, hours, minutes, aMinutes < 0 ? "" : "-", hours,
                             minutes)
        .toLatin1();
}

void SetZone(const QByteArray& aTz)
{
    qputenv("TZ", aTz);
    tzset();
}
} // namespace

class TestFormatters : public QObject
{
    Q_OBJECT

private:
    QByteArray mOldTz;
    bool mHadTz = false;

private slots:
    void initTestCase()
    {
        mHadTz = qEnvironmentVariableIsSet("TZ");
        mOldTz = qgetenv("TZ");
    }

    void cleanup()
    {
        if (mHadTz)
            qputenv("TZ", mOldTz);
        else
            qunsetenv("TZ");
        tzset();
        QLocale::setDefault(QLocale::c());
    }

    void localUtcOffset_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("expected");
        QTest::newRow("UTC") << QByteArray("UTC0") << 0;
        QTest::newRow("UTC+3") << PosixZone(180) << 180;
        QTest::newRow("UTC-3:30") << PosixZone(-210) << -210;
        QTest::newRow("UTC+5:45") << PosixZone(345) << 345;
        QTest::newRow("UTC+14") << PosixZone(840) << 840;
        QTest::newRow("UTC-11") << PosixZone(-660) << -660;
    }

    void localUtcOffset()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, expected);
        SetZone(zone);
        QCOMPARE(LocalUtcOffset(), expected);
    }

    // Pick a zone whose local date differs from the UTC date right now: the day difference must count.
    void localUtcOffsetAcrossMidnight_data()
    {
        QTest::addColumn<bool>("ahead");
        QTest::newRow("local date a day ahead") << true;
        QTest::newRow("local date a day behind") << false;
    }

    void localUtcOffsetAcrossMidnight()
    {
        QFETCH(bool, ahead);
        const QTime utcNow = QDateTime::currentDateTimeUtc().time();
        const int utcMinutes = utcNow.hour() * 60 + utcNow.minute();
        // Half an hour past local midnight (ahead) or half an hour before it (behind), within +-24 h.
        int offset = ahead ? 24 * 60 - utcMinutes + 30 : -(utcMinutes + 30);
        if (offset >= 24 * 60 || offset <= -24 * 60)
            offset = ahead ? 30 : -30; // the other side of midnight is within the half hour
        SetZone(PosixZone(offset));

        const QDateTime local = QDateTime::currentDateTime();
        if (local.date() == local.toUTC().date())
            QSKIP("The clock moved on to a moment where local and UTC date agree");
        QCOMPARE(LocalUtcOffset(), offset);
    }

    void numberText_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");
        const QLocale c = QLocale::c();
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        QTest::newRow("point, fraction") << c << 1234.5 << QStringLiteral("1234.5");
        QTest::newRow("point, exponent") << c << 1234567.0 << QStringLiteral("1.23457e+06");
        QTest::newRow("point, six digits") << c << 3.14159265 << QStringLiteral("3.14159");
        QTest::newRow("point, whole") << c << 3030.0 << QStringLiteral("3030");
        QTest::newRow("point, negative") << c << -0.25 << QStringLiteral("-0.25");
        QTest::newRow("point, small") << c << 0.00001 << QStringLiteral("1e-05");
        QTest::newRow("comma, fraction") << russian << 1234.5 << QStringLiteral("1234,5");
        QTest::newRow("comma, exponent") << russian << 1234567.0 << QStringLiteral("1,23457e+06");
        QTest::newRow("comma, whole") << russian << 8000.0 << QStringLiteral("8000");
        QTest::newRow("comma, negative") << russian << -12.75 << QStringLiteral("-12,75");
    }

    void numberText()
    {
        QFETCH(QLocale, locale);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        QCOMPARE(NumberText(value), expected);
    }

    void coordText_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QLocale c = QLocale::c();
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        QTest::newRow("latitude") << c << QStringLiteral("5545.1234")
                                  << QStringLiteral("55\u00B0 45' 7.404\"");
        QTest::newRow("longitude") << c << QStringLiteral("03739.5678")
                                   << QStringLiteral("37\u00B0 39' 34.068\"");
        QTest::newRow("three-digit degrees")
            << c << QStringLiteral("17959.5") << QStringLiteral("179\u00B0 59' 30\"");
        QTest::newRow("no fraction") << c << QStringLiteral("5545") << QStringLiteral("55\u00B0 45' 0\"");
        QTest::newRow("minutes only") << c << QStringLiteral("12.5") << QStringLiteral("0\u00B0 12' 30\"");
        QTest::newRow("empty") << c << QString() << QStringLiteral("0\u00B0 0' 0\"");
        QTest::newRow("comma latitude")
            << russian << QStringLiteral("5545,1234") << QStringLiteral("55\u00B0 45' 7.404\"");
        QTest::newRow("comma longitude")
            << russian << QStringLiteral("03739,5678") << QStringLiteral("37\u00B0 39' 34.068\"");
        QTest::newRow("comma empty") << russian << QString() << QStringLiteral("0\u00B0 0' 0\"");
        // Minutes of a damaged sentence that no int holds: the text as it came.
        QTest::newRow("infinite minutes")
            << russian << QStringLiteral("28,e992") << QStringLiteral("28,e992");
        QTest::newRow("huge minutes") << c << QStringLiteral("12.5e20") << QStringLiteral("12.5e20");
    }

    void knotsAsKmh_data()
    {
        QTest::addColumn<double>("knots");
        QTest::addColumn<QString>("expected");
        QTest::newRow("truncated") << 10.0 << QStringLiteral("18");
        QTest::newRow("backwards") << -10.0 << QStringLiteral("-18");
        QTest::newRow("beyond any integer") << 1e300 << QStringLiteral("1.852e+300");
        QTest::newRow("infinite") << qInf() << QStringLiteral("inf");
        QTest::newRow("not a number") << qQNaN() << QStringLiteral("nan");
    }

    void knotsAsKmh()
    {
        QFETCH(double, knots);
        QFETCH(QString, expected);
        QCOMPARE(KnotsAsKmhText(knots), expected);
    }

    void offsetFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("minutes");
        QTest::newRow("east") << QStringLiteral("+5:45") << true << 330;
        QTest::newRow("west, half an hour") << QStringLiteral("-0:30") << true << -30;
        QTest::newRow("no hours") << QStringLiteral(":30") << false << 0;
        QTest::newRow("largest int hours") << QStringLiteral("2147483647:30") << true << 1410;
        QTest::newRow("smallest int hours") << QStringLiteral("-2147483648:00") << true << -1410;
        QTest::newRow("more digits than an int") << QStringLiteral("99999999999:00") << false << 0;
    }

    void offsetFromText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, minutes);
        int got = 0;
        QCOMPARE(OffsetFromText(text, got), ok);
        if (ok)
            QCOMPARE(got, minutes);
    }

    void coordText()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        QCOMPARE(CoordText(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestFormatters)
#include "tst_formatters.moc"
