// The port as a technician meets it: another program holding the unit's port, and a PC without any port.
// The launcher's buttons, the error window and the way back, against a simulated unit on a pseudo-terminal.

#include "LauncherStory.h"

#include "UnitFixture.h"
#include "app/Training.h"
#include "app/v02.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// True while some other process holds the lock on aPath (what the program's own open meets).
bool HeldElsewhere(const QString& aPath)
{
    const int fd = ::open(QFile::encodeName(aPath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

const QString kCauses = QStringLiteral("  1. Выключили тахограф.\n  2. Отсоединили кабель.\n"
                                       "  3. Тахограф в неподходящем режиме.\n"
                                       "  4. Неисправность тахографа, кабеля или ПК.");

} // namespace

class tst_port_stories : public LauncherStory
{
    Q_OBJECT

private:
    UnitFixture mUnit; // on port 5

    // The error window's text, read as the technician reads it, then OK.
    void ReadError(Technician& aTech, QString* aMessage)
    {
        aTech.In(QStringLiteral("VU_Error"), [&aTech, aMessage](QWidget* w) {
            if (auto* label = Technician::Find<QLabel>(w, QStringLiteral("lblMessage")))
                *aMessage = label->text();
            aTech.Click(w, QStringLiteral("btnOk"));
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mUnit.Start());
        QVERIFY(OpenWorkshop());
    }

    void cleanupTestCase() { mLauncher.reset(); }

    // A second program has the unit's port: the message says so and names the port instead of blaming
    // the unit with an empty list. Once that program ends, the same button reaches the unit.
    void portHeldByAnotherProgram_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::newRow("Программировать") << "btnInfo"
                                         << "VUS_Info";
        QTest::newRow("Калибровать") << "btnCalibr"
                                     << "VUC_Clbr";
        QTest::newRow("Первое включение") << "btnFirst"
                                          << "VU_First";
    }
    void portHeldByAnotherProgram()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        const QString port = QDir(mUnit.dir.path()).filePath(QStringLiteral("COM5"));
        QProcess other;
        // flock(1) holds the port the way a second program does; --no-fork, so that ending it lets go.
        other.start(QStringLiteral("flock"), {QStringLiteral("--exclusive"), QStringLiteral("--no-fork"),
                                              port, QStringLiteral("sleep"), QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(HeldElsewhere(port), 5000);

        Technician tech;
        QString message;
        ReadError(tech, &message);
        tech.Run(Button(button.toLatin1().constData()));
        CheckBackAtLauncher(tech);
        // The busy port is the cause found: it comes first, before the usual ones.
        QCOMPARE(message,
                 QStringLiteral("  1. COM-порт 5 занят другой программой – закройте её и повторите.\n"
                                "  2. Выключили тахограф.\n  3. Отсоединили кабель.\n"
                                "  4. Тахограф в неподходящем режиме.\n"
                                "  5. Неисправность тахографа, кабеля или ПК.\n"
                                "Не найдено ни одного свободного COM-порта."));

        other.kill();
        QVERIFY(other.waitForFinished());
        QTRY_VERIFY_WITH_TIMEOUT(!HeldElsewhere(port), 5000);

        Technician again;
        again.In(
            window, [&again](QWidget* w) { again.Click(w, QStringLiteral("btnClose")); },
            Technician::Enabled(QStringLiteral("btnClose")));
        again.Run(Button(button.toLatin1().constData()));
        CheckBackAtLauncher(again);
    }

    // A PC without any serial port: the message says that no port was found.
    void noPortAtAll()
    {
        QTemporaryDir empty;
        SerialDirScope scope(empty.path());
        Technician tech;
        QString message;
        ReadError(tech, &message);
        tech.Run(Button("btnInfo"));
        CheckBackAtLauncher(tech);
        QCOMPARE(message, kCauses + QStringLiteral("\nНе найдено ни одного свободного COM-порта."));
    }

    // Первое включение with ports where no unit answers: the port-search error, then the launcher.
    void noUnitOnAnyPort()
    {
        SilentPorts silent;
        QVERIFY(silent.Start());
        SerialDirScope scope(silent.dir.path());
        Technician tech;
        QString message;
        ReadError(tech, &message);
        tech.Run(Button("btnFirst"));
        CheckBackAtLauncher(tech);
        QCOMPARE(message, kCauses + QStringLiteral("\nБыли проверены COM-порты: 2, 7."));
    }

    // The training entry starts the program in a folder holding the marker file: the launcher says so,
    // and a workshop folder without it does not.
    void trainingShownInTitle_data()
    {
        QTest::addColumn<QString>("marker"); // "file", "folder" or "" (none)
        QTest::addColumn<QString>("title");
        QTest::newRow("training workshop") << "file"
                                           << "Вестра:Вельмора. v1.0 — учебный режим";
        QTest::newRow("real workshop") << ""
                                       << "Вестра:Вельмора. v1.0";
        QTest::newRow("a folder of that name") << "folder"
                                               << "Вестра:Вельмора. v1.0";
    }
    void trainingShownInTitle()
    {
        QFETCH(QString, marker);
        QFETCH(QString, title);
        QTemporaryDir workshop;
        const QString path = QDir(workshop.path()).filePath(QStringLiteral("Training.txt"));
        if (marker == QStringLiteral("file")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (marker == QStringLiteral("folder")) {
            QVERIFY(QDir().mkdir(path));
        }
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(workshop.path()));
        v02 launcher(nullptr, Qt::WindowFlags());
        MarkTraining(launcher);
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(launcher.windowTitle(), title);
    }
};

QTEST_MAIN(tst_port_stories)
#include "tst_port_stories.moc"
