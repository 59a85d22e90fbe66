#pragma once

// Runs a QTest class under the offscreen platform with one screen of a chosen geometry and no window frames,
// so that positions computed from the screen are known exactly.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRect>
#include <QTest>

inline QString WriteScreenConfig(const QRect& aScreen)
{
    const QString path = QDir::temp().filePath(QStringLiteral("velmora-screen-%1-%2x%3.json")
                                                   .arg(QCoreApplication::applicationPid())
                                                   .arg(aScreen.width())
                                                   .arg(aScreen.height()));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QStringLiteral(R"({"synchronousWindowSystemEvents": true, "windowFrameMargins": false,
"screens": [{"name": "test", "x": %1, "y": %2, "width": %3, "height": %4, "logicalDpi": 96, "dpr": 1}]})")
                       .arg(aScreen.x())
                       .arg(aScreen.y())
                       .arg(aScreen.width())
                       .arg(aScreen.height())
                       .toUtf8());
    return path;
}

#define VELMORA_TEST_MAIN_WITH_SCREEN(TestClass, aScreenRect)                                                \
    int main(int argc, char* argv[])                                                                         \
    {                                                                                                        \
        const QString config = WriteScreenConfig(aScreenRect);                                               \
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen:configfile=") + QFile::encodeName(config));  \
        int result = 0;                                                                                      \
        {                                                                                                    \
            QApplication app(argc, argv);                                                                    \
            QTEST_SET_MAIN_SOURCE_PATH                                                                       \
            TestClass test;                                                                                  \
            result = QTest::qExec(&test, argc, argv);                                                        \
        }                                                                                                    \
        QFile::remove(config);                                                                               \
        return result;                                                                                       \
    }
