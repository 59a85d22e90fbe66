// The vuctl program end to end against the simulated unit.
#include "link/CKR_HiProt.h"
#include "tools/vusim/VUSimulator.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using P = CKR_HiProt;
constexpr int kPort = 6;

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class tst_vuctl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void help();
    void readByNameAndNumber();
    void readSearchesWithoutPort();
    void readTimesInUtc();
    void writeThenRead_data();
    void writeThenRead();
    void writeClock();
    void dumpListsEveryParameter();
    void dumpLoadsIntoAnotherUnit();
    void modemRefusalIsEmptyValue();
    void usageErrorsSendNothing_data();
    void usageErrorsSendNothing();
    void negativeReplyGoesOn();
    void silentUnit();
    void find();
    void findNoUnit();
    void findBusyPort();
    void findNamesPortWithoutPermission();
    void simulatorProgram();

private:
    Run Vuctl(const QStringList& aArgs);

    QTemporaryDir mDir;
    VUSimulator mSim;
};

Run tst_vuctl::Vuctl(const QStringList& aArgs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_SERIAL_DIR"), mDir.path());
    env.insert(QStringLiteral("TZ"), QStringLiteral("Asia/Vladivostok")); // output must not depend on it
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VUCTL_PATH), aArgs);
    Run run;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void tst_vuctl::initTestCase()
{
    QVERIFY(mDir.isValid());
    QVERIFY2(mSim.Start(mDir.path(), kPort), qPrintable(mSim.ErrorString()));
}

void tst_vuctl::init()
{
    mSim.ClearFaults();
    mSim.ResetValues();
    mSim.ClearLog();
}

void tst_vuctl::help()
{
    const Run run = Vuctl({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    for (const char* word :
         {"find", "read NAME", "write NAME VALUE", "dump", "--port", "VUDateTime", "Exit status"})
        QVERIFY2(run.out.contains(QLatin1String(word)), word);
    QCOMPARE(mSim.BytesReceived(), 0);
}

void tst_vuctl::readByNameAndNumber()
{
    const Run run =
        Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("read"),
               QStringLiteral("KConst"), QStringLiteral("63772"), QStringLiteral("pid_vehicletyre"),
               QStringLiteral("0xF91D"), QStringLiteral("VUPartNo"), QStringLiteral("VUSerNo")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QString::fromUtf8("KConst=8000\nLConst=3215\nVehicleTyre=315/80R22.5    \nWConst=8012\n"
                                        "VUPartNo=ВТ-01.02М       \nVUSerNo= 10004027/03 25/07/A1\n"));
    QCOMPARE(mSim.Log().size(), 6);
}

void tst_vuctl::readSearchesWithoutPort()
{
    const Run run = Vuctl({QStringLiteral("read"), QStringLiteral("MemberState")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("MemberState=RUS\n"));
}

void tst_vuctl::readTimesInUtc()
{
    mSim.SetVUClock(QDateTime(QDate(2026, 12, 7), QTime(14, 42, 17), QTimeZone::utc()), 180);
    const Run run = Vuctl({QStringLiteral("--port=6"), QStringLiteral("read"), QStringLiteral("SnsPaired"),
                           QStringLiteral("NextCalibration"), QStringLiteral("VUDateTime")});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("SnsPaired=15/03/2026 09:30:00"));
    QCOMPARE(lines[1], QStringLiteral("NextCalibration=15/06/2028"));
    QVERIFY2(QRegularExpression(QStringLiteral("^VUDateTime=07/12/2026 14:42:1[789] \\+3:00$"))
                 .match(lines[2])
                 .hasMatch(),
             qPrintable(lines[2]));
}

void tst_vuctl::writeThenRead_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<QString>("readBack"); // the text vuctl read prints

    QTest::newRow("integer") << "KConst"
                             << "7999" << P::PID_KConst << QByteArray::fromHex("3f1f") << "7999";
    QTest::newRow("integer by number") << "26"
                                       << "10" << P::PID_CANSpeedometer << QByteArray::fromHex("0a") << "10";
    QTest::newRow("text padded") << "VehicleTyre"
                                 << "295/80R22.5" << P::PID_VehicleTyre << QByteArray("295/80R22.5    ")
                                 << "295/80R22.5    ";
    QTest::newRow("text cyrillic") << "VUPartNo" << QString::fromUtf8("ТА-02") << P::PID_VUPartNo
                                   << QByteArray::fromHex("d2c02d3032") + QByteArray(11, ' ')
                                   << QString::fromUtf8("ТА-02           ");
    QTest::newRow("date") << "NextCalibration"
                          << "31/12/2027" << P::PID_NextCalibration << QByteArray::fromHex("0c792a")
                          << "31/12/2027";
    QTest::newRow("seconds in UTC") << "SnsPaired"
                                    << "07/12/2026 14:42:17" << P::PID_SnsPaired
                                    << QByteArray::fromHex("c9c5166b") << "07/12/2026 14:42:17";
    QTest::newRow("registration number")
        << "VehicleRegNo" << QString::fromUtf8("а123вс77") << P::PID_VehicleRegNo
        << QByteArray(1, 1) + QByteArray("A123BC77      ") << "A123BC77      ";
    QTest::newRow("registration number with punctuation")
        << "VehicleRegNo" << QString::fromUtf8("ав-12/3.7") << P::PID_VehicleRegNo
        << QByteArray(1, 1) + QByteArray("AB-12/3.7     ") << "AB-12/3.7     ";
    QTest::newRow("serial number") << "VUSerNo"
                                   << " 10004027/01 07/07/A1" << P::PID_VUSerNo
                                   << QByteArray::fromHex("3ba69800010707a1") << " 10004027/01 07/07/A1";
    // The largest value of each width is the unit's, every bit set.
    QTest::newRow("1-byte largest") << "CANSpeedometer"
                                    << "255" << P::PID_CANSpeedometer << QByteArray::fromHex("ff") << "255";
    QTest::newRow("2-byte largest") << "KConst"
                                    << "65535" << P::PID_KConst << QByteArray::fromHex("ffff") << "65535";
    QTest::newRow("4-byte largest") << "VUHROdometer"
                                    << "4294967295" << P::PID_VUHROdometer << QByteArray::fromHex("ffffffff")
                                    << "4294967295";
}

void tst_vuctl::writeThenRead()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, id);
    QFETCH(QByteArray, store);
    QFETCH(QString, readBack);

    const Run write =
        Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("write"), name, text});
    QVERIFY2(write.exitCode == 0, qPrintable(write.err));
    QCOMPARE(mSim.RawValue(id).toHex(' '), store.toHex(' '));
    const Run read = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("read"), name});
    QCOMPARE(read.exitCode, 0);
    QCOMPARE(read.out.section(QLatin1Char('='), 1).chopped(1), readBack);
}

void tst_vuctl::writeClock()
{
    const Run run = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("write"),
                           QStringLiteral("VUDateTime"), QStringLiteral("07/12/2026 14:42:17 -5:30")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(mSim.LocalOffset(), -330);
    QVERIFY(qAbs(mSim.VUClock().secsTo(QDateTime(QDate(2026, 12, 7), QTime(14, 42, 17), QTimeZone::utc()))) <=
            2);
    QCOMPARE(mSim.Log().value(0).value.toHex(' '), QByteArray("44 2a 0e 0c 19 29 e2 fb"));

    // The unit keeps any offset: a quarter hour is not rounded to the half hours of the time-zone box.
    const Run quarter = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("write"),
                               QStringLiteral("VUDateTime"), QStringLiteral("07/12/2026 14:42:17 +5:45")});
    QVERIFY2(quarter.exitCode == 0, qPrintable(quarter.err));
    QCOMPARE(mSim.LocalOffset(), 5 * 60 + 45);
}

void tst_vuctl::dumpListsEveryParameter()
{
    const Run run = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("dump")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QList<P::ParamInfo>& table = P::ParamTable();
    QCOMPARE(lines.size(), table.size());
    for (int i = 0; i < table.size(); ++i)
        QVERIFY2(lines[i].startsWith(QString::fromLatin1(table[i].name).mid(4) + QLatin1Char('=')),
                 qPrintable(lines[i]));
    QVERIFY(lines.contains(QStringLiteral("VehicleVIN=XTC65206371234567")));
    QVERIFY(lines.contains(QStringLiteral("VUOptions=43")));
    QCOMPARE(mSim.Log().size(), table.size());
}

// The dump is a value file for the simulator: every value text goes back to the same bytes.
void tst_vuctl::dumpLoadsIntoAnotherUnit()
{
    // Values unlike the built-in ones, so that loading must change them.
    mSim.SetValue(P::PID_VUManufacturer, QString::fromUtf8("ЗАО Тахо"));
    mSim.SetValue(P::PID_VehicleRegNo, QString::fromUtf8("в456ор99"));
    mSim.SetValue(P::PID_SnsPaired, QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5), QTimeZone::utc()));
    mSim.SetValue(P::PID_VUSerNo, QStringLiteral("42/12 99/FF/00"));
    mSim.SetValue(P::PID_MdmAPN, QStringLiteral("apn.example"));
    const Run run = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("dump")});
    QCOMPARE(run.exitCode, 0);
    QFile file(mDir.filePath(QStringLiteral("dump.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(run.out.toUtf8());
    file.close();

    VUSimulator other;
    QString error;
    QVERIFY2(other.LoadValues(file.fileName(), &error), qPrintable(error));
    for (const P::ParamInfo& info : P::ParamTable()) {
        if (info.id == P::PID_VUDateTime || info.id == P::PID_ImpCounter || info.id == P::PID_GPSData)
            continue; // running values
        QVERIFY2(other.RawValue(info.id) == mSim.RawValue(info.id), info.name);
    }
    QCOMPARE(other.LocalOffset(), mSim.LocalOffset());
}

// A unit without a modem refuses its settings; like the program, vuctl shows them empty.
void tst_vuctl::modemRefusalIsEmptyValue()
{
    mSim.SetNegativeReply(P::PID_MdmAPN, 0x31);
    const Run run = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("read"),
                           QStringLiteral("MdmAPN"), QStringLiteral("MdmPIN")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("MdmAPN=\nMdmPIN=1234\n"));
}

void tst_vuctl::usageErrorsSendNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    const QString port = QStringLiteral("--port=6");
    QTest::newRow("unknown name") << QStringList{port, "read", "KConst", "Bogus"}
                                  << "unknown parameter 'Bogus'";
    QTest::newRow("unknown name searching") << QStringList{"read", "Bogus"} << "unknown parameter 'Bogus'";
    QTest::newRow("unknown number") << QStringList{port, "read", "3"} << "unknown parameter '3'";
    QTest::newRow("write unknown name") << QStringList{port, "write", "Bogus", "1"} << "unknown parameter";
    QTest::newRow("not a number") << QStringList{port, "write", "KConst", "abc"} << "not a decimal number";
    // After the command nothing is an option: a VALUE may begin with '-'.
    QTest::newRow("negative number") << QStringList{port, "write", "KConst", "-5"}
                                     << "KConst: not a decimal number: '-5'";
    QTest::newRow("too big") << QStringList{port, "write", "KConst", "70000"} << "does not fit";
    QTest::newRow("1-byte one above")
        << QStringList{port, "write", "CANSpeedometer", "256"} << "does not fit";
    QTest::newRow("2-byte one above") << QStringList{port, "write", "KConst", "65536"} << "does not fit";
    QTest::newRow("4-byte one above")
        << QStringList{port, "write", "VUHROdometer", "4294967296"} << "does not fit";
    QTest::newRow("bad date") << QStringList{port, "write", "NextCalibration", "31/02/2027"} << "not a date";
    QTest::newRow("bad clock") << QStringList{port, "write", "VUDateTime", "07/12/2026"}
                               << "not a clock text";
    QTest::newRow("offset minutes beyond 59")
        << QStringList{port, "write", "VUDateTime", "07/12/2026 14:42:17 +3:60"}
        << "offset minutes out of range";
    // The unit's clock counts 32-bit seconds: this would have been sent as a time in 1974.
    QTest::newRow("clock after 2106")
        << QStringList{port, "write", "VUDateTime", "25/08/2110 08:30:15 +3:00"} << "out of range";
    QTest::newRow("free text too long")
        << QStringList{port, "write", "MdmAPN", QString(260, QLatin1Char('a'))} << "MdmAPN: ";
    // The unit's encodings would write blanks for Ж, Д, Я and '?' for 中: refused, nothing sent.
    QTest::newRow("registration number the unit cannot hold")
        << QStringList{port, "write", "VehicleRegNo", QString::fromUtf8("Ж123ДЯ77")}
        << QString::fromUtf8("VehicleRegNo: the unit cannot hold 'Ж', 'Д', 'Я'");
    QTest::newRow("text outside the code page")
        << QStringList{port, "write", "VehicleTyre", QString::fromUtf8("295/80 中")}
        << QString::fromUtf8("VehicleTyre: the unit cannot hold '中'");
    QTest::newRow("write without value")
        << QStringList{port, "write", "KConst"} << "write needs NAME and VALUE";
    QTest::newRow("read without name") << QStringList{port, "read"} << "read needs";
    QTest::newRow("no command") << QStringList{port} << "no command";
    QTest::newRow("unknown command") << QStringList{port, "erase"} << "unknown command 'erase'";
    QTest::newRow("bad port") << QStringList{"--port", "256", "dump"} << "--port needs";
    QTest::newRow("unknown option") << QStringList{"--fast", "dump"} << "unknown option";
}

void tst_vuctl::usageErrorsSendNothing()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const qint64 before = mSim.BytesReceived();
    const Run run = Vuctl(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(mSim.BytesReceived(), before);
}

// A refusal of one parameter is reported, the rest is still read, and the status tells.
void tst_vuctl::negativeReplyGoesOn()
{
    mSim.SetNegativeReply(P::PID_KConst, 0x22);
    const Run run = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("read"),
                           QStringLiteral("KConst"), QStringLiteral("LConst")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QStringLiteral("LConst=3215\n"));
    QVERIFY2(run.err.contains(QStringLiteral("KConst: error 0x80000022: Тахограф: Conditions Not Correct")),
             qPrintable(run.err));

    const Run write = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("write"),
                             QStringLiteral("KConst"), QStringLiteral("7000")});
    QCOMPARE(write.exitCode, 1);
    QVERIFY(write.err.contains(QStringLiteral("0x80000022")));
    QCOMPARE(mSim.Value(P::PID_KConst).toULongLong(), 8000ull);
}

// A link failure ends the run at once: no further parameter is tried.
void tst_vuctl::silentUnit()
{
    VUSimulator::Faults faults;
    faults.silent = true;
    mSim.SetFaults(faults);
    const Run run = Vuctl({QStringLiteral("--port"), QString::number(kPort), QStringLiteral("read"),
                           QStringLiteral("KConst"), QStringLiteral("LConst")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(QStringLiteral("KConst: error 0x4: Нет ответа от тахографа")),
             qPrintable(run.err));
    QCOMPARE(mSim.Log().size(), 3);
}

void tst_vuctl::find()
{
    const Run run = Vuctl({QStringLiteral("find")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("6\n"));
}

void tst_vuctl::findNoUnit()
{
    VUSimulator::Faults faults;
    faults.silent = true;
    mSim.SetFaults(faults);
    VUSimulator other; // a second silent port, listed after the first
    other.SetFaults(faults);
    QVERIFY(other.Start(mDir.path(), 9));
    const Run run = Vuctl({QStringLiteral("find")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(QStringLiteral("Не найдено ни одного UART")), qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("Были проверены COM-порты: 6, 9.")), qPrintable(run.err));
}

// The unit's port held by another program: the first cause named is that port, not a unit switched off.
void tst_vuctl::findBusyPort()
{
    const int fd = ::open(QFile::encodeName(mSim.LinkPath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const Run run = Vuctl({QStringLiteral("find")});
    ::close(fd);
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = run.err.split(QLatin1Char('\n'));
    QCOMPARE(lines.value(1),
             QStringLiteral("  1. COM-порт 6 занят другой программой – закройте её и повторите."));
    QCOMPARE(lines.value(2), QStringLiteral("  2. Выключили тахограф."));
}

// A serial device that is there but that the user may not open: find names the port, the group that owns
// the device and the remedy. Root may open anything, so as root vuctl runs as the user nobody without
// groups.
void tst_vuctl::findNamesPortWithoutPermission()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QFile::Permissions open = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                    QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), open));
    QFile device(dir.filePath(QStringLiteral("COM4")));
    QVERIFY(device.open(QIODevice::WriteOnly));
    device.close();
    // Read and write for the group only, as a device of the group dialout; not even the owner may open it.
    QVERIFY(device.setPermissions(QFile::ReadGroup | QFile::WriteGroup));
    struct stat info = {};
    QCOMPARE(::stat(QFile::encodeName(device.fileName()).constData(), &info), 0);
    const group* owner = ::getgrgid(info.st_gid);
    QVERIFY(owner != nullptr);

    QString program = QStringLiteral(VUCTL_PATH);
    QStringList args{QStringLiteral("find")};
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMORA_SERIAL_DIR"), dir.path());
    if (::geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("running as root without setpriv (util-linux): no user to lack the permission");
        // A copy in the open folder, since the build folder may be closed to nobody; so may be the leak
        // suppressions, hence no leak check for this run.
        const QString copy = dir.filePath(QStringLiteral("vuctl"));
        QVERIFY(QFile::copy(program, copy));
        args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                           QStringLiteral("--clear-groups"), copy} +
               args;
        program = setpriv;
        env.remove(QStringLiteral("LSAN_OPTIONS"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    QVERIFY(process.waitForFinished(15000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitCode(), 1);
    QVERIFY2(err.contains(QStringLiteral("Не найдено ни одного UART")), qPrintable(err));
    const QString hint =
        QStringLiteral("vuctl: this user may not open port 4 (%1): the devices belong to the group %2; "
                       "add the user to it with 'sudo adduser ")
            .arg(device.fileName(), QString::fromLocal8Bit(owner->gr_name));
    QVERIFY2(err.contains(hint), qPrintable(err));
}

// The vusim program: its value file, option mask and fault options reach the unit it runs.
void tst_vuctl::simulatorProgram()
{
    QFile values(mDir.filePath(QStringLiteral("program-values.txt")));
    QVERIFY(values.open(QIODevice::WriteOnly));
    values.write("KConst=7777\nVehicleRegNo=X001XX\n");
    values.close();
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(QStringLiteral(VUSIM_PATH),
              {QStringLiteral("--dir"), mDir.path(), QStringLiteral("--port"), QStringLiteral("8"),
               QStringLiteral("--values"), values.fileName(), QStringLiteral("--options"),
               QStringLiteral("0x03"), QStringLiteral("--fault"), QStringLiteral("negative=LConst:0x31")});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY(QFileInfo(mDir.filePath(QStringLiteral("COM8"))).isSymLink());

    const Run run = Vuctl({QStringLiteral("--port"), QStringLiteral("8"), QStringLiteral("read"),
                           QStringLiteral("KConst"), QStringLiteral("VUOptions"),
                           QStringLiteral("VehicleRegNo"), QStringLiteral("LConst")});
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(mDir.filePath(QStringLiteral("COM8"))).isSymLink()); // removed on the way out
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QStringLiteral("KConst=7777\nVUOptions=3\nVehicleRegNo=X001XX        \n"));
    QVERIFY2(run.err.contains(QStringLiteral("LConst: error 0x80000031")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(tst_vuctl)
#include "tst_vuctl.moc"
