#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Answers the next modal window the code under test opens: polls QApplication::activeModalWidget()
// and hands the window to aAnswer once. A window that never appears leaves mSeen false.
class ModalAnswer : public QObject
{
public:
    explicit ModalAnswer(std::function<void(QWidget*)> aAnswer, QWidget* aIgnore = nullptr)
        : mAnswer(std::move(aAnswer)), mIgnore(aIgnore)
    {
        connect(&mTimer, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || w == mIgnore || !w->isVisible())
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
        fd->selectFile(aPath);
        QMetaObject::invokeMethod(fd, "accept");
    };
}

inline void Reject(QWidget* aDialog)
{
    if (auto* dialog = qobject_cast<QDialog*>(aDialog))
        dialog->reject();
}
