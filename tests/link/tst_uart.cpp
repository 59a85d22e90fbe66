#include "PtyUnit.h"
#include "TestLog.h"
#include "link/UART.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

class tst_uart : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void portPath_data();
    void portPath();
    void portPathFromDirectory();
    void transferTime_data();
    void transferTime();
    void missingPortFailsQuietly();
    void notATerminal();
    void reopenSameObject();
    void exclusiveOpen();
    void lockedByOtherProgram();
    void closedPort();
    void writeReachesUnit();
    void readWholeCount();
    void silentLineEndsAtLimit();
    void gapEndsShortRead();
    void tricklePastLimitIsPartial();
    void purgeDropsPendingInput();
    void hangUpEndsReadAtOnce();

private:
    // Links aUnit as port 1 and opens aPort on it.
    bool OpenOnUnit(PtyUnit& aUnit, UART& aPort);

    QTemporaryDir* mDir = nullptr;
};

void tst_uart::init()
{
    mDir = new QTemporaryDir;
    QVERIFY(mDir->isValid());
    qputenv("VELMORA_SERIAL_DIR", mDir->path().toLocal8Bit());
}

void tst_uart::cleanup()
{
    qunsetenv("VELMORA_SERIAL_DIR");
    delete mDir;
    mDir = nullptr;
}

bool tst_uart::OpenOnUnit(PtyUnit& aUnit, UART& aPort)
{
    return aUnit.LinkAs(mDir->path(), 1) && aPort.Open(1, 9600) == S_OK;
}

void tst_uart::portPath_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("path");
    QTest::newRow("1") << 1 << "/dev/ttyS0";
    QTest::newRow("32") << 32 << "/dev/ttyS31";
    QTest::newRow("33") << 33 << "/dev/ttyUSB0";
    QTest::newRow("64") << 64 << "/dev/ttyUSB31";
    QTest::newRow("65") << 65 << "/dev/ttyACM0";
    QTest::newRow("96") << 96 << "/dev/ttyACM31";
    QTest::newRow("97") << 97 << "";
    QTest::newRow("255") << 255 << "";
    QTest::newRow("0") << 0 << "";
    QTest::newRow("-1") << -1 << "";
}

void tst_uart::portPath()
{
    QFETCH(int, port);
    QFETCH(QString, path);
    qunsetenv("VELMORA_SERIAL_DIR");
    QCOMPARE(UART::PortPath(port), path);
}

void tst_uart::portPathFromDirectory()
{
    QCOMPARE(UART::PortPath(7), QDir(mDir->path()).filePath("COM7"));
    QCOMPARE(UART::PortPath(255), QDir(mDir->path()).filePath("COM255"));
    QCOMPARE(UART::PortPath(256), QString());
    QCOMPARE(UART::PortPath(0), QString());
}

void tst_uart::transferTime_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("extra");
    QTest::addColumn<int>("ms");
    QTest::newRow("1") << 1 << 0 << 32;
    QTest::newRow("19") << 19 << 0 << 32;
    QTest::newRow("20") << 20 << 0 << 32;
    QTest::newRow("21") << 21 << 0 << 33;
    QTest::newRow("100") << 100 << 0 << 160;
    QTest::newRow("first byte") << 1 << 500 << 501;
    QTest::newRow("256") << 256 << 0 << 410;
    QTest::newRow("0") << 0 << 0 << 32;
}

void tst_uart::transferTime()
{
    QFETCH(int, count);
    QFETCH(int, extra);
    QFETCH(int, ms);
    PtyUnit unit;
    QVERIFY(unit.LinkAs(mDir->path(), 1));
    UART port;
    QCOMPARE(port.TransferTime(100, 0), 32); // closed: no time per byte
    QCOMPARE(port.Open(1, 9600), int(S_OK));
    QCOMPARE(port.TransferTime(count, extra), ms);
    port.Close();
    QCOMPARE(port.TransferTime(100, 0), 32);
}

void tst_uart::missingPortFailsQuietly()
{
    TestLog log;
    UART port;
    QCOMPARE(port.Open(5, 9600), int(E_UART));
    QVERIFY(!port.IsOpen());
    QCOMPARE(port.Open(0, 9600), int(E_UART));
    QCOMPARE(port.Open(256, 9600), int(E_UART));
    QCOMPARE(log.Lines(), QStringList());
}

void tst_uart::notATerminal()
{
    QFile file(QDir(mDir->path()).filePath("COM2"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    TestLog log;
    UART port;
    QCOMPARE(port.Open(2, 9600), int(E_UART));
    QVERIFY(!port.IsOpen());
    QCOMPARE(log.Lines(), QStringList{"UART::Open GetCommState() error"});
}

void tst_uart::reopenSameObject()
{
    PtyUnit unit;
    QVERIFY(unit.LinkAs(mDir->path(), 3));
    UART port;
    QCOMPARE(port.Open(3, 9600), int(S_OK));
    QVERIFY(port.IsOpen());
    QCOMPARE(port.Open(3, 9600), int(S_OK));
    QVERIFY(port.IsOpen());
    port.Close();
    port.Close();
    QVERIFY(!port.IsOpen());
}

void tst_uart::exclusiveOpen()
{
    PtyUnit unit;
    QVERIFY(unit.LinkAs(mDir->path(), 4));
    UART first;
    UART second;
    QCOMPARE(first.Open(4, 9600), int(S_OK));
    QCOMPARE(second.Open(4, 9600), int(E_UART)); // also as root, who is not kept out by TIOCEXCL
    QVERIFY(!second.IsOpen());
    QVERIFY(first.IsOpen());
    first.Close();
    QCOMPARE(second.Open(4, 9600), int(S_OK));
}

void tst_uart::lockedByOtherProgram()
{
    PtyUnit unit;
    QVERIFY(unit.LinkAs(mDir->path(), 6));
    const int fd = ::open(QFile::encodeName(unit.SlavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    UART port;
    QCOMPARE(port.Open(6, 9600), int(E_UART));
    ::close(fd);
    QCOMPARE(port.Open(6, 9600), int(S_OK));
}

void tst_uart::closedPort()
{
    UART port;
    char buf[4] = {};
    QCOMPARE(port.Read(buf, 4, 50), -1);
    QCOMPARE(port.Write(buf, 4, 50), -1);
    PtyUnit unit;
    QVERIFY(unit.LinkAs(mDir->path(), 1));
    QCOMPARE(port.Open(1, 9600), int(S_OK));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(port.Read(buf, 0, 1000), 0); // nothing asked: the line is not even looked at
    QCOMPARE(port.Write(buf, 0, 1000), 0);
    QVERIFY(timer.elapsed() < 500); // a hang guard: nothing is waited for
    port.Close();
    QCOMPARE(port.Read(buf, 4, 50), -1);
    QCOMPARE(port.Write(buf, 4, 50), -1);
}

void tst_uart::writeReachesUnit()
{
    PtyUnit unit;
    UART port;
    QVERIFY(OpenOnUnit(unit, port));
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i)); // raw: no byte is translated or eaten (0x11, 0x13, CR, LF)
    QCOMPARE(port.Write(all.constData(), int(all.size()), 500), 256);
    QCOMPARE(unit.ReadRaw(1000, 256).toHex(), all.toHex());
}

void tst_uart::readWholeCount()
{
    PtyUnit unit;
    UART port;
    QVERIFY(OpenOnUnit(unit, port));
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(255 - i));
    unit.WriteRaw(all.left(100));
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        unit.WriteRaw(all.mid(100));
    });
    QByteArray buf(256, '\0');
    QCOMPARE(port.Read(buf.data(), 256, 1000), 256);
    later.join();
    QCOMPARE(buf.toHex(), all.toHex());
}

void tst_uart::silentLineEndsAtLimit()
{
    PtyUnit unit;
    UART port;
    QVERIFY(OpenOnUnit(unit, port));
    char buf[8];
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(port.Read(buf, 8, 200), 0);
    const qint64 ms = timer.elapsed();
    QVERIFY2(ms >= 195 && ms < 4000, qPrintable(QString::number(ms)));
}

void tst_uart::gapEndsShortRead()
{
    PtyUnit unit;
    UART port;
    QVERIFY(OpenOnUnit(unit, port));
    unit.WriteRaw("abc");
    char buf[10];
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(port.Read(buf, 10, 2000), 3);
    const qint64 ms = timer.elapsed();
    QVERIFY2(ms >= 65 && ms < 3000, qPrintable(QString::number(ms)));
    QCOMPARE(QByteArray(buf, 3), QByteArray("abc"));
}

void tst_uart::tricklePastLimitIsPartial()
{
    PtyUnit unit;
    UART port;
    QVERIFY(OpenOnUnit(unit, port));
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        for (int i = 0; i < 12 && !done; ++i) {
            unit.WriteRaw("x");
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    });
    char buf[20];
    QElapsedTimer timer;
    timer.start();
    const int got = port.Read(buf, 20, 150);
    const qint64 ms = timer.elapsed();
    done = true;
    trickle.join();
    // Bytes kept coming within the gap until the limit: an incomplete read, reported negative.
    QVERIFY2(got < 0 && got >= -8, qPrintable(QString::number(got)));
    QVERIFY2(ms >= 145 && ms < 3500, qPrintable(QString::number(ms)));
}

void tst_uart::purgeDropsPendingInput()
{
    PtyUnit unit;
    UART port;
    QVERIFY(OpenOnUnit(unit, port));
    unit.WriteRaw("stale");
    QTest::qWait(30);
    port.Purge(true, false);
    char buf[8];
    QCOMPARE(port.Read(buf, 5, 100), 0);
    unit.WriteRaw("fresh");
    QCOMPARE(port.Read(buf, 5, 500), 5);
    QCOMPARE(QByteArray(buf, 5), QByteArray("fresh"));
}

// The other end going away (a pseudo-terminal's master closed) ends a read at once, without spinning.
void tst_uart::hangUpEndsReadAtOnce()
{
    auto unit = std::make_unique<PtyUnit>();
    QVERIFY(unit->LinkAs(mDir->path(), 1));
    UART port;
    QCOMPARE(port.Open(1, 9600), int(S_OK));
    unit.reset();
    char buf[4];
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(port.Read(buf, 4, 1000), -1);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(tst_uart)
#include "tst_uart.moc"
