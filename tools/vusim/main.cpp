// vusim: a simulated vehicle unit on pseudo-terminals, offered as DIR/COM<N>.
#include "tools/common/ParamText.h"
#include "tools/vusim/VUSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// "3", "3,5", "1-32": the port numbers of a list; empty when the text is no valid list.
QList<int> ParsePorts(const QString& aText)
{
    QList<int> ports;
    for (const QString& part : aText.split(QLatin1Char(','))) {
        const QStringList range = part.split(QLatin1Char('-'));
        bool ok1 = false;
        bool ok2 = false;
        const int first = range.value(0).trimmed().toInt(&ok1);
        const int last = range.size() == 2 ? range[1].trimmed().toInt(&ok2) : first;
        if (!ok1 || (range.size() == 2 && !ok2) || range.size() > 2 || first < 1 || last > 255 ||
            last < first)
            return {};
        for (int p = first; p <= last; ++p)
            ports.append(p);
    }
    return ports;
}

// Applies one --fault text to aFaults / aNegative. False when the text is not understood.
bool ParseFault(const QString& aText, VUSimulator::Faults& aFaults, QList<QPair<int, quint8>>& aNegative)
{
    const QString name = aText.section(QLatin1Char('='), 0, 0);
    const QString arg = aText.section(QLatin1Char('='), 1);
    bool ok = true;
    if (name == QLatin1String("silent"))
        aFaults.silent = true;
    else if (name == QLatin1String("checksum"))
        aFaults.badChecksum = true;
    else if (name == QLatin1String("address"))
        aFaults.badAddress = true;
    else if (name == QLatin1String("firstbyte"))
        aFaults.badFirstByte = true;
    else if (name == QLatin1String("bytewise"))
        aFaults.byteAtATime = true;
    else if (name == QLatin1String("late"))
        aFaults.lateFirstByteMs = arg.toInt(&ok);
    else if (name == QLatin1String("dead"))
        aFaults.deadAfterFrames = arg.toInt(&ok);
    else if (name == QLatin1String("count"))
        aFaults.count = arg.toInt(&ok);
    else if (name == QLatin1String("gap")) {
        bool ok2 = false;
        aFaults.gapAfterBytes = arg.section(QLatin1Char(':'), 0, 0).toInt(&ok);
        aFaults.gapMs = arg.section(QLatin1Char(':'), 1).toInt(&ok2);
        ok = ok && ok2;
    } else if (name == QLatin1String("negative")) {
        const QString id = arg.section(QLatin1Char(':'), 0, 0);
        const int reason = arg.section(QLatin1Char(':'), 1).toInt(&ok, 0);
        const CKR_HiProt::ParamInfo* info = ParamText::Find(id);
        if (!ok || reason < 0 || reason > 255 || (!info && id != QLatin1String("all")))
            return false;
        aNegative.append({info ? info->id : VUSimulator::AllParams, quint8(reason)});
    } else
        return false;
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    // The signals that end the program are taken by sigwait below; block them before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vusim"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated vehicle unit. Each port N becomes DIR/COM<N>, a link to a pseudo-terminal on which the\n"
        "unit answers reads and writes of every parameter. Point the program at it with\n"
        "VELMORA_SERIAL_DIR=DIR. Ends on SIGINT or SIGTERM."));
    parser.addHelpOption();
    const QCommandLineOption dirOption(QStringLiteral("dir"), QStringLiteral("Directory for the COM links."),
                                       QStringLiteral("D"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Port number, or a list such as 1-8,12 (one unit each)."),
        QStringLiteral("N"));
    const QCommandLineOption valuesOption(
        QStringLiteral("values"), QStringLiteral("Initial values: NAME=value lines as vuctl prints them."),
        QStringLiteral("FILE"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Hex dump of every byte received and sent."));
    const QCommandLineOption optionsOption(QStringLiteral("options"),
                                           QStringLiteral("PID_VUOptions bit mask (e.g. 0x2B)."),
                                           QStringLiteral("MASK"));
    const QCommandLineOption responseOption(QStringLiteral("response"),
                                            QStringLiteral("Response time before a reply in ms (default 5)."),
                                            QStringLiteral("MS"));
    const QCommandLineOption silentOption(QStringLiteral("silent"), QStringLiteral("Never answer."));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("Inject a fault (repeatable): silent, late=MS, gap=AFTER:MS, checksum, address,\n"
                       "firstbyte, bytewise, dead=N (no reply after N replies), count=N (faults for\n"
                       "the next N requests only), negative=NAME:REASON (NAME 'all' for every request;\n"
                       "e.g. negative=KConst:0x22)."),
        QStringLiteral("SPEC"));
    const QCommandLineOption fastOption(QStringLiteral("no-pacing"),
                                        QStringLiteral("Send replies at once instead of at 9600 baud."));
    parser.addOptions({dirOption, portOption, valuesOption, verboseOption, optionsOption, responseOption,
                       silentOption, faultOption, fastOption});
    parser.process(app);

    const auto usage = [](const QString& aText) {
        std::fprintf(stderr, "vusim: %s (see --help)\n", qPrintable(aText));
        return 2;
    };
    if (!parser.isSet(dirOption) || !parser.isSet(portOption))
        return usage(QStringLiteral("--dir and --port are required"));
    const QList<int> ports = ParsePorts(parser.value(portOption));
    if (ports.isEmpty())
        return usage(QStringLiteral("bad port list '%1'").arg(parser.value(portOption)));
    bool ok = true;
    const quint32 options = parser.isSet(optionsOption) ? parser.value(optionsOption).toUInt(&ok, 0) : 0;
    if (!ok)
        return usage(QStringLiteral("bad option mask '%1'").arg(parser.value(optionsOption)));
    const int response = parser.isSet(responseOption) ? parser.value(responseOption).toInt(&ok) : 5;
    if (!ok || response < 0)
        return usage(QStringLiteral("bad response time '%1'").arg(parser.value(responseOption)));

    VUSimulator::Faults faults;
    faults.silent = parser.isSet(silentOption);
    QList<QPair<int, quint8>> negative;
    for (const QString& spec : parser.values(faultOption)) {
        if (!ParseFault(spec, faults, negative))
            return usage(QStringLiteral("bad fault '%1'").arg(spec));
    }

    std::vector<std::unique_ptr<VUSimulator>> units;
    for (const int port : ports) {
        auto unit = std::make_unique<VUSimulator>();
        QString error;
        if (parser.isSet(valuesOption) && !unit->LoadValues(parser.value(valuesOption), &error)) {
            std::fprintf(stderr, "vusim: %s\n", qPrintable(error));
            return 1;
        }
        if (parser.isSet(optionsOption))
            unit->SetOptions(options);
        unit->SetResponseTime(response);
        unit->SetPacing(!parser.isSet(fastOption));
        unit->SetVerbose(parser.isSet(verboseOption));
        unit->SetFaults(faults);
        for (const auto& [id, reason] : negative)
            unit->SetNegativeReply(id, reason);
        if (!unit->Start(parser.value(dirOption), port)) {
            std::fprintf(stderr, "vusim: port %d: %s\n", port, qPrintable(unit->ErrorString()));
            return 1;
        }
        std::fprintf(stderr, "vusim: %s -> %s\n", qPrintable(unit->LinkPath()),
                     qPrintable(unit->SlavePath()));
        units.push_back(std::move(unit));
    }
    std::fflush(stderr);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    units.clear(); // stops every unit and removes its link
    return 0;
}
