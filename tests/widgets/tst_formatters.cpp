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
#ifdef Q_OS_WIN
    // The C runtime of Windows takes only a three-letter name, then the inverted offset.
    Q_UNUSED(sign);
    return QString::asprintf("UTC%s%d:%02d", aMinutes < 0 ? "+" : "-", hours, minutes).toLatin1();
#endif
    return QString::asprintf("<%c%02d%02d>%s%d:%02d", sign, hours, minutes, aMinutes < 0 ? "" : "-", hours,
                             minutes)
        .toLatin1();
}

const char* const kGnssSentence = "$GPRMC,083015.00,A,5545.1234,N,03739.5678,E,10.0,54.7,250811,,,A*6C";

void SetZone(const QByteArray& aTz)
{
    qputenv("TZ", aTz);
    tzset();
}
} // namespace

class tst_formatters : public QObject
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

    void gnssTexts_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<QStringList>("shown"); // latitude, longitude, speed, date and time

        const QString deg = QString::fromUtf8("\u00B0");
        QTest::newRow("fix") << QString(kGnssSentence)
                             << QStringList{"55" + deg + " 45' 7.404\" с.ш.",
                                            "37" + deg + " 39' 34.068\" в.д.", "18 км/ч",
                                            "25/08/2011 08:30:15"};
        QTest::newRow("padded as the unit sends it")
            << QString(kGnssSentence) + QString(68 - qstrlen(kGnssSentence), ' ') + "\n"
            << QStringList{"55" + deg + " 45' 7.404\" с.ш.", "37" + deg + " 39' 34.068\" в.д.", "18 км/ч",
                           "25/08/2011 08:30:15"};
        QTest::newRow("no fix, south and west")
            << "$GPRMC,235959,V,3350.0000,S,07030.5000,W,0.5,,311299,,,N*00"
            << QStringList{"33" + deg + " 50' 0\" ю.ш. (?)", "70" + deg + " 30' 30\" з.д. (?)", "0 км/ч (?)",
                           "31/12/2099 23:59:59 (?)"};
        // A damaged sentence: minutes that read as infinity, a speed beyond any integer.
        QTest::newRow("minutes and speed out of range")
            << "$GPRMC,083015.00,A,28.e992,N,03739.5678,E,1e300,,250811,,,A*00"
            << QStringList{"28" + QLocale().decimalPoint() + "e992 с.ш.", "37" + deg + " 39' 34.068\" в.д.",
                           "1" + QLocale().decimalPoint() + "852e+300 км/ч", "25/08/2011 08:30:15"};
        QTest::newRow("infinite speed")
            << "$GPRMC,083015.00,A,5545.1234,N,03739.5678,E,1e999,,250811,,,A*00"
            << QStringList{"55" + deg + " 45' 7.404\" с.ш.", "37" + deg + " 39' 34.068\" в.д.", "inf км/ч",
                           "25/08/2011 08:30:15"};
        QTest::newRow("fewer than 11 fields")
            << "$GPRMC,083015.00,A,5545.1234,N,03739.5678,E*00" << QStringList{"", "", "", ""};
        QTest::newRow("unit without receiver (empty text)") << "" << QStringList{"", "", "", ""};
        QTest::newRow("blanks only") << "          " << QStringList{"", "", "", ""};
    }

    void gnssTexts()
    {
        QFETCH(QString, sentence);
        QFETCH(QStringList, shown);
        const GnssTexts texts = GnssTextsFromSentence(sentence);
        QCOMPARE((QStringList{texts.latitude, texts.longitude, texts.speed, texts.dateTime}), shown);
    }

    void odometerFromText_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("zero") << "C"
                              << "0" << true << 0.0;
        QTest::newRow("point") << "C"
                               << "123456.7" << true << 123456.7;
        QTest::newRow("ru comma") << "ru_RU"
                                  << "123,5" << true << 123.5;
        QTest::newRow("ru point") << "ru_RU"
                                  << "123.5" << true << 123.5;
        QTest::newRow("C comma") << "C"
                                 << "250000,7" << true << 250000.7;
        QTest::newRow("trailing point") << "ru_RU"
                                        << " 25. " << true << 25.0;
        QTest::newRow("C grouped") << "C"
                                   << "1,234.5" << false << 0.0;
        QTest::newRow("ru grouped") << "ru_RU"
                                    << "1\u00a0234,5" << false << 0.0;
        QTest::newRow("two points") << "C"
                                    << "1.2.3" << false << 0.0;
        QTest::newRow("exponent") << "C"
                                  << "1e3" << false << 0.0;
        QTest::newRow("unit") << "ru_RU"
                              << "300000 км" << false << 0.0;
        // The largest metre count of 4 bytes, in tenths of a km.
        QTest::newRow("max") << "C"
                             << "4294967.2" << true << 4294967.2;
        QTest::newRow("above max") << "C"
                                   << "4294967,3" << false << 0.0;
        QTest::newRow("negative") << "C"
                                  << "-1" << false << 0.0;
        QTest::newRow("word") << "C"
                              << "abc" << false << 0.0;
        QTest::newRow("empty") << "C"
                               << "" << false << 0.0;
        QTest::newRow("nan") << "C"
                             << "nan" << false << 0.0;
    }
    void odometerFromText()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        double got = -5;
        const bool ok = OdometerFromText(text, &got);
        QLocale::setDefault(saved);
        QCOMPARE(ok, valid);
        if (valid)
            QCOMPARE(got, value);
    }

    void odometerText_data()
    {
        QTest::addColumn<double>("km");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("fraction") << 1234.5 << "1234,5";
        // The record's tenths, however many digits before them.
        QTest::newRow("six digits") << 123456.7 << "123456,7";
        QTest::newRow("half a km") << 200000.5 << "200000,5";
        QTest::newRow("whole km") << 200000.0 << "200000";
        QTest::newRow("hundredths rounded") << 999.96 << "1000";
        QTest::newRow("million") << 1000000.0 << "1000000";
        QTest::newRow("million and a bit") << 1234567.8 << "1234567,8";
        QTest::newRow("largest with tenth") << 9999999.9 << "9999999,9";
        // Beyond, the tenth would not fit the field: whole km.
        QTest::newRow("ten million and a bit") << 12345678.9 << "12345679";
        QTest::newRow("max") << 4294967.2 << "4294967,2";
        QTest::newRow("absurd") << 1e12 << "1e+12";
    }
    void odometerText()
    {
        QFETCH(double, km);
        QFETCH(QString, expected);
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::Russian));
        const QString text = OdometerText(km);
        QLocale::setDefault(saved);
        QCOMPARE(text, expected);
        QVERIFY(text.size() <= 9);
    }

    void odometerKmToMetres_data()
    {
        QTest::addColumn<double>("km");
        QTest::addColumn<quint64>("metres");
        QTest::newRow("rounded") << 1234.5678 << quint64(1234568);
        QTest::newRow("negative") << -5.0 << quint64(0);
        QTest::newRow("largest") << 4294967.2 << quint64(4294967200);
        QTest::newRow("beyond the largest") << 1e300 << quint64(4294967200);
        QTest::newRow("not a number") << qQNaN() << quint64(0);
    }
    void odometerKmToMetres()
    {
        QFETCH(double, km);
        QFETCH(quint64, metres);
        QCOMPARE(OdometerKmToMetres(km), metres);
    }

    void odometerMetresToWrite_data()
    {
        QTest::addColumn<double>("shownKm");
        QTest::addColumn<quint64>("unitMetres");
        QTest::addColumn<quint32>("metres");
        // A field still showing the unit's value writes back every metre the unit holds.
        QTest::newRow("untouched") << 123456.0 << quint64(123456049) << quint32(123456049);
        QTest::newRow("untouched, rounded up") << 123456.1 << quint64(123456050) << quint32(123456050);
        // An edited field writes its whole tenths, with no metre lost to the binary fraction.
        QTest::newRow("edited") << 123456.1 << quint64(123456049) << quint32(123456100);
        QTest::newRow("tenth in binary") << 0.3 << quint64(0) << quint32(300);
    }
    void odometerMetresToWrite()
    {
        QFETCH(double, shownKm);
        QFETCH(quint64, unitMetres);
        QFETCH(quint32, metres);
        QCOMPARE(OdometerMetresToWrite(shownKm, unitMetres), metres);
    }

    void odometerTenthsKm_data()
    {
        QTest::addColumn<quint64>("metres");
        QTest::addColumn<double>("km");
        QTest::newRow("truncated") << quint64(987654399) << 987654.3;
        QTest::newRow("below a tenth") << quint64(99) << 0.0;
        QTest::newRow("whole") << quint64(1000) << 1.0;
    }
    void odometerTenthsKm()
    {
        QFETCH(quint64, metres);
        QFETCH(double, km);
        QCOMPARE(OdometerTenthsKm(metres), km);
    }
};

QTEST_GUILESS_MAIN(tst_formatters)
#include "tst_formatters.moc"
