#pragma once

// Answering the modal windows that the code under test opens (the program's own dialogs, message
// boxes, file dialogs) from a timer, so that a test can drive exec() loops without hanging. Three
// drivers share the answers below; they differ in how they pick the window they answer:
//  - ModalAnswer answers the next modal window once (optionally only one of a given name),
//  - ModalDriver answers every window in the order they appear and notes and closes windows
//    nobody expected,
//  - ModalScript runs an ordered list of handlers that each say whether a window was theirs and
//    leaves the others (an editor the test opened, say) alone.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace Modal {

// Chooses aPath in a file dialog, or cancels it when aPath is empty.
inline void ChooseInFileDialog(QFileDialog* aDialog, const QString& aPath)
{
    if (aPath.isEmpty()) {
        aDialog->reject();
        return;
    }
    // The name typed into the dialog's edit is what it takes on accept: selectFile() alone may be
    // overridden by the dialog's initial selection, and leaves the edit alone while it has the focus.
    aDialog->selectFile(aPath);
    if (auto* name = aDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(aPath);
    static_cast<QDialog*>(aDialog)->accept(); // QFileDialog::accept is protected; it checks the choice
}

// The path a file dialog proposes before it is answered.
inline QString ProposedFile(const QFileDialog* aDialog)
{
    return aDialog->selectedFiles().value(0);
}

// Closes a window without answering yes: a dialog is rejected, anything else closed.
inline void Dismiss(QWidget* aWindow)
{
    if (auto* dialog = qobject_cast<QDialog*>(aWindow))
        dialog->reject();
    else
        aWindow->close();
}

// The message shown by one of the program's own message dialogs (VU_Error, VU_Confirm, ...).
inline QString DialogMessage(const QWidget* aDialog)
{
    const auto* label = aDialog->findChild<QLabel*>(QStringLiteral("lblMessage"));
    return label ? label->text() : QString();
}

} // namespace Modal

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

// Typical answers for ModalAnswer.
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
        if (auto* fd = qobject_cast<QFileDialog*>(aDialog))
            Modal::ChooseInFileDialog(fd, aPath);
        else
            aDialog->close();
    };
}

inline void Reject(QWidget* aDialog)
{
    if (auto* dialog = qobject_cast<QDialog*>(aDialog))
        dialog->reject();
}

// Answers the modal windows that the code under test opens, one handler per window in the order they
// appear. Windows that appear with no handler left are noted and closed, so a test can fail instead
// of hanging.
class ModalDriver : public QObject
{
public:
    using Handler = std::function<void(QWidget*)>;

    ModalDriver()
    {
        connect(&mTimer, &QTimer::timeout, this, &ModalDriver::Poll);
        mTimer.start(10);
    }

    void Expect(const Handler& aHandler) { mHandlers.append(aHandler); }
    // A dialog the test itself runs modally.
    void Ignore(QWidget* aWidget) { mIgnored = aWidget; }
    int Pending() const { return mHandlers.size(); }
    // Object names (or class names) of every modal window seen, answered or not.
    const QStringList& Seen() const { return mSeen; }
    const QStringList& Unexpected() const { return mUnexpected; }
    void Reset()
    {
        mHandlers.clear();
        mSeen.clear();
        mUnexpected.clear();
    }

    // Handlers for the program's own message dialogs and the toolkit's file dialogs.
    static Handler Click(const QString& aButton, QString* aName = nullptr)
    {
        return [aButton, aName](QWidget* w) {
            if (aName)
                *aName = w->objectName();
            if (auto* button = w->findChild<QPushButton*>(aButton))
                button->click();
            else
                w->close();
        };
    }
    static Handler Confirm(bool aYes) { return Click(aYes ? "okButton" : "cancelButton"); }
    static Handler Result() { return Click("okButton"); }
    // The error dialog: its causes text and whether it had a parent.
    static Handler Error(QString* aMessage, bool* aHadParent = nullptr)
    {
        return [aMessage, aHadParent](QWidget* w) {
            if (aMessage && w->findChild<QLabel*>("lblMessage"))
                *aMessage = w->objectName() == "VU_Error" ? Modal::DialogMessage(w) : "not the error dialog";
            if (aHadParent)
                *aHadParent = w->parentWidget() != nullptr;
            Click("btnOk")(w);
        };
    }
    // A file dialog: the path it proposed, then aPath chosen (empty: cancelled).
    static Handler File(const QString& aPath, QString* aProposed = nullptr)
    {
        return [aPath, aProposed](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog) {
                if (aProposed)
                    *aProposed = "not a file dialog: " + w->objectName();
                w->close();
                return;
            }
            if (aProposed)
                *aProposed = Modal::ProposedFile(dialog);
            Modal::ChooseInFileDialog(dialog, aPath);
        };
    }
    // A message box: its title and text, then OK.
    static Handler Box(QString* aTitle, QString* aText)
    {
        return [aTitle, aText](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (aTitle)
                *aTitle = box ? box->windowTitle() : "not a message box";
            if (aText)
                *aText = box ? box->text() : QString();
            if (box)
                box->accept();
            else
                w->close();
        };
    }

private:
    void Poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w == mIgnored)
            return;
        for (const QPointer<QWidget>& done : std::as_const(mDone)) {
            if (done != w)
                continue;
            // Answered but still open (a refused choice, a warning closed in between): give up on it
            // rather than hang the test.
            if (mSinceAnswer.elapsed() > 3000) {
                mUnexpected.append("still open: " + w->objectName());
                Modal::Dismiss(w);
            }
            return;
        }
        mDone.append(w);
        mSinceAnswer.start();
        mSeen.append(w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName());
        if (mHandlers.isEmpty()) {
            mUnexpected.append(mSeen.last());
            Modal::Dismiss(w);
            return;
        }
        const Handler handler = mHandlers.takeFirst();
        handler(w);
    }

    QTimer mTimer;
    QList<Handler> mHandlers;
    QList<QPointer<QWidget>> mDone;
    QPointer<QWidget> mIgnored;
    QElapsedTimer mSinceAnswer;
    QStringList mSeen;
    QStringList mUnexpected;
};

// Answers the modal dialogs that come up, in order: each handler takes the active modal widget and
// returns true when it was the one it expected (and answered it); other modal widgets (an open editor,
// say) are left alone.
class ModalScript : public QObject
{
public:
    using Handler = std::function<bool(QWidget*)>;

    explicit ModalScript(QList<Handler> aHandlers) : mHandlers(std::move(aHandlers))
    {
        connect(&mTimer, &QTimer::timeout, this, &ModalScript::Poll);
        mTimer.start(20);
    }
    bool AllDone() const { return mNext == mHandlers.size(); }
    int Answered() const { return mNext; }

    // Accepts (or rejects) the dialog built from the form aForm, noting its message in aText.
    static Handler Answer(const QString& aForm, bool aAccept = true, QString* aText = nullptr)
    {
        return [=](QWidget* w) {
            auto* dlg = qobject_cast<QDialog*>(w);
            if (!dlg || dlg->objectName() != aForm)
                return false;
            if (aText && dlg->findChild<QLabel*>(QStringLiteral("lblMessage")))
                *aText = Modal::DialogMessage(dlg);
            aAccept ? dlg->accept() : dlg->reject();
            return true;
        };
    }
    // Chooses aPath in a file dialog, or cancels it when aPath is empty.
    static Handler ChooseFile(const QString& aPath, QString* aCaption = nullptr)
    {
        return [=](QWidget* w) {
            auto* fd = qobject_cast<QFileDialog*>(w);
            if (!fd)
                return false;
            if (aCaption)
                *aCaption = fd->windowTitle();
            Modal::ChooseInFileDialog(fd, aPath);
            return true;
        };
    }
    // Accepts a message box, noting its title.
    static Handler AnswerMessageBox(QString* aTitle)
    {
        return [=](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return false;
            *aTitle = box->windowTitle();
            box->accept();
            return true;
        };
    }

private:
    void Poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == mLast || mNext >= mHandlers.size() || !w->isVisible())
            return;
        if (mHandlers[mNext](w)) {
            mLast = w;
            ++mNext;
        }
    }

    QList<Handler> mHandlers;
    qsizetype mNext = 0;
    QPointer<QWidget> mLast;
    QTimer mTimer;
};
