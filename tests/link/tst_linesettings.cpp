#include "link/LineSettings.h"

#include <QtTest>

namespace {

// 9600 8O1 as the port asks for it.
termios Wanted()
{
    termios tio{};
    cfmakeraw(&tio);
    tio.c_cflag &= ~tcflag_t(CSIZE | CSTOPB);
    tio.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    return tio;
}

} // namespace

class tst_linesettings : public QObject
{
    Q_OBJECT

private slots:
    void held_data();
    void held();
};

// What the driver reports back after the port asked for 9600 8O1: a pseudo-terminal may only lose the
// parity; a device with a wire must keep everything.
void tst_linesettings::held_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<bool>("pseudo");
    QTest::addColumn<bool>("usable");
    enum Change
    {
        None,
        NoParity,
        EvenParity,
        SevenBits,
        TwoStops,
        OtherSpeed
    };
    QTest::newRow("device as asked") << int(None) << false << true;
    QTest::newRow("device without parity") << int(NoParity) << false << false;
    QTest::newRow("device even parity") << int(EvenParity) << false << false;
    QTest::newRow("device 7 bits") << int(SevenBits) << false << false;
    QTest::newRow("device 2 stop bits") << int(TwoStops) << false << false;
    QTest::newRow("device at 4800") << int(OtherSpeed) << false << false;
    QTest::newRow("pty as asked") << int(None) << true << true;
    QTest::newRow("pty without parity") << int(NoParity) << true << true;
    QTest::newRow("pty even parity") << int(EvenParity) << true << true;
    QTest::newRow("pty 7 bits") << int(SevenBits) << true << false;
    QTest::newRow("pty 2 stop bits") << int(TwoStops) << true << false;
    QTest::newRow("pty at 4800") << int(OtherSpeed) << true << false;
}

void tst_linesettings::held()
{
    QFETCH(int, change);
    QFETCH(bool, pseudo);
    QFETCH(bool, usable);
    const termios wanted = Wanted();
    termios got = wanted;
    switch (change) {
    case 1:
        got.c_cflag &= ~tcflag_t(PARENB | PARODD);
        break;
    case 2:
        got.c_cflag &= ~tcflag_t(PARODD);
        break;
    case 3:
        got.c_cflag = (got.c_cflag & ~tcflag_t(CSIZE)) | CS7;
        break;
    case 4:
        got.c_cflag |= CSTOPB;
        break;
    case 5:
        cfsetispeed(&got, B4800);
        cfsetospeed(&got, B4800);
        break;
    default:
        break;
    }
    QCOMPARE(LineSettingsHeld(wanted, got, pseudo), usable);
}

QTEST_GUILESS_MAIN(tst_linesettings)
#include "tst_linesettings.moc"
