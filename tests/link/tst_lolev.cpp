#include "PtyUnit.h"
#include "TestLog.h"
#include "link/CKR_LoLev.h"
#include "link/UART.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray Hex(const char* aHex)
{
    return QByteArray::fromHex(aHex);
}

const QByteArray kRequest = Hex("220BF9");
const QByteArray kRequestFrame = Hex("80EEF003220BF987");

} // namespace

class tst_lolev : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void buildFrame_data();
    void buildFrame();
    void positiveReply_data();
    void positiveReply();
    void negativeReply_data();
    void negativeReply();
    void badReplyRetried_data();
    void badReplyRetried();
    void silentUnit();
    void secondAttemptSucceeds();
    void leftoverBytesAreDropped();
    void oversizeDataIsNotSent();
    void noPort();
    void portClosed();

private:
    bool OpenPort(PtyUnit& aUnit);

    QTemporaryDir* mDir = nullptr;
    UART* mPort = nullptr;
};

void tst_lolev::init()
{
    mDir = new QTemporaryDir;
    qputenv("VELMORA_SERIAL_DIR", mDir->path().toLocal8Bit());
    mPort = new UART;
}

void tst_lolev::cleanup()
{
    delete mPort;
    mPort = nullptr;
    qunsetenv("VELMORA_SERIAL_DIR");
    delete mDir;
    mDir = nullptr;
}

bool tst_lolev::OpenPort(PtyUnit& aUnit)
{
    return aUnit.LinkAs(mDir->path(), 1) && mPort->Open(1, 9600) == S_OK;
}

void tst_lolev::buildFrame_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("source");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("read clock") << kRequest << 0xEE << 0xF0 << kRequestFrame;
    QTest::newRow("empty") << QByteArray() << 0xEE << 0xF0 << Hex("80EEF0005E");
    QTest::newRow("write K") << Hex("2E18F9401F") << 0xEE << 0xF0 << Hex("80EEF0052E18F9401F01");
    QTest::newRow("reply") << Hex("620BF9") << 0xF0 << 0xEE << Hex("80F0EE03620BF9C7");
    QTest::newRow("255 bytes") << QByteArray(255, '\1') << 0xEE << 0xF0
                               << Hex("80EEF0FF") + QByteArray(255, '\1') + Hex("5C");
    QTest::newRow("256 bytes") << QByteArray(256, '\1') << 0xEE << 0xF0 << QByteArray();
    QTest::newRow("1000 bytes") << QByteArray(1000, '\1') << 0xEE << 0xF0 << QByteArray();
}

void tst_lolev::buildFrame()
{
    QFETCH(QByteArray, data);
    QFETCH(int, target);
    QFETCH(int, source);
    QFETCH(QByteArray, frame);
    QCOMPARE(CKR_LoLev::BuildFrame(data, quint8(target), quint8(source)).toHex(), frame.toHex());
}

// A valid reply, delivered whole, byte by byte or in odd pieces.
void tst_lolev::positiveReply_data()
{
    QTest::addColumn<QByteArray>("replyData");
    QTest::addColumn<QList<int>>("chunks");
    QTest::addColumn<int>("delayMs");
    const QByteArray clock = Hex("620BF9442A0E0C19290003");
    QTest::newRow("whole") << clock << QList<int>{1000} << 0;
    QTest::newRow("byte at a time") << clock << QList<int>{1} << 3;
    QTest::newRow("odd chunks") << clock << QList<int>{2, 3, 1, 5, 4} << 20;
    QTest::newRow("head then rest late") << clock << QList<int>{1, 100} << 60;
    QTest::newRow("no data") << QByteArray() << QList<int>{1000} << 0;
    QTest::newRow("255 data bytes") << QByteArray(255, '\x5A') << QList<int>{1, 3, 97, 200} << 10;
    QTest::newRow("7F later in data") << Hex("627F7F7F") << QList<int>{1000} << 0;
}

void tst_lolev::positiveReply()
{
    QFETCH(QByteArray, replyData);
    QFETCH(QList<int>, chunks);
    QFETCH(int, delayMs);
    PtyUnit unit;
    QVERIFY(OpenPort(unit));
    const QByteArray reply = PtyUnit::ReplyFrame(replyData);
    unit.Start([=](const QByteArray&) { return PtyUnit::Chunked(reply, chunks, delayMs); });

    TestLog log;
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out("old");
    QVERIFY(link.Exchange(kRequest, out, 0xEE, 500));
    QCOMPARE(link.LinkError(), VUErr::Ok);
    QCOMPARE(out.toHex(), replyData.toHex());
    QCOMPARE(unit.Frames(), QList<QByteArray>{kRequestFrame});
    QCOMPARE(log.Lines(), QStringList());
}

void tst_lolev::negativeReply_data()
{
    QTest::addColumn<QByteArray>("replyData");
    QTest::addColumn<quint32>("code");
    QTest::newRow("request out of range") << Hex("7F2231") << 0x80000031u;
    QTest::newRow("conditions not correct") << Hex("7F2E22") << 0x80000022u;
    QTest::newRow("unnamed reason") << Hex("7F2255") << 0x80000055u;
    QTest::newRow("reason 0") << Hex("7F2200") << 0x80000000u;
    QTest::newRow("too short") << Hex("7F22") << 5u;
    QTest::newRow("alone") << Hex("7F") << 5u;
    QTest::newRow("too long") << Hex("7F223100") << 5u;
}

// A refusal is final: one attempt only.
void tst_lolev::negativeReply()
{
    QFETCH(QByteArray, replyData);
    QFETCH(quint32, code);
    PtyUnit unit;
    QVERIFY(OpenPort(unit));
    const QByteArray reply = PtyUnit::ReplyFrame(replyData);
    unit.Start([=](const QByteArray&) { return QList<PtyUnit::Chunk>{{reply, 0}}; });

    TestLog log;
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out("old");
    QVERIFY(!link.Exchange(kRequest, out, 0xEE, 500));
    QCOMPARE(link.LinkError(), code);
    QCOMPARE(out, QByteArray("old"));
    QCOMPARE(unit.FrameCount(), 1);
    QCOMPARE(log.Lines(), QStringList{"LoLev_Err=" + QString::number(code)});
}

void tst_lolev::badReplyRetried_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<quint32>("code");
    const QByteArray good = PtyUnit::ReplyFrame(Hex("620BF9"));
    QByteArray badSum = good;
    badSum[badSum.size() - 1] = char(badSum.back() + 1);
    QByteArray badFirst = good;
    badFirst[0] = char(0x81);
    QTest::newRow("example refusal frame with bad sum") << Hex("80F0EE037F223134") << 6u;
    QTest::newRow("checksum") << badSum << 6u;
    QTest::newRow("first byte") << badFirst << 5u;
    QTest::newRow("other tester") << PtyUnit::ReplyFrame(Hex("620BF9"), 0xF1, 0xEE) << 5u;
    QTest::newRow("other unit") << PtyUnit::ReplyFrame(Hex("620BF9"), 0xF0, 0xEF) << 5u;
    QTest::newRow("own echo") << kRequestFrame << 5u;
    QTest::newRow("short data") << good.left(good.size() - 2) << 4u;
    QTest::newRow("short head") << good.left(3) << 4u;
}

void tst_lolev::badReplyRetried()
{
    QFETCH(QByteArray, reply);
    QFETCH(quint32, code);
    PtyUnit unit;
    QVERIFY(OpenPort(unit));
    unit.Start([=](const QByteArray&) { return QList<PtyUnit::Chunk>{{reply, 0}}; });

    TestLog log;
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out("old");
    QVERIFY(!link.Exchange(kRequest, out, 0xEE, 500));
    QCOMPARE(link.LinkError(), code);
    QCOMPARE(out, QByteArray("old"));
    QCOMPARE(unit.Frames(), QList<QByteArray>(3, kRequestFrame));
    QCOMPARE(log.Count("LoLev_Err="), 0);
    QCOMPARE(log.Count("!!! LoopCnt = "), 2);
}

void tst_lolev::silentUnit()
{
    PtyUnit unit;
    QVERIFY(OpenPort(unit));
    unit.Start([](const QByteArray&) { return QList<PtyUnit::Chunk>(); });

    auto log = std::make_unique<TestLog>();
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link.Exchange(kRequest, out, 0xEE, 500));
    const qint64 ms = timer.elapsed();
    QCOMPARE(link.LinkError(), VUErr::NoReply);
    QCOMPARE(unit.FrameCount(), 3);
    // Three waits for the first byte of 576 ms each.
    QVERIFY2(ms >= 3 * 570 && ms < 3 * 576 + 400, qPrintable(QString::number(ms)));
    const QString self = QString::number(quintptr(&link), 16).toUpper();
    QCOMPARE(log->Lines(),
             (QStringList{"!!! LoopCnt = 2 (this=0x" + self + ")", "!!! LoopCnt = 1 (this=0x" + self + ")"}));
    log.reset();
    qInfo("silent exchange: %lld ms", ms);
}

void tst_lolev::secondAttemptSucceeds()
{
    PtyUnit unit;
    QVERIFY(OpenPort(unit));
    unit.Start([calls = 0](const QByteArray&) mutable {
        return ++calls == 1 ? QList<PtyUnit::Chunk>()
                            : QList<PtyUnit::Chunk>{{PtyUnit::ReplyFrame(Hex("620BF901")), 0}};
    });
    TestLog log;
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out;
    QVERIFY(link.Exchange(kRequest, out, 0xEE, 500));
    QCOMPARE(out, Hex("620BF901"));
    QCOMPARE(link.LinkError(), VUErr::Ok);
    QCOMPARE(unit.FrameCount(), 2);
    QCOMPARE(log.Count("!!! LoopCnt = 2 "), 1);
    QCOMPARE(log.Lines().size(), 1);
}

// Bytes left on the line by a failed attempt must not be taken for the next attempt's reply.
void tst_lolev::leftoverBytesAreDropped()
{
    PtyUnit unit;
    QVERIFY(OpenPort(unit));
    unit.Start([calls = 0](const QByteArray&) mutable {
        if (++calls == 1) { // a reply with a bad checksum, then the start of another frame
            QByteArray bad = PtyUnit::ReplyFrame(Hex("62AAAA"));
            bad[bad.size() - 1] = char(bad.back() ^ 0x55);
            return QList<PtyUnit::Chunk>{{bad + Hex("80F0EE0362CCCC"), 0}};
        }
        return QList<PtyUnit::Chunk>{{PtyUnit::ReplyFrame(Hex("62BBBB")), 50}};
    });
    TestLog log;
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out;
    QVERIFY(link.Exchange(kRequest, out, 0xEE, 500));
    QCOMPARE(out, Hex("62BBBB"));
    QCOMPARE(unit.FrameCount(), 2);
    QCOMPARE(log.Count("!!! LoopCnt = "), 1);
}

void tst_lolev::oversizeDataIsNotSent()
{
    PtyUnit unit;
    QVERIFY(OpenPort(unit));
    unit.Start([](const QByteArray&) { return QList<PtyUnit::Chunk>(); });
    TestLog log;
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out("old");
    QVERIFY(!link.Exchange(QByteArray(256, 'a'), out, 0xEE, 0));
    QCOMPARE(link.LinkError(), VUErr::NoReply);
    QCOMPARE(out, QByteArray("old"));
    QCOMPARE(unit.RawReceived(), QByteArray());
    QCOMPARE(log.Count("!!! LoopCnt"), 2);
}

void tst_lolev::noPort()
{
    TestLog log;
    CKR_LoLev link(nullptr, 0xF0);
    QByteArray out("old");
    QVERIFY(!link.Exchange(kRequest, out, 0xEE, 500));
    QCOMPARE(link.LinkError(), VUErr::NoPort);
    QCOMPARE(out, QByteArray("old"));
    QCOMPARE(log.Lines(), QStringList{"LoLev_Err=2"});
}

void tst_lolev::portClosed()
{
    TestLog log;
    CKR_LoLev link(mPort, 0xF0);
    QByteArray out;
    QVERIFY(!link.Exchange(kRequest, out, 0xEE, 500));
    QCOMPARE(link.LinkError(), VUErr::PortNotOpen);
    QCOMPARE(log.Lines(), QStringList{"LoLev_Err=1"});
    link.Initialise(nullptr, 0xF0);
    QCOMPARE(link.LinkError(), VUErr::Ok);
}

QTEST_GUILESS_MAIN(tst_lolev)
#include "tst_lolev.moc"
