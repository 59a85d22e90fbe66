// vuctl: find a vehicle unit, read, write or dump its parameters from the command line.
#include "link/CKR_HiProt.h"
#include "link/CKR_VUPortFindThrd.h"
#include "link/UART.h"
#include "link/VUError.h"
#include "tools/common/ParamText.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QStringList>

#include <cstdio>

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

const char* const kHelp = R"(Usage: vuctl [--port N] [--verbose] COMMAND [ARGS]

Commands:
  find                 search ports 1 to 255 at once and print the number of the lowest port on which
                       a vehicle unit answers
  read NAME...         print one NAME=value line per parameter
  write NAME VALUE     write one value
  dump                 read every parameter of the table, one NAME=value line each

Options:
  --port N             use port N (1 to 255) instead of searching for the unit
  --verbose, -v        show the link's diagnostic lines on standard error
  --help, -h           show this text

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

bool gVerbose = false;

void MessageFilter(QtMsgType aType, const QMessageLogContext&, const QString& aText)
{
    if (aType == QtDebugMsg && !gVerbose)
        return;
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

void ReportNoUnit(const QString& aTried)
{
    Err(QStringLiteral("vuctl: %1\n%2")
            .arg(VUErrorText(VUErr::NoUnitFound), VUErrorCauses(VUErr::NoUnitFound, aTried)));
#ifndef Q_OS_WIN
    ReportNoPermission();
#endif
}

// A unit without a modem refuses its settings as out of range; the program takes that as an empty
// value, and so does this tool.
bool ModemRefusal(CKR_HiProt::T_ParamId aId, TKR_VUError aCode)
{
    return aId >= CKR_HiProt::PID_MdmPIN && aId <= CKR_HiProt::PID_MdmMonitURL && aCode == VUErr::RC_ROOR;
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
        QString tried;
        aPortNumber = FindVUPort(&tried);
        if (aPortNumber < 0) {
            ReportNoUnit(tried);
            return false;
        }
    }
    if (aPort.Open(aPortNumber, 9600) != S_OK) {
        ReportNoUnit(QString::number(aPortNumber));
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
            if (ModemRefusal(info->id, code)) {
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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(MessageFilter);

    QStringList args = app.arguments().mid(1);
    int port = -1;
    while (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--")) {
            break;
        } else if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            std::fputs(kHelp, stdout);
            return kExitOk;
        } else if (option == QLatin1String("--verbose") || option == QLatin1String("-v")) {
            gVerbose = true;
        } else if (option == QLatin1String("--port") || option.startsWith(QLatin1String("--port="))) {
            QString text;
            if (option.startsWith(QLatin1String("--port=")))
                text = option.mid(7);
            else if (!args.isEmpty())
                text = args.takeFirst();
            bool ok = false;
            port = text.toInt(&ok);
            if (!ok || port < 1 || port > 255)
                return Usage(QStringLiteral("--port needs a number from 1 to 255"));
        } else {
            return Usage(QStringLiteral("unknown option '%1'").arg(option));
        }
    }
    if (args.isEmpty())
        return Usage(QStringLiteral("no command"));
    const QString command = args.takeFirst();

    if (command == QLatin1String("find")) {
        if (!args.isEmpty())
            return Usage(QStringLiteral("find takes no arguments"));
        QString tried;
        const int found = FindVUPort(&tried);
        if (found < 0) {
            ReportNoUnit(tried);
            return kExitFailed;
        }
        Out(QString::number(found));
        return kExitOk;
    }

    // Everything is checked before the first byte goes out.
    QList<const CKR_HiProt::ParamInfo*> params;
    QVariant writeValue;
    if (command == QLatin1String("read")) {
        if (args.isEmpty())
            return Usage(QStringLiteral("read needs at least one NAME"));
        for (const QString& name : args) {
            const CKR_HiProt::ParamInfo* info = ParamText::Find(name);
            if (!info)
                return Usage(QStringLiteral("unknown parameter '%1'").arg(name));
            params.append(info);
        }
    } else if (command == QLatin1String("write")) {
        if (args.size() != 2)
            return Usage(QStringLiteral("write needs NAME and VALUE"));
        const CKR_HiProt::ParamInfo* info = ParamText::Find(args[0]);
        if (!info)
            return Usage(QStringLiteral("unknown parameter '%1'").arg(args[0]));
        QString why;
        if (!ParamText::FromText(info->id, args[1], writeValue, &why))
            return Usage(QStringLiteral("%1: %2").arg(ParamText::Name(*info), why));
        if (!CKR_HiProt::HoldsText(info->id, args[1]))
            return Usage(QStringLiteral("%1: %2").arg(ParamText::Name(*info), UnheldReason(*info, args[1])));
        QByteArray bytes;
        // Service and identifier take 3 bytes of the data field, which must stay below 256.
        if (!CKR_HiProt::EncodeValue(info->id, writeValue, bytes) || bytes.size() + 3 > 255)
            return Usage(
                QStringLiteral("%1: %2").arg(ParamText::Name(*info), VUErrorText(VUErr::ValueTooLong)));
        params.append(info);
    } else if (command == QLatin1String("dump")) {
        if (!args.isEmpty())
            return Usage(QStringLiteral("dump takes no arguments"));
        for (const CKR_HiProt::ParamInfo& info : CKR_HiProt::ParamTable())
            params.append(&info);
    } else {
        return Usage(QStringLiteral("unknown command '%1'").arg(command));
    }

    UART uart;
    if (!Connect(uart, port))
        return kExitFailed;
    CKR_HiProt prot(&uart);

    if (command == QLatin1String("write")) {
        const CKR_HiProt::ParamInfo& info = *params.first();
        if (!prot.WriteParam(info.id, writeValue) && !ModemRefusal(info.id, prot.LastError())) {
            ReportExchange(info, prot.LastError());
            return kExitFailed;
        }
        return kExitOk;
    }
    return ReadAll(prot, params);
}
