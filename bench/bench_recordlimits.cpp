// How long loading takes for the files a record loader may be handed at its bounds: a valid record just
// under the size limit, a file just under it that nests too deep, and a far larger, far deeper one. The
// refusals must come at once (milliseconds), a full record well under a second.
#include "records/RecordFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QByteArray Nested(qint64 aLevels)
{
    return QByteArray("<Certificate>").repeated(aLevels) + QByteArray("</Certificate>").repeated(aLevels);
}

// Flat elements up to just under the size limit.
QByteArray LargeFlat()
{
    const QByteArray item = "    <Master><Name>Иванов И.И.</Name></Master>\r\n";
    const qint64 count = (kRecordSizeLimit - 64) / item.size();
    return "<Config>\r\n" + item.repeated(count) + "</Config>\r\n";
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const struct
    {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"valid record just under the size limit", LargeFlat()},
        {"too deep, just under the size limit", Nested((kRecordSizeLimit - 1) / 27)},
        {"200000 levels, over the size limit", Nested(200000)},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QStringLiteral("r.xml"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(c.bytes) != c.bytes.size())
            return 1;
        file.close();
        QElapsedTimer timer;
        timer.start();
        QDomDocument doc;
        RecordReadError error;
        const bool loaded = ReadRecordFile(path, doc, &error);
        std::printf("%-42s %8lld bytes  %s  %7.1f ms\n", c.what, static_cast<long long>(c.bytes.size()),
                    loaded ? "loaded " : "refused", timer.nsecsElapsed() / 1e6);
    }
    return 0;
}
