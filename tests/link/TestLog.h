#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

// Collects the debug output of the code under test (from any thread) while an object of this class lives.
class TestLog
{
public:
    TestLog() { Instance() = this, mPrevious = qInstallMessageHandler(&TestLog::Handler); }
    ~TestLog()
    {
        qInstallMessageHandler(mPrevious);
        Instance() = nullptr;
    }
    QStringList Lines() const
    {
        QMutexLocker lock(&mMutex);
        return mLines;
    }
    int Count(const QString& aPrefix) const
    {
        int n = 0;
        for (const QString& line : Lines())
            n += line.startsWith(aPrefix) ? 1 : 0;
        return n;
    }
    void Clear()
    {
        QMutexLocker lock(&mMutex);
        mLines.clear();
    }

private:
    static TestLog*& Instance()
    {
        static TestLog* instance = nullptr;
        return instance;
    }
    static void Handler(QtMsgType, const QMessageLogContext&, const QString& aText)
    {
        if (TestLog* log = Instance()) {
            QMutexLocker lock(&log->mMutex);
            log->mLines << aText;
        }
    }

    mutable QMutex mMutex;
    QStringList mLines;
    QtMessageHandler mPrevious = nullptr;
};
