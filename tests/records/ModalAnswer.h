#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Answers the next modal window the code under test opens: polls QApplication::activeModalWidget()
// and hands the window to aAnswer once. With aWanted set, only a window of that class name or object
// name counts (several answers may wait at once). A window that never appears leaves mSeen false.
class ModalAnswer : public QObject
{
public:
    explicit ModalAnswer(std::function<void(QWidget*)> aAnswer, QWidget* aIgnore = nullptr,
                         const QString& aWanted = QString())
        : mAnswer(std::move(aAnswer)), mIgnore(aIgnore), mWanted(aWanted)
    {
        connect(&mTimer, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == mIgnore || !w->isVisible())
                return;
            if (!mWanted.isEmpty() && w->objectName() != mWanted &&
                QLatin1String(w->metaObject()->className()) != mWanted)
                return;
            mTimer.stop();
            mSeen = true;
            mClass = QString::fromLatin1(w->metaObject()->className());
            mObjectName = w->objectName();
            mTitle = w->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(w))
                mText = box->text();
            mAnswer(w);
        });
        mTimer.start(10);
    }

    bool mSeen = false;
    QString mClass;
    QString mObjectName;
    QString mTitle;
    QString mText;

private:
    QTimer mTimer;
    std::function<void(QWidget*)> mAnswer;
    QPointer<QWidget> mIgnore;
    QString mWanted;
};

// Typical answers.
inline void PressOk(QWidget* aBox)
{
    if (auto* box = qobject_cast<QMessageBox*>(aBox))
        box->button(QMessageBox::Ok)->click();
    else if (auto* dialog = qobject_cast<QDialog*>(aBox))
        dialog->accept();
}

inline std::function<void(QWidget*)> ChooseFile(const QString& aPath)
{
    return [aPath](QWidget* aDialog) {
        auto* fd = qobject_cast<QFileDialog*>(aDialog);
        if (!fd) {
            aDialog->close();
            return;
        }
        // The name typed into the dialog's edit is what it takes; selectFile alone is not reliable
        // while the file model is still being filled.
        fd->selectFile(aPath);
        if (auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            edit->setText(aPath);
        QMetaObject::invokeMethod(fd, "accept");
    };
}

inline void Reject(QWidget* aDialog)
{
    if (auto* dialog = qobject_cast<QDialog*>(aDialog))
        dialog->reject();
}
