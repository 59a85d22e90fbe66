// velmora-workshop.exe: the Start-menu entry of the Windows installation. The program keeps Config.xml, the
// logos and the work records in its working directory; this starts it in the workshop folder "Velmora" of
// the user's Documents folder, made on the first start with the sample logos from the installation's
// samples folder. A folder that exists is never changed.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

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
    const QString folder = documents.filePath(QStringLiteral("Velmora"));
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            Tell(QStringLiteral("Не удалось создать папку %1").arg(QDir::toNativeSeparators(folder)));
            return 1;
        }
        for (const QString& logo : {QStringLiteral("LogoCertif.png"), QStringLiteral("LogoLabel.png")})
            QFile::copy(samples.filePath(logo), QDir(folder).filePath(logo));
    }

    const QString program = install.filePath(QStringLiteral("velmora.exe"));
    if (!QProcess::startDetached(program, {}, folder)) {
        Tell(QStringLiteral("Не удалось запустить %1").arg(QDir::toNativeSeparators(program)));
        return 1;
    }
    return 0;
}
