#include "link/CKR_HiProt.h"
#include "link/TKR_VUDateTime.h"

#include <QSet>
#include <QtTest>

using P = CKR_HiProt;

namespace {

QByteArray Bytes(std::initializer_list<int> aValues)
{
    QByteArray bytes;
    for (const int v : aValues)
        bytes.append(char(quint8(v)));
    return bytes;
}

quint64 Packed(const QDateTime& aUtc, int aOffset)
{
    return TKR_VUDateTime(aUtc, aOffset).ToVariant().toULongLong();
}

} // namespace

class tst_valuecodecs : public QObject
{
    Q_OBJECT

private slots:
    void table();
    void findParam_data();
    void findParam();
    void encode_data();
    void encode();
    void encodeRefused_data();
    void encodeRefused();
    void decodeReply_data();
    void decodeReply();
    void roundTrip_data();
    void roundTrip();
    void shortReplies_data();
    void shortReplies();
    void vuDateTime();
    void vuDateTimeText_data();
    void vuDateTimeText();
    void holdsText_data();
    void holdsText();
};

void tst_valuecodecs::table()
{
    const QList<P::ParamInfo>& table = P::ParamTable();
    QCOMPARE(table.size(), 33);
    QSet<int> ids;
    for (const P::ParamInfo& info : table) {
        QVERIFY2(!ids.contains(info.id), info.name);
        ids.insert(info.id);
        QVERIFY(QByteArray(info.name).startsWith("PID_"));
        QVERIFY(info.id > 0 && info.id <= 0xFFFF);
        QCOMPARE(P::FindParam(info.id), &info);
    }
    QCOMPARE(P::FindParam(3), nullptr);
    QCOMPARE(P::FindParam(48), nullptr);
    QCOMPARE(P::FindParam(0), nullptr);
}

void tst_valuecodecs::findParam_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("idAnyCase"); // the tools take names in any case
    const int k = P::PID_KConst;
    QTest::newRow("short") << "KConst" << k << k;
    QTest::newRow("full") << "PID_KConst" << k << k;
    QTest::newRow("decimal") << "63768" << k << k;
    QTest::newRow("hex") << "0xF918" << k << k;
    QTest::newRow("hex upper case") << "0XF918" << k << k;
    QTest::newRow("blanks") << " VUDateTime " << int(P::PID_VUDateTime) << int(P::PID_VUDateTime);
    QTest::newRow("one") << "1" << int(P::PID_ImpCounter) << int(P::PID_ImpCounter);
    QTest::newRow("unknown name") << "Nothing" << -1 << -1;
    QTest::newRow("unknown number") << "3" << -1 << -1;
    QTest::newRow("case matters") << "kconst" << -1 << k;
    QTest::newRow("prefix in another case") << "pid_vehicletyre" << -1 << int(P::PID_VehicleTyre);
    QTest::newRow("prefix alone") << "PID_" << -1 << -1;
    QTest::newRow("empty") << "" << -1 << -1;
}

void tst_valuecodecs::findParam()
{
    QFETCH(QString, name);
    QFETCH(int, id);
    QFETCH(int, idAnyCase);
    const P::ParamInfo* info = P::FindParam(name);
    QCOMPARE(info ? info->id : -1, id);
    const P::ParamInfo* anyCase = P::FindParam(name, Qt::CaseInsensitive);
    QCOMPARE(anyCase ? anyCase->id : -1, idAnyCase);
}

// Value bytes of a write request (after service and identifier).
void tst_valuecodecs::encode_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("2 bytes 300") << int(P::PID_LConst) << QVariant(300) << Bytes({0x2C, 0x01});
    QTest::newRow("2 bytes largest") << int(P::PID_LConst) << QVariant(65535) << Bytes({0xFF, 0xFF});
    QTest::newRow("K 8000") << int(P::PID_KConst) << QVariant(quint64(8000)) << Bytes({0x40, 0x1F});
    QTest::newRow("1 byte") << int(P::PID_Speed) << QVariant(0xFF) << Bytes({0xFF});
    QTest::newRow("4 bytes") << int(P::PID_VUHROdometer) << QVariant(quint64(0x34567890ULL))
                             << Bytes({0x90, 0x78, 0x56, 0x34});
    QTest::newRow("odometer largest")
        << int(P::PID_VUHROdometer) << QVariant(quint64(4294967295ULL)) << Bytes({0xFF, 0xFF, 0xFF, 0xFF});
    QTest::newRow("fixed padded") << int(P::PID_VUSWVer) << QVariant("ab") << QByteArray("ab  ");
    QTest::newRow("fixed cut") << int(P::PID_VUSWVer) << QVariant("abcdef") << QByteArray("abcd");
    QTest::newRow("fixed Cyrillic 1251")
        << int(P::PID_MemberState) << QVariant("Рус") << Bytes({0xD0, 0xF3, 0xF1});
    QTest::newRow("fixed lacking char") << int(P::PID_MemberState) << QVariant("a€z") << QByteArray("a\x88z");
    QTest::newRow("fixed beyond code page") << int(P::PID_MemberState) << QVariant("a✓") << QByteArray("a? ");
    QTest::newRow("fixed surrogate pair")
        << int(P::PID_MemberState) << QVariant(QString::fromUtf8("a😀b")) << QByteArray("a? ");
    QTest::newRow("free simplified") << int(P::PID_MdmAPN) << QVariant("  a   b  ") << QByteArray("a b");
    QTest::newRow("free tabs") << int(P::PID_MdmGlnURL) << QVariant("\tx\n y ") << QByteArray("x y");
    QTest::newRow("free empty") << int(P::PID_MdmAPN) << QVariant("") << QByteArray(" ");
    QTest::newRow("free blanks only") << int(P::PID_MdmMonitURL) << QVariant("   ") << QByteArray(" ");
    QTest::newRow("regno") << int(P::PID_VehicleRegNo) << QVariant("а123вс77")
                           << QByteArray("\0A123BC77      ", 15);
    QTest::newRow("regno b is blank")
        << int(P::PID_VehicleRegNo) << QVariant("б1") << QByteArray("\0 1            ", 15);
    QTest::newRow("regno all shapes")
        << int(P::PID_VehicleRegNo) << QVariant("АВЕКМНОРСТУХ") << QByteArray("\0ABEKMHOPCTYX  ", 15);
    QTest::newRow("regno others blank")
        << int(P::PID_VehicleRegNo) << QVariant("ГЁЯжщ-x") << QByteArray("\0     -X       ", 15);
    QTest::newRow("regno cut") << int(P::PID_VehicleRegNo) << QVariant("abcdefghijklmnopq")
                               << QByteArray("\0ABCDEFGHIJKLMN", 15);
    QTest::newRow("regno control") << int(P::PID_VehicleRegNo) << QVariant("a\tb")
                                   << QByteArray("\0A B           ", 15);
    QTest::newRow("serial") << int(P::PID_VUSerNo) << QVariant(" 10004027/01 07/07/A1")
                            << Bytes({0x3B, 0xA6, 0x98, 0x00, 0x01, 0x07, 0x07, 0xA1});
    QTest::newRow("serial bcd") << int(P::PID_SnsSerNo) << QVariant("12/12 99/ff/0")
                                << Bytes({12, 0, 0, 0, 0x12, 0x99, 0xFF, 0x00});
    QTest::newRow("serial partial") << int(P::PID_SnsSerNo) << QVariant("77")
                                    << Bytes({77, 0, 0, 0, 0, 0, 0, 0});
    QTest::newRow("date 31.12.2026") << int(P::PID_NextCalibration) << QVariant(QDate(2026, 12, 31))
                                     << Bytes({12, 121, 41});
    QTest::newRow("date 1.1.1985") << int(P::PID_NextCalibration) << QVariant(QDate(1985, 1, 1))
                                   << Bytes({1, 1, 0});
    QTest::newRow("seconds") << int(P::PID_SnsPaired)
                             << QVariant(QDateTime(QDate(2001, 9, 9), QTime(1, 46, 40), Qt::UTC))
                             << Bytes({0x00, 0xCA, 0x9A, 0x3B});
    QTest::newRow("vu clock +180") << int(P::PID_VUDateTime)
                                   << QVariant(Packed(
                                          QDateTime(QDate(2026, 12, 7), QTime(14, 42, 17), Qt::UTC), 180))
                                   << Bytes({0x44, 0x2A, 0x0E, 0x0C, 0x19, 0x29, 0x00, 0x03});
    QTest::newRow("vu clock -330") << int(P::PID_VUDateTime)
                                   << QVariant(Packed(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 59), Qt::UTC),
                                                      -330))
                                   << Bytes({236, 0, 0, 1, 1, 41, 0xE2, 0xFB});
    QTest::newRow("vu clock -30") << int(P::PID_VUDateTime)
                                  << QVariant(
                                         Packed(QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0), Qt::UTC), -30))
                                  << Bytes({0, 0, 0, 1, 1, 41, 0xE2, 0x00});
}

void tst_valuecodecs::encode()
{
    QFETCH(int, id);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, bytes);
    QByteArray got;
    QVERIFY(P::EncodeValue(id, value, got));
    QCOMPARE(got.toHex(' '), bytes.toHex(' '));
    QVERIFY(P::HoldsValue(id, value));
}

// Values an encoding would cut or wrap are refused, never sent as another number.
void tst_valuecodecs::encodeRefused_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("2 bytes 70000") << int(P::PID_LConst) << QVariant(70000);
    QTest::newRow("2 bytes 65536") << int(P::PID_WConst) << QVariant(quint64(65536));
    QTest::newRow("1 byte 256") << int(P::PID_Speed) << QVariant(256);
    QTest::newRow("odometer 9999999.9 km") << int(P::PID_VUHROdometer) << QVariant(quint64(9999999900ULL));
    QTest::newRow("odometer 2^32") << int(P::PID_VUHROdometer) << QVariant(quint64(4294967296ULL));
    QTest::newRow("negative") << int(P::PID_KConst) << QVariant(-1);
    QTest::newRow("fraction") << int(P::PID_KConst) << QVariant(8000.5);
    QTest::newRow("no number") << int(P::PID_KConst) << QVariant(QStringLiteral("8k"));
    QTest::newRow("no value") << int(P::PID_CANSpeedometer) << QVariant();
    QTest::newRow("date before 1985") << int(P::PID_NextCalibration) << QVariant(QDate(1984, 12, 31));
    QTest::newRow("date after 2240") << int(P::PID_NextCalibration) << QVariant(QDate(2241, 1, 1));
    QTest::newRow("no date") << int(P::PID_NextCalibration) << QVariant(QDate());
    QTest::newRow("clock before 1985")
        << int(P::PID_VUDateTime)
        << TKR_VUDateTime(QDateTime(QDate(1984, 12, 31), QTime(0, 0), Qt::UTC), 0).ToVariant();
    QTest::newRow("clock offset of 128 h")
        << int(P::PID_VUDateTime)
        << TKR_VUDateTime(QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC), 128 * 60).ToVariant();
}

void tst_valuecodecs::encodeRefused()
{
    QFETCH(int, id);
    QFETCH(QVariant, value);
    QByteArray got("untouched");
    QVERIFY(!P::EncodeValue(id, value, got));
    QCOMPARE(got, QByteArray("untouched"));
    QVERIFY(!P::HoldsValue(id, value));
}

// Value bytes of a reply (from reply byte 3 on) and what they read as.
void tst_valuecodecs::decodeReply_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("unsigned 4") << int(P::PID_ImpCounter) << Bytes({0xFF, 0xFF, 0xFF, 0xFF})
                                << QVariant(quint64(0xFFFFFFFFu));
    QTest::newRow("unsigned 2, extra bytes ignored")
        << int(P::PID_KConst) << Bytes({0x40, 0x1F, 0x99}) << QVariant(quint64(8000));
    QTest::newRow("unsigned 1") << int(P::PID_CANSpeedometer) << Bytes({10}) << QVariant(quint64(10));
    QTest::newRow("text keeps blanks")
        << int(P::PID_VehicleVIN) << QByteArray("VIN 123  ") << QVariant("VIN 123  ");
    QTest::newRow("text local code page")
        << int(P::PID_VehicleTyre) << Bytes({0xD8, 0xE8, 0xED, 0xE0}) << QVariant("Шина");
    QTest::newRow("text empty") << int(P::PID_GPSData) << QByteArray() << QVariant("");
    QTest::newRow("code page 0 is 8859-1")
        << int(P::PID_VUManufacturer) << Bytes({0, 'C', 0xE9}) << QVariant("Cé");
    QTest::newRow("code page 10 is 8859-1")
        << int(P::PID_VUManufacturer) << Bytes({10, 0xE9}) << QVariant("é");
    QTest::newRow("code page 200 is 8859-1")
        << int(P::PID_VehicleRegNo) << Bytes({200, 0xC4}) << QVariant("Ä");
    QTest::newRow("code page 5") << int(P::PID_VUManufacturer) << Bytes({5, 0xB2, 0xD5, 0xE1, 0xE2})
                                 << QVariant("Вест");
    QTest::newRow("code page 2") << int(P::PID_VehicleRegNo) << Bytes({2, 0xA3}) << QVariant("Ł");
    QTest::newRow("code page only") << int(P::PID_VehicleRegNo) << Bytes({1}) << QVariant("");
    QTest::newRow("serial") << int(P::PID_VUSerNo) << Bytes({0x3B, 0xA6, 0x98, 0x00, 0x01, 0x07, 0x07, 0xA1})
                            << QVariant(" 10004027/01 07/07/A1");
    QTest::newRow("serial upper case hex")
        << int(P::PID_SnsSerNo) << Bytes({1, 0, 0, 0, 0x12, 0x99, 0xab, 0x0c})
        << QVariant("        1/12 99/AB/0C");
    QTest::newRow("serial max") << int(P::PID_SnsSerNo) << Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0})
                                << QVariant("4294967295/00 00/00/00");
    QTest::newRow("date") << int(P::PID_NextCalibration) << Bytes({12, 121, 41})
                          << QVariant(QDate(2026, 12, 31));
    QTest::newRow("date quarter days")
        << int(P::PID_NextCalibration) << Bytes({2, 8, 0}) << QVariant(QDate(1985, 2, 2));
    QTest::newRow("seconds in local time")
        << int(P::PID_SnsPaired) << Bytes({0x00, 0xCA, 0x9A, 0x3B})
        << QVariant(QDateTime(QDate(2001, 9, 9), QTime(1, 46, 40), Qt::UTC));
    const QDateTime clock(QDate(2026, 12, 7), QTime(14, 42, 17), Qt::UTC);
    const QByteArray head = Bytes({0x44, 0x2A, 0x0E, 0x0C, 0x19, 0x29});
    QTest::newRow("clock -30, 0") << int(P::PID_VUDateTime) << head + Bytes({0xE2, 0x00})
                                  << QVariant(Packed(clock, -30));
    QTest::newRow("clock 30, 2") << int(P::PID_VUDateTime) << head + Bytes({30, 2})
                                 << QVariant(Packed(clock, 150));
    QTest::newRow("clock 30, -5") << int(P::PID_VUDateTime) << head + Bytes({30, 0xFB})
                                  << QVariant(Packed(clock, -330));
    QTest::newRow("clock -30, -5") << int(P::PID_VUDateTime) << head + Bytes({0xE2, 0xFB})
                                   << QVariant(Packed(clock, -330));
    QTest::newRow("clock -30, 3") << int(P::PID_VUDateTime) << head + Bytes({0xE2, 3})
                                  << QVariant(Packed(clock, 210));
    QTest::newRow("clock 0, 0") << int(P::PID_VUDateTime) << head + Bytes({0, 0})
                                << QVariant(Packed(clock, 0));
    QTest::newRow("clock quarter seconds")
        << int(P::PID_VUDateTime) << Bytes({0x47, 0x2A, 0x0E, 0x0C, 0x1C, 0x29, 0, 0})
        << QVariant(Packed(clock, 0));
}

void tst_valuecodecs::decodeReply()
{
    QFETCH(int, id);
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, value);
    QVariant got;
    QVERIFY(P::DecodeValue(id, bytes, got));
    QCOMPARE(got.metaType(), value.metaType());
    QCOMPARE(got, value);
    if (id == P::PID_SnsPaired)
        QCOMPARE(got.toDateTime().timeSpec(), Qt::LocalTime);
}

// Every encoding both ways: the PC's write decoded as the unit stores it, the unit's reply decoded by the PC.
void tst_valuecodecs::roundTrip_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("written"); // what a write of value carries
    QTest::addColumn<QVariant>("read");    // what a reply holding value reads as
    const QDateTime clock(QDate(2030, 6, 15), QTime(23, 59, 58), Qt::UTC);
    QTest::newRow("unsigned") << int(P::PID_VUOptions) << QVariant(quint64(0x2B)) << QVariant(quint64(0x2B))
                              << QVariant(quint64(0x2B));
    QTest::newRow("text/fixed") << int(P::PID_VehicleVIN) << QVariant("XTA21099")
                                << QVariant("XTA21099         ") << QVariant("XTA21099         ");
    QTest::newRow("text/free") << int(P::PID_MdmAPN) << QVariant("internet.mts.ru")
                               << QVariant("internet.mts.ru") << QVariant("internet.mts.ru");
    QTest::newRow("code page text/fixed") << int(P::PID_VUManufacturer) << QVariant("ООО Вестра")
                                          << QVariant(QStringLiteral("ООО Вестра").leftJustified(36))
                                          << QVariant(QStringLiteral("ООО Вестра").leftJustified(36));
    QTest::newRow("code page text/regno") << int(P::PID_VehicleRegNo) << QVariant("A123BC77")
                                          << QVariant("A123BC77      ") << QVariant("A123BC77      ");
    QTest::newRow("serial") << int(P::PID_VUSerNo) << QVariant(" 10004027/01 07/07/A1")
                            << QVariant(" 10004027/01 07/07/A1") << QVariant(" 10004027/01 07/07/A1");
    QTest::newRow("seconds") << int(P::PID_SnsPaired) << QVariant(clock) << QVariant(clock)
                             << QVariant(clock);
    QTest::newRow("date") << int(P::PID_NextCalibration) << QVariant(QDate(2027, 2, 28))
                          << QVariant(QDate(2027, 2, 28)) << QVariant(QDate(2027, 2, 28));
    const QVariant packed(Packed(clock, -570));
    QTest::newRow("vu clock") << int(P::PID_VUDateTime) << packed << packed << packed;
}

void tst_valuecodecs::roundTrip()
{
    QFETCH(int, id);
    QFETCH(QVariant, value);
    QFETCH(QVariant, written);
    QFETCH(QVariant, read);

    QByteArray bytes;
    QVERIFY(P::EncodeValue(id, value, bytes));
    QVariant stored;
    QVERIFY(P::DecodeWriteValue(id, bytes, stored));
    QCOMPARE(stored, written);

    QVERIFY(P::EncodeReplyValue(id, value, bytes));
    QVariant got;
    QVERIFY(P::DecodeValue(id, bytes, got));
    QCOMPARE(got, read);
}

void tst_valuecodecs::shortReplies_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("size"); // the least number of value bytes
    QTest::newRow("unsigned 4") << int(P::PID_ImpCounter) << 4;
    QTest::newRow("unsigned 2") << int(P::PID_WConst) << 2;
    QTest::newRow("unsigned 1") << int(P::PID_MdmUpdate) << 1;
    QTest::newRow("code page text") << int(P::PID_VUManufacturer) << 1;
    QTest::newRow("serial") << int(P::PID_VUSerNo) << 8;
    QTest::newRow("seconds") << int(P::PID_SnsPaired) << 4;
    QTest::newRow("date") << int(P::PID_NextCalibration) << 3;
    QTest::newRow("clock") << int(P::PID_VUDateTime) << 8;
}

void tst_valuecodecs::shortReplies()
{
    QFETCH(int, id);
    QFETCH(int, size);
    QVariant value(QStringLiteral("untouched"));
    QVERIFY(!P::DecodeValue(id, QByteArray(size - 1, '\1'), value));
    QCOMPARE(value, QVariant(QStringLiteral("untouched")));
    QVERIFY(P::DecodeValue(id, QByteArray(size, '\1'), value));
    QVERIFY(!P::DecodeValue(3, QByteArray(8, '\1'), value));
    QByteArray bytes("kept");
    QVERIFY(!P::EncodeValue(3, QVariant(1), bytes));
    QCOMPARE(bytes, QByteArray("kept"));
}

void tst_valuecodecs::vuDateTime()
{
    const TKR_VUDateTime none;
    QVERIFY(!none.mDateTime.isValid());
    QCOMPARE(none.mDateTime.timeSpec(), Qt::UTC);
    QCOMPARE(none.mOffset, 0);

    const QDateTime utc(QDate(2026, 12, 7), QTime(14, 42, 17), Qt::UTC);
    const TKR_VUDateTime clock(utc, -330);
    const QVariant packed = clock.ToVariant();
    QCOMPARE(packed.metaType(), QMetaType::fromType<quint64>());
    QCOMPARE(packed.toULongLong() & 0xFFFFFFFFu, quint64(utc.toSecsSinceEpoch()));
    QCOMPARE(qint32(packed.toULongLong() >> 32), -330);

    TKR_VUDateTime back;
    back.FromVariant(packed);
    QCOMPARE(back.mDateTime, utc);
    QCOMPARE(back.mDateTime.timeSpec(), Qt::UTC);
    QCOMPARE(back.mOffset, -330);

    // A local date-time is kept as the same instant in UTC.
    const TKR_VUDateTime fromLocal(utc.toLocalTime(), 60);
    QCOMPARE(fromLocal.mDateTime, utc);
    QCOMPARE(fromLocal.mDateTime.timeSpec(), Qt::UTC);
}

void tst_valuecodecs::vuDateTimeText_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("text");
    QTest::newRow("-330") << -330 << "-5:30";
    QTest::newRow("240") << 240 << "+4:00";
    QTest::newRow("0") << 0 << "+0:00";
    QTest::newRow("-30") << -30 << "-0:30";
    QTest::newRow("765") << 765 << "+12:45";
    QTest::newRow("-720") << -720 << "-12:00";
}

void tst_valuecodecs::vuDateTimeText()
{
    QFETCH(int, offset);
    QFETCH(QString, text);
    const TKR_VUDateTime clock(QDateTime(QDate(2026, 3, 5), QTime(7, 8, 9), Qt::UTC), offset);
    QCOMPARE(clock.ToText(1), QStringLiteral("05/03/2026"));
    QCOMPARE(clock.ToText(2), QStringLiteral("07:08:09"));
    QCOMPARE(clock.ToText(3), text);
    QCOMPARE(clock.ToText(4), QString());
}

QTEST_GUILESS_MAIN(tst_valuecodecs)
// The rule the input fields and vuctl use: a text held is written and read back as the unit holds it.
void tst_valuecodecs::holdsText_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("unheld"); // the characters refused
    QTest::newRow("regno twins and lower case") << int(P::PID_VehicleRegNo) << "а123вС77 x" << true << "";
    QTest::newRow("regno without twins") << int(P::PID_VehicleRegNo) << "Ж123ДЯ77Ж" << false << "ЖДЯ";
    // Every printable ASCII character is kept as it is.
    QTest::newRow("regno punctuation") << int(P::PID_VehicleRegNo) << "A-1/2.b" << true << "";
    QTest::newRow("regno printable ASCII") << int(P::PID_VehicleRegNo) << " !~{}#@_" << true << "";
    QTest::newRow("regno umlaut") << int(P::PID_VehicleRegNo) << "Ä-1" << false << "Ä";
    QTest::newRow("regno euro") << int(P::PID_VehicleRegNo) << "€1" << false << "€";
    QTest::newRow("regno too long") << int(P::PID_VehicleRegNo) << "ABCDEFGHIJKLMNO" << false << "";
    QTest::newRow("regno 14") << int(P::PID_VehicleRegNo) << "ABCDEFGHIJKLMN" << true << "";
    QTest::newRow("tyre") << int(P::PID_VehicleTyre) << "295/80 R22,5" << true << "";
    QTest::newRow("tyre beyond code page") << int(P::PID_VehicleTyre) << "295/80 中" << false << "中";
    QTest::newRow("tyre too long") << int(P::PID_VehicleTyre) << "1234567890123456" << false << "";
    QTest::newRow("VIN Cyrillic") << int(P::PID_VehicleVIN) << "ХТА21099070001234" << true << "";
    QTest::newRow("VIN umlaut") << int(P::PID_VehicleVIN) << "XTÜ1234567890ABC" << false << "Ü";
    QTest::newRow("PIN too long") << int(P::PID_MdmPIN) << "12345" << false << "";
    QTest::newRow("APN euro") << int(P::PID_MdmAPN) << "apn.€.ru" << true << "";
    QTest::newRow("APN tab") << int(P::PID_MdmAPN) << "a\tb" << false << "\t";
    QTest::newRow("APN surrogate pair") << int(P::PID_MdmAPN) << QString::fromUtf8("a😀") << false << "😀";
    QTest::newRow("no text") << int(P::PID_KConst) << "Ж" << true << "";
}

void tst_valuecodecs::holdsText()
{
    QFETCH(int, id);
    QFETCH(QString, text);
    QFETCH(bool, held);
    QFETCH(QString, unheld);
    QCOMPARE(P::HoldsText(id, text), held);
    QCOMPARE(P::UnheldChars(id, text), unheld);
    if (!held || P::MaxTextChars(id) < 0)
        return;
    // What the unit gets from the write is the text as held (Latin capitals for a registration
    // number), padded where the encoding pads.
    QByteArray bytes;
    QVariant written;
    QVERIFY(P::EncodeValue(id, text, bytes));
    QVERIFY(P::DecodeWriteValue(id, bytes, written));
    QCOMPARE(written.toString().trimmed(), P::HeldText(id, text).trimmed());
    if (id == P::PID_VehicleRegNo) {
        const QString shown = P::HeldText(id, text);
        QCOMPARE(shown.toLatin1(), shown.toUpper().toUtf8()); // Latin capitals only
    }
}

#include "tst_valuecodecs.moc"
