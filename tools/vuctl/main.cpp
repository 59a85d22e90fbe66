// vuctl: find a vehicle unit, read, write or dump its parameters from the command line.
#include "link/CKR_HiProt.h"
#include "link/CKR_UartThrd.h"
#include "link/CKR_VUPortFindThrd.h"
#include "link/UART.h"
#include "link/VUError.h"
#include "tools/common/ParamText.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMap>
#include <QStringList>

#include <cstdio>
#include <optional>

#ifndef Q_OS_WIN
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What follows the parser's own list of the options in --help.
const char* const kHelpMore = R"(
Commands:
  find                 search ports 1 to 255 at once and print the number of the lowest port on which
                       a vehicle unit answers
  read NAME...         print one NAME=value line per parameter
  write NAME VALUE     write one value
  dump                 read every parameter of the table, one NAME=value line each

Options come before the command; everything after it is its arguments (a VALUE may begin with '-').

NAME is the parameter's name without the PID_ prefix (KConst, VehicleVIN; any case) or its number
(63768 or 0xF918). Output lines always carry the name. Value texts, the same for read and write:
  integers             decimal (KConst=8000)
  texts                exactly as the unit sends them, blanks included (VehicleTyre=315/80R22.5    )
  NextCalibration      dd/MM/yyyy
  SnsPaired            dd/MM/yyyy hh:mm:ss in UTC
  VUDateTime           dd/MM/yyyy hh:mm:ss in UTC, a blank and the local offset (07/12/2026 14:42:17 +3:00)
  serial numbers       as read (' 10004027/03 25/07/A1')

Ports: without --port the search runs first. On Linux port N is DIR/COMN when VELMORA_SERIAL_DIR names
a directory DIR, otherwise ports 1-32 are /dev/ttyS0-31, 33-64 /dev/ttyUSB0-31, 65-96 /dev/ttyACM0-31.
The user needs read and write access to the devices (on Debian: membership of the group dialout);
when no unit answers, the ports whose devices this user may not open are named with their group.

Exit status: 0 success; 1 no unit found, the port could not be opened, or an exchange failed (the code
in hexadecimal and its text go to standard error; read and dump go on after a parameter the unit
refused and stop at a link failure); 2 usage error: unknown command, unknown parameter name or a
value that does not fit, such as a text with characters the unit's encoding cannot hold or longer than
it keeps (nothing is sent then).
)";

// What the command line asks for.
struct Options
{
    int port = -1; // -1: search for the unit
    QString command;
    QStringList args; // the command's arguments
};

// What vuctl will do, checked before the first byte goes out.
struct Job
{
    QString command;
    QList<const CKR_HiProt::ParamInfo*> params;
    QVariant writeValue;
};

// The link's lines as they are, without Qt's decorations; debug lines only with --verbose (see Parse).
void MessageFilter(QtMsgType, const QMessageLogContext&, const QString& aText)
{
    std::fprintf(stderr, "%s\n", aText.toUtf8().constData());
}

void Out(const QString& aText)
{
    std::fputs(aText.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Err(const QString& aText)
{
    std::fputs(aText.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

int Usage(const QString& aText)
{
    Err(QStringLiteral("vuctl: %1 (see vuctl --help)").arg(aText));
    return kExitUsage;
}

QString CodeText(TKR_VUError aCode)
{
    return QStringLiteral("0x%1").arg(aCode, 0, 16);
}

void ReportExchange(const CKR_HiProt::ParamInfo& aInfo, TKR_VUError aCode)
{
    Err(QStringLiteral("vuctl: %1: error %2: %3")
            .arg(ParamText::Name(aInfo), CodeText(aCode), VUErrorText(aCode)));
}

#ifndef Q_OS_WIN
// "1-4, 33": port numbers in ascending order, runs joined.
QString PortList(const QList<int>& aPorts)
{
    QStringList parts;
    for (qsizetype i = 0; i < aPorts.size();) {
        qsizetype j = i;
        while (j + 1 < aPorts.size() && aPorts[j + 1] == aPorts[j] + 1)
            ++j;
        parts.append(j == i ? QString::number(aPorts[i])
                            : QStringLiteral("%1-%2").arg(aPorts[i]).arg(aPorts[j]));
        i = j + 1;
    }
    return parts.join(QStringLiteral(", "));
}

// The usual reason why a workshop PC finds no unit: the devices are there, but only the members of
// their group may open them. Names those ports by group, with the remedy.
void ReportNoPermission()
{
    QMap<QString, QList<int>> byGroup;
    for (int port = 1; port <= 255; ++port) {
        const QByteArray path = QFile::encodeName(UART::PortPath(port));
        struct stat info = {};
        if (path.isEmpty() || ::stat(path.constData(), &info) != 0)
            continue;
        if (::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES)
            continue;
        // Joining the group helps only when the group may read and write; otherwise the key stays empty.
        QString groupName;
        if ((info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
            const group* owner = ::getgrgid(info.st_gid);
            groupName = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
        }
        byGroup[groupName].append(port);
    }
    const passwd* user = ::getpwuid(::getuid());
    const QString userName = user ? QString::fromLocal8Bit(user->pw_name) : QStringLiteral("USER");
    for (auto it = byGroup.cbegin(); it != byGroup.cend(); ++it) {
        const QList<int>& ports = it.value();
        const QString paths =
            UART::PortPath(ports.first()) + (ports.size() > 1 ? QStringLiteral(", ...") : QString());
        if (it.key().isEmpty())
            Err(QStringLiteral("vuctl: this user may not open port %1 (%2), nor may its group: ask the "
                               "administrator for read and write access")
                    .arg(PortList(ports), paths));
        else
            Err(QStringLiteral(
                    "vuctl: this user may not open port %1 (%2): the devices belong to the group %3; "
                    "add the user to it with 'sudo adduser %4 %3' and log in again")
                    .arg(PortList(ports), paths, it.key(), userName));
    }
}
#endif

// The program's own account of a search without a unit: a busy port or one closed to this user first.
void ReportNoUnit(const VUPortSearch& aSearch)
{
    Err(QStringLiteral("vuctl: %1\n%2")
            .arg(VUErrorText(VUErr::NoUnitFound), NoUnitCauses(aSearch.tried, aSearch.busy, aSearch.denied)));
#ifndef Q_OS_WIN
    ReportNoPermission();
#endif
}

// Why the unit cannot hold a text exactly as given (CKR_HiProt::HoldsText is false).
QString UnheldReason(const CKR_HiProt::ParamInfo& aInfo, const QString& aText)
{
    const QString unheld = CKR_HiProt::UnheldChars(aInfo.id, aText);
    if (unheld.isEmpty())
        return QStringLiteral("longer than the %1 characters the unit keeps")
            .arg(CKR_HiProt::MaxTextChars(aInfo.id));
    QStringList chars;
    for (const uint code : unheld.toUcs4()) {
        const char32_t c = code;
        chars << (QChar::isPrint(c) && !QChar::isSpace(c)
                      ? QStringLiteral("'%1'").arg(QString::fromUcs4(&c, 1))
                      : QStringLiteral("U+%1").arg(
                            QString::number(uint(c), 16).toUpper().rightJustified(4, '0')));
    }
    QString rule = QStringLiteral("the code page Windows-1251");
    if (aInfo.write == CKR_HiProt::Encoding::RegNo)
        rule = QStringLiteral("a registration number: digits, Latin letters, blanks and the Cyrillic letters "
                              "with a Latin twin (А В Е К М Н О Р С Т У Х)");
    else if (aInfo.write == CKR_HiProt::Encoding::FreeText)
        rule = QStringLiteral("a free text: the code page Windows-1251, no white space but blanks");
    return QStringLiteral("the unit cannot hold %1 (%2); nothing was sent")
        .arg(chars.join(QStringLiteral(", ")), rule);
}

// Opens the unit's port: the given one, or the one the search finds. False after reporting why.
bool Connect(UART& aPort, int aPortNumber)
{
    if (aPortNumber < 0) {
        VUPortSearch search;
        aPortNumber = FindVUPort(&search);
        if (aPortNumber < 0) {
            ReportNoUnit(search);
            return false;
        }
    }
    if (aPort.Open(aPortNumber, 9600) != S_OK) {
        ReportNoUnit(FailedOpen(aPortNumber, aPort.LastOpenFault()));
        return false;
    }
    return true;
}

// Reads the parameters in order and prints them. Stops at a link failure; a refusal by the unit is
// reported and the next parameter read.
int ReadAll(CKR_HiProt& aProt, const QList<const CKR_HiProt::ParamInfo*>& aParams)
{
    int status = kExitOk;
    for (const CKR_HiProt::ParamInfo* info : aParams) {
        QVariant value;
        if (!aProt.ReadParam(info->id, value)) {
            const TKR_VUError code = aProt.LastError();
            if (CKR_UartThrd::IsModemRefusal(info->id, code)) {
                Out(ParamText::Name(*info) + QLatin1Char('='));
                continue;
            }
            ReportExchange(*info, code);
            status = kExitFailed;
            if (!VUErr::IsNegativeReply(code))
                break;
            continue;
        }
        Out(ParamText::Name(*info) + QLatin1Char('=') + ParamText::ToText(info->id, value));
    }
    return status;
}

// Reads the options; the command and its arguments are what follows them. An exit code when vuctl ends
// here: --help shown, or a usage error reported.
std::optional<int> Parse(const QStringList& aArguments, Options& aOptions)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Finds a vehicle unit, reads, writes or dumps its parameters."));
    // A value to write may begin with '-': nothing after the command is taken for an option.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Use port N (1 to 255) instead of searching for the unit."),
        QStringLiteral("N"));
    const QCommandLineOption verboseOption(
        {QStringLiteral("v"), QStringLiteral("verbose")},
        QStringLiteral("Show the link's diagnostic lines on standard error."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this text."));
    parser.addOptions({portOption, verboseOption, helpOption});
    parser.addPositionalArgument(QStringLiteral("COMMAND"),
                                 QStringLiteral("find, read, write or dump (below)."),
                                 QStringLiteral("COMMAND [ARGS]"));

    if (!parser.parse(aArguments)) {
        // Only --port takes a value, so an option that is known but failed is --port without one.
        const QStringList unknown = parser.unknownOptionNames();
        if (unknown.isEmpty())
            return Usage(QStringLiteral("--port needs a number from 1 to 255"));
        const QString& name = unknown.first();
        return Usage(QStringLiteral("unknown option '%1%2'")
                         .arg(name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"), name));
    }
    if (parser.isSet(helpOption)) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        std::fputs(kHelpMore, stdout);
        return kExitOk;
    }
    if (!parser.isSet(verboseOption))
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    if (parser.isSet(portOption)) {
        bool ok = false;
        aOptions.port = parser.value(portOption).toInt(&ok);
        if (!ok || aOptions.port < 1 || aOptions.port > 255)
            return Usage(QStringLiteral("--port needs a number from 1 to 255"));
    }
    aOptions.args = parser.positionalArguments();
    if (aOptions.args.isEmpty())
        return Usage(QStringLiteral("no command"));
    aOptions.command = aOptions.args.takeFirst();
    return std::nullopt;
}

// The parameter named by aName, or a usage error.
std::optional<int> Lookup(const QString& aName, QList<const CKR_HiProt::ParamInfo*>& aParams)
{
    const CKR_HiProt::ParamInfo* info = ParamText::Find(aName);
    if (!info)
        return Usage(QStringLiteral("unknown parameter '%1'").arg(aName));
    aParams.append(info);
    return std::nullopt;
}

// The value text of a write, refused unless the unit holds it exactly as given.
std::optional<int> CheckWrite(const QString& aName, const QString& aText, Job& aJob)
{
    if (const auto failed = Lookup(aName, aJob.params))
        return failed;
    const CKR_HiProt::ParamInfo& info = *aJob.params.first();
    QString why;
    if (!ParamText::FromText(info.id, aText, aJob.writeValue, &why))
        return Usage(QStringLiteral("%1: %2").arg(ParamText::Name(info), why));
    if (!CKR_HiProt::HoldsText(info.id, aText))
        return Usage(QStringLiteral("%1: %2").arg(ParamText::Name(info), UnheldReason(info, aText)));
    QByteArray bytes;
    // Service and identifier take 3 bytes of the data field, which must stay below 256.
    if (!CKR_HiProt::EncodeValue(info.id, aJob.writeValue, bytes) || bytes.size() + 3 > 255)
        return Usage(QStringLiteral("%1: %2").arg(ParamText::Name(info), VUErrorText(VUErr::ValueTooLong)));
    return std::nullopt;
}

// The command and its arguments, checked in full before the first byte goes out.
std::optional<int> Check(const Options& aOptions, Job& aJob)
{
    const QString& command = aOptions.command;
    const QStringList& args = aOptions.args;
    aJob.command = command;
    if (command == QLatin1String("find")) {
        if (!args.isEmpty())
            return Usage(QStringLiteral("find takes no arguments"));
    } else if (command == QLatin1String("read")) {
        if (args.isEmpty())
            return Usage(QStringLiteral("read needs at least one NAME"));
        for (const QString& name : args) {
            if (const auto failed = Lookup(name, aJob.params))
                return failed;
        }
    } else if (command == QLatin1String("write")) {
        if (args.size() != 2)
            return Usage(QStringLiteral("write needs NAME and VALUE"));
        return CheckWrite(args[0], args[1], aJob);
    } else if (command == QLatin1String("dump")) {
        if (!args.isEmpty())
            return Usage(QStringLiteral("dump takes no arguments"));
        for (const CKR_HiProt::ParamInfo& info : CKR_HiProt::ParamTable())
            aJob.params.append(&info);
    } else {
        return Usage(QStringLiteral("unknown command '%1'").arg(command));
    }
    return std::nullopt;
}

int Find()
{
    VUPortSearch search;
    const int found = FindVUPort(&search);
    if (found < 0) {
        ReportNoUnit(search);
        return kExitFailed;
    }
    Out(QString::number(found));
    return kExitOk;
}

// Carries out a checked job on the unit at aPort (-1: the one the search finds).
int Run(const Job& aJob, int aPort)
{
    if (aJob.command == QLatin1String("find"))
        return Find();

    UART uart;
    if (!Connect(uart, aPort))
        return kExitFailed;
    CKR_HiProt prot(&uart);

    if (aJob.command == QLatin1String("write")) {
        const CKR_HiProt::ParamInfo& info = *aJob.params.first();
        if (!prot.WriteParam(info.id, aJob.writeValue) &&
            !CKR_UartThrd::IsModemRefusal(info.id, prot.LastError())) {
            ReportExchange(info, prot.LastError());
            return kExitFailed;
        }
        return kExitOk;
    }
    return ReadAll(prot, aJob.params);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(MessageFilter);

    Options options;
    if (const auto done = Parse(app.arguments(), options))
        return *done;
    Job job;
    if (const auto failed = Check(options, job))
        return *failed;
    return Run(job, options.port);
}
