#include "PtyUnit.h"
#include "TestLog.h"
#include "link/CKR_HiProt.h"
#include "link/CKR_VUPortFindThrd.h"
#include "link/UART.h"
#include "tools/vusim/VUSimulator.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <unistd.h>

using PortMap = QMap<int, QString>;

namespace {

const QByteArray kProbeFrame = QByteArray::fromHex("80EEF003220BF987");

} // namespace

class tst_portfind : public QObject
{
    Q_OBJECT

private slots:
    void search_data();
    void search();
    void probeOfMissingPort();
};

// Ports: "s" silent line, "u" unit, "n" unit refusing the clock, "l" held by another program,
// "f" not a serial device.
void tst_portfind::search_data()
{
    QTest::addColumn<PortMap>("ports");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("tried");
    QTest::addColumn<QList<int>>("busy");
    QTest::addColumn<QList<int>>("denied");
    using M = PortMap;
    using L = QList<int>;
    QTest::newRow("no port at all") << M{} << -1 << "" << L{} << L{};
    QTest::newRow("unit on 3") << M{{1, "s"}, {3, "u"}} << 3 << "1" << L{} << L{};
    QTest::newRow("nobody answers") << M{{1, "s"}, {3, "s"}} << -1 << "1, 3" << L{} << L{};
    QTest::newRow("held port not tried") << M{{1, "s"}, {2, "l"}, {4, "s"}} << -1 << "1, 4" << L{2} << L{};
    QTest::newRow("refusal counts as found") << M{{5, "n"}} << 5 << "" << L{} << L{};
    QTest::newRow("mixed") << M{{1, "s"}, {2, "l"}, {3, "f"}, {5, "u"}, {9, "n"}, {12, "s"}} << 5 << "1"
                           << L{2} << L{};
    QTest::newRow("lowest unit wins") << M{{4, "n"}, {6, "u"}} << 4 << "" << L{} << L{};
    QTest::newRow("high port") << M{{7, "s"}, {255, "u"}} << 255 << "7" << L{} << L{};
    QTest::newRow("only a held unit") << M{{8, "l"}} << -1 << "" << L{8} << L{};
    QTest::newRow("held, closed and silent")
        << M{{3, "f"}, {6, "l"}, {9, "s"}, {11, "l"}} << -1 << "9" << L{6, 11} << L{};
    QTest::newRow("closed to this user") << M{{2, "d"}, {4, "s"}} << -1 << "4" << L{} << L{2};
}

void tst_portfind::search()
{
    QFETCH(PortMap, ports);
    QFETCH(int, result);
    QFETCH(QString, tried);
    QFETCH(QList<int>, busy);
    QFETCH(QList<int>, denied);
    if (!denied.isEmpty() && ::geteuid() == 0)
        QSKIP("root may open every device");

    QTemporaryDir dir;
    qputenv("VELMORA_SERIAL_DIR", dir.path().toLocal8Bit());
    std::vector<std::unique_ptr<PtyUnit>> lines; // no unit behind them
    std::vector<std::unique_ptr<VUSimulator>> units;
    std::vector<int> locks;
    for (auto it = ports.cbegin(); it != ports.cend(); ++it) {
        if (it.value() == "f") {
            QFile file(QDir(dir.path()).filePath(QStringLiteral("COM%1").arg(it.key())));
            QVERIFY(file.open(QIODevice::WriteOnly));
            continue;
        }
        if (it.value() == "u" || it.value() == "n") {
            auto unit = std::make_unique<VUSimulator>();
            QVERIFY2(unit->Start(dir.path(), it.key()), qPrintable(unit->ErrorString()));
            if (it.value() == "n")
                unit->SetNegativeReply(CKR_HiProt::PID_VUDateTime, 0x22);
            units.push_back(std::move(unit));
            continue;
        }
        auto unit = std::make_unique<PtyUnit>();
        QVERIFY(unit->LinkAs(dir.path(), it.key()));
        if (it.value() == "d")
            QVERIFY(QFile::setPermissions(unit->SlavePath(), QFileDevice::Permissions()));
        if (it.value() == "l") {
            const int fd = ::open(QFile::encodeName(unit->SlavePath()).constData(), O_RDWR | O_NOCTTY);
            QVERIFY(fd >= 0);
            QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
            locks.push_back(fd);
        }
        lines.push_back(std::move(unit));
    }

    auto log = std::make_unique<TestLog>();
    VUPortSearch search;
    search.tried = QStringLiteral("unchanged");
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(FindVUPort(&search), result);
    const qint64 ms = timer.elapsed();
    QCOMPARE(search.tried, tried);
    QCOMPARE(search.busy, busy);
    QCOMPARE(search.denied, denied);
    QCOMPARE(log->Lines().last(), QStringLiteral("Find: Port=%1").arg(result));
    QVERIFY2(ms < 26000, qPrintable(QString::number(ms)));
    for (const QString& line : log->Lines())
        if (line.startsWith("\nOpen = "))
            QVERIFY(line.endsWith("\n"));
    int opened = 0;
    for (auto it = ports.cbegin(); it != ports.cend(); ++it)
        opened += (it.value() == "s" || it.value() == "u" || it.value() == "n") ? 1 : 0;
    QCOMPARE(log->Count("\nOpen = "), opened);

    // Every probe has let its port go: the dialog can open the found one at once.
    if (result > 0) {
        UART port;
        QCOMPARE(port.Open(result, 9600), int(S_OK));
    }
    for (const auto& unit : units)
        for (const VUSimulator::Request& request : unit->Log())
            QCOMPARE(request.frame.toHex(), kProbeFrame.toHex());
    for (const int fd : locks)
        ::close(fd);
    qunsetenv("VELMORA_SERIAL_DIR");
    log.reset();
    qInfo("search took %lld ms", ms);
}

void tst_portfind::probeOfMissingPort()
{
    QTemporaryDir dir;
    qputenv("VELMORA_SERIAL_DIR", dir.path().toLocal8Bit());
    CKR_VUPortFindThrd probe(17);
    QVERIFY(probe.WaitDone(2000));
    QVERIFY(!probe.Found());
    QCOMPARE(probe.Result(), VUErr::PortNotOpen);
    QCOMPARE(probe.Port(), 17);
    qunsetenv("VELMORA_SERIAL_DIR");
}

QTEST_GUILESS_MAIN(tst_portfind)
#include "tst_portfind.moc"
