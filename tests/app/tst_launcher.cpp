#include "Technician.h"
#include "TestScreen.h"
#include "app/Launch.h"
#include "app/v02.h"

#include <QDialog>
#include <QLoggingCategory>
#include <QMetaMethod>
#include <QPointer>
#include <QPushButton>
#include <QResource>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <stdexcept>

// The screen's origin is deliberately not at 0, 0: the launcher centres by the available size alone.
#ifdef VELMORA_SMALL_SCREEN
const QRect kScreen(30, 20, 320, 240);
#else
const QRect kScreen(100, 40, 1280, 1000);
#endif

namespace {
const QStringList kResources = {"box.png",
                                "gauge.png",
                                "printer_view.png",
                                "scroll2.png",
                                "businessman_add.png",
                                "band_aid.png",
                                "truck_red.png",
                                "edit.png",
                                "document_certificate.png",
                                "tape_measure1.png",
                                "disk_blue.png",
                                "calculator.png",
                                "printer.png",
                                "date-time_preferences.png",
                                "folder_document.png",
                                "wrench.png",
                                "copy.png",
                                "businessman_delete.png",
                                "logo.jpg",
                                "exit.png",
                                "flag_russia.png"};

// How the probe dialog of the launch tests behaves, and what it saw.
struct Probe
{
    enum Ending
    {
        Accept,
        Reject,
        CloseBox,
        ThrowStd,
        ThrowOther
    };
    Ending ending = Accept;
    QWidget* launcher = nullptr;
    // Seen while the dialog was constructed and while it ran.
    Qt::CursorShape cursorInConstruction = Qt::BlankCursor;
    QWidget* parent = nullptr;
    Qt::WindowFlags flags;
    bool launcherVisibleWhileRunning = false;
    bool modal = false;
    bool ran = false;
};
Probe gProbe;

class ProbeDialog : public QDialog
{
public:
    ProbeDialog(QWidget* aParent, Qt::WindowFlags aFlags) : QDialog(aParent, aFlags)
    {
        gProbe.cursorInConstruction = gProbe.launcher->cursor().shape();
        gProbe.parent = parentWidget();
        gProbe.flags = windowFlags();
        if (gProbe.ending == Probe::ThrowStd)
            throw std::runtime_error("no unit");
        if (gProbe.ending == Probe::ThrowOther)
            throw 7;
        QTimer::singleShot(0, this, [this] {
            gProbe.ran = true;
            gProbe.modal = QApplication::activeModalWidget() == this;
            gProbe.launcherVisibleWhileRunning = gProbe.launcher->isVisible();
            switch (gProbe.ending) {
            case Probe::Accept:
                accept();
                break;
            case Probe::Reject:
                reject();
                break;
            default:
                close();
                break;
            }
        });
    }
};

QImage Argb(const QImage& aImage)
{
    return aImage.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
} // namespace

Q_DECLARE_METATYPE(Probe::Ending)

class tst_launcher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), kScreen); }

    void form()
    {
        v02 window;
        QCOMPARE(window.objectName(), QStringLiteral("v02Class"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Вестра:Вельмора. v1.0"));
        QCOMPARE(window.size(), QSize(350, 430));
        QCOMPARE(window.minimumSize(), QSize(350, 290));
        QCOMPARE(window.maximumSize(), QSize(350, 430));
        QCOMPARE(window.sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
        QCOMPARE(window.sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
        QCOMPARE(window.font().pointSize(), 18);
        QCOMPARE(window.contextMenuPolicy(), Qt::NoContextMenu);
        QVERIFY(window.centralWidget());
        QCOMPARE(window.centralWidget()->objectName(), QStringLiteral("centralWidget"));

        // The buttons in the order of the form.
        QStringList names;
        for (const QPushButton* button : window.centralWidget()->findChildren<QPushButton*>())
            names << button->objectName();
        QCOMPARE(names,
                 (QStringList{"btnInfo", "btnCalibr", "btnClose", "btnFirst", "btnPrint", "btnPrint_2"}));
    }

    // The five task slots, in their order, are all the launcher adds to the meta-object.
    void taskSlots()
    {
        const QMetaObject* meta = &v02::staticMetaObject;
        QStringList methods;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
            methods << QString::fromLatin1(meta->method(i).methodSignature());
        QCOMPARE(methods, (QStringList{"OnVUFirst()", "OnVUSettings()", "OnVUCalibrate()", "OnVUPrint()",
                                       "OnConfigure()"}));
        QCOMPARE(meta->propertyCount(), meta->propertyOffset());
    }

    void buttons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("icon");
        QTest::newRow("btnFirst") << "btnFirst" << 10 << "    &Первое включение  "
                                  << "box.png";
        QTest::newRow("btnInfo") << "btnInfo" << 80 << "    П&рограммировать    "
                                 << "truck_red.png";
        QTest::newRow("btnCalibr") << "btnCalibr" << 150 << "    &Калибровать          "
                                   << "tape_measure1.png";
        QTest::newRow("btnPrint") << "btnPrint" << 220 << "   &Документы           "
                                  << "printer.png";
        QTest::newRow("btnPrint_2") << "btnPrint_2" << 290 << "   &Настройки            "
                                    << "wrench.png";
        QTest::newRow("btnClose") << "btnClose" << 360 << "   &Выход                  "
                                  << "exit.png";
    }

    void buttons()
    {
        QFETCH(QString, name);
        QFETCH(int, y);
        QFETCH(QString, caption);
        QFETCH(QString, icon);
        v02 window;
        const auto* button = window.findChild<QPushButton*>(name);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->geometry(), QRect(10, y, 330, 60));
        QCOMPARE(button->iconSize(), QSize(48, 48));
        const QPixmap pixmap = button->icon().pixmap(48, 48);
        QVERIFY(!pixmap.isNull());
        QCOMPARE(Argb(pixmap.toImage()), Argb(QImage(":/v02/Resources/" + icon)));
        // The icon and the caption up to its trailing blanks fit on the button, with room for the frame.
        // The mnemonic's "&" only underlines its letter.
        QString visible = caption;
        visible.remove(QLatin1Char('&'));
        while (visible.endsWith(QLatin1Char(' ')))
            visible.chop(1);
        const int needed = button->iconSize().width() + 4 + button->fontMetrics().horizontalAdvance(visible);
        QVERIFY2(needed <= button->width() - 8, qPrintable(QString::number(needed)));
        QVERIFY(button->sizeHint().height() <= button->height());
    }

    void resources()
    {
        for (const QString& name : kResources) {
            const QString path = ":/v02/Resources/" + name;
            const QResource resource(path);
            QVERIFY2(resource.isValid(), qPrintable(path));
            QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
            const QImage image(path);
            QVERIFY2(!image.isNull(), qPrintable(path));
            if (name.endsWith(".png"))
                QCOMPARE(image.size(), QSize(48, 48));
        }
        QCOMPARE(QDir(":/v02/Resources").entryList().size(), kResources.size());
    }

    void centred()
    {
        v02 window;
        const QPoint expected((kScreen.width() - 350) / 2, (kScreen.height() - 430) / 2);
        QCOMPARE(window.pos(), expected);
#ifdef VELMORA_SMALL_SCREEN
        QVERIFY(expected.x() < 0 && expected.y() < 0);
#endif
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.pos(), expected);
    }

    void tabOrder_data()
    {
        QTest::addColumn<bool>("forward");
        QTest::newRow("Tab") << true;
        QTest::newRow("Shift+Tab") << false;
    }

    void tabOrder()
    {
        QFETCH(bool, forward);
        v02 window;
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.findChild<QPushButton*>("btnFirst")->setFocus();
        QStringList visited;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                            forward ? Qt::NoModifier : Qt::ShiftModifier);
            visited << QApplication::focusWidget()->objectName();
        }
        const QStringList expected =
            forward ? QStringList{"btnInfo", "btnCalibr", "btnPrint", "btnClose", "btnFirst"}
                    : QStringList{"btnClose", "btnPrint", "btnCalibr", "btnInfo", "btnFirst"};
        QCOMPARE(visited, expected);
    }

    void closeButton()
    {
        v02 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(window.findChild<QPushButton*>("btnClose"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
    }

    // The two ways of running a task dialog, with every way the dialog can end.
    void launch_data()
    {
        QTest::addColumn<int>("pattern"); // 0 hiding, 1 child with wait cursor, 2 child
        QTest::addColumn<Probe::Ending>("ending");
        const char* patterns[] = {"hiding", "child, wait cursor", "child"};
        const std::pair<Probe::Ending, const char*> endings[] = {{Probe::Accept, "OK"},
                                                                 {Probe::Reject, "Cancel"},
                                                                 {Probe::CloseBox, "close box"},
                                                                 {Probe::ThrowStd, "throws std::exception"},
                                                                 {Probe::ThrowOther, "throws int"}};
        for (int p = 0; p < 3; ++p)
            for (const auto& [ending, name] : endings)
                QTest::addRow("%s, %s", patterns[p], name) << p << ending;
    }

    void launch()
    {
        QFETCH(int, pattern);
        QFETCH(Probe::Ending, ending);
        v02 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        gProbe = Probe();
        gProbe.ending = ending;
        gProbe.launcher = &window;

        if (pattern == 0)
            LaunchHiding<ProbeDialog>(&window);
        else
            LaunchChild<ProbeDialog>(&window, pattern == 1);

        QCOMPARE(gProbe.cursorInConstruction, pattern == 2 ? Qt::ArrowCursor : Qt::WaitCursor);
        if (pattern == 0) {
            QCOMPARE(gProbe.parent, nullptr);
            QCOMPARE(gProbe.flags & Qt::WindowType_Mask, Qt::Dialog);
        } else {
            QCOMPARE(gProbe.parent, &window);
            QCOMPARE(gProbe.flags, window.windowFlags());
        }
        const bool throws = ending == Probe::ThrowStd || ending == Probe::ThrowOther;
        QCOMPARE(gProbe.ran, !throws);
        if (!throws) {
            QVERIFY(gProbe.modal);
            QCOMPARE(gProbe.launcherVisibleWhileRunning, pattern != 0);
        }
        // Back to the launcher in every case.
        QVERIFY(window.isVisible());
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    // The real buttons: each writes its line, opens the windows it should with no unit anywhere (the
    // port-search error, or the task's own dialog when it needs no unit), each closed as it comes, and
    // comes back to a visible launcher with the arrow cursor.
    // Each is pressed with the mouse, and from the keyboard by the letter its caption underlines (Alt+Н
    // for Настройки, which the Tab chain skips).
    void taskButtons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("windows");
        QTest::addColumn<int>("letter"); // Alt with this letter; 0: a click
        const auto rows = [](const char* aName, const char* aLine, const char* aWindow, char16_t aLetter) {
            QTest::addRow("%s", aName) << aName << QByteArray(aLine) << QStringList{aWindow} << 0;
            QTest::addRow("%s, Alt+%s", aName, qPrintable(QString(QChar(aLetter))))
                << aName << QByteArray(aLine) << QStringList{aWindow} << int(aLetter);
        };
        rows("btnFirst", "OnVUFirst", "VU_Error", u'П');
        rows("btnInfo", "OnOnVUInfo", "VU_Error", u'Р');
        rows("btnCalibr", "OnVUCalibrate", "VU_Error", u'К');
        rows("btnPrint", "", "VUD_Certificate", u'Д');
        rows("btnPrint_2", "OnConfigure", "Config", u'Н');
    }

    void taskButtons()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, line);
        QFETCH(QStringList, windows);
        QFETCH(int, letter);
        // No unit anywhere: an empty port directory, and an empty working directory for the files.
        QTemporaryDir ports;
        QTemporaryDir work;
        QVERIFY(ports.isValid() && work.isValid());
        qputenv("VELMORA_SERIAL_DIR", QFile::encodeName(ports.path()));
        const QString oldDir = QDir::currentPath();
        QDir::setCurrent(work.path());

        v02 window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        Technician tech;
        for (const QString& expected : windows)
            tech.In(expected, [](QWidget* w) { w->close(); });
        if (!line.isEmpty())
            QTest::ignoreMessage(QtDebugMsg, line.constData());
        if (letter == 0) {
            tech.Run(window.findChild<QPushButton*>(name));
        } else {
            QApplication::setActiveWindow(&window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
            // The key clicks the button a moment later, as a click shows it pressed. (QTest's key
            // sequences take Latin letters only.)
            tech.Run([&] {
                QTest::sendKeyEvent(QTest::Click, &window, Qt::Key(letter), QString(QChar(letter).toLower()),
                                    Qt::AltModifier);
                tech.Check(QTest::qWaitFor([&] {
                               return tech.Seen().size() == windows.size() &&
                                      !QApplication::activeModalWidget();
                           }),
                           QStringLiteral("Alt+%1 opened no window").arg(QChar(letter)));
            });
        }
        QDir::setCurrent(oldDir);
        qunsetenv("VELMORA_SERIAL_DIR");

        QVERIFY2(tech.Failures().isEmpty(), tech.Report());
        QCOMPARE(tech.Seen(), windows);
        QVERIFY(window.isVisible());
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }
};

VELMORA_TEST_MAIN_WITH_SCREEN(tst_launcher, kScreen)
#include "tst_launcher.moc"
