#pragma once

// The workshop a story runs in: a private working folder made current (with the sample logos when the
// story prints), and the launcher window shown there, as the program starts. Story classes derive from it.

#include "Technician.h"

#include "app/v02.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class LauncherStory : public QObject
{
protected:
    QTemporaryDir mWork;
    std::unique_ptr<v02> mLauncher;

    // Makes the working folder current, copies the logos if asked, and shows the launcher.
    bool OpenWorkshop(bool aWithLogos = false)
    {
        if (!mWork.isValid() || !QDir::setCurrent(mWork.path()))
            return false;
        if (aWithLogos)
            for (const char* logo : {"LogoCertif.png", "LogoLabel.png"})
                if (!QFile::copy(QStringLiteral(VELMORA_SOURCE_DIR "/resources/samples/") + logo,
                                 InWork(logo)))
                    return false;
        mLauncher = std::make_unique<v02>();
        mLauncher->show();
        return QTest::qWaitForWindowExposed(mLauncher.get());
    }

    QAbstractButton* Button(const char* aName) { return mLauncher->findChild<QAbstractButton*>(aName); }
    QString InWork(const QString& aName) const { return QDir(mWork.path()).filePath(aName); }

    // After a story the launcher is back in front, usable, with no window of the story left open.
    void CheckBackAtLauncher(const Technician& aTech)
    {
        QVERIFY2(aTech.Failures().isEmpty(), qPrintable(aTech.Failures().join(QStringLiteral("\n"))));
        QVERIFY(mLauncher->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(mLauncher->cursor().shape(), Qt::ArrowCursor);
    }
};
