// velmora-workshop.exe [--training]: the Start-menu entries of the Windows installation. The program keeps
// Config.xml, the logos and the work records in its working directory; this starts it in the workshop
// folder "Velmora" of the user's Documents folder, made on the first start with the sample logos from the
// installation's samples folder. A folder that exists is never changed. With --training it starts it in
// the training workshop "Velmora-учебный" next to it instead, made with the logos, a made-up workshop's
// Config.xml and Training.txt, by which the program knows to run on its simulated unit; the marker comes
// back if it was removed, as this folder is always the training one.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <windows.h>

namespace {

void Tell(const QString& aText)
{
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(aText.utf16()), L"Velmora", MB_OK | MB_ICONERROR);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QDir install(QCoreApplication::applicationDirPath());
    const QDir samples(install.filePath(QStringLiteral("samples")));
    const QDir documents(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    const bool training = app.arguments().contains(QStringLiteral("--training"));
    const QString folder =
        documents.filePath(training ? QStringLiteral("Velmora-учебный") : QStringLiteral("Velmora"));
    QStringList files{QStringLiteral("LogoCertif.png"), QStringLiteral("LogoLabel.png")};
    if (training)
        files << QStringLiteral("training/Config.xml") << QStringLiteral("training/Training.txt");
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            Tell(QStringLiteral("Не удалось создать папку %1").arg(QDir::toNativeSeparators(folder)));
            return 1;
        }
        for (const QString& file : files)
            QFile::copy(samples.filePath(file), QDir(folder).filePath(QFileInfo(file).fileName()));
    }
    const QString marker = QDir(folder).filePath(QStringLiteral("Training.txt"));
    if (training && !QFile::exists(marker))
        QFile::copy(samples.filePath(QStringLiteral("training/Training.txt")), marker);

    const QString program = install.filePath(QStringLiteral("velmora.exe"));
    if (!QProcess::startDetached(program, {}, folder)) {
        Tell(QStringLiteral("Не удалось запустить %1").arg(QDir::toNativeSeparators(program)));
        return 1;
    }
    return 0;
}
