#pragma once

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

// Answers the modal windows that the code under test opens (confirmation, result and error dialogs,
// file dialogs, message boxes), one handler per window in the order they appear. Windows that
// appear with no handler left are noted and closed, so a test can fail instead of hanging.
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
            if (auto* label = w->findChild<QLabel*>("lblMessage"); label && aMessage)
                *aMessage = w->objectName() == "VU_Error" ? label->text() : "not the error dialog";
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
            if (aProposed) {
                const QStringList selected = dialog->selectedFiles();
                *aProposed = selected.isEmpty() ? QString() : selected.first();
            }
            if (aPath.isEmpty()) {
                dialog->reject();
            } else {
                // selectFile() leaves the name field alone while it has the focus, which depends on
                // timing: type the path into the field instead.
                if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit"))
                    name->setText(aPath);
                else
                    dialog->selectFile(aPath);
                static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the choice
            }
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
                if (auto* dialog = qobject_cast<QDialog*>(w))
                    dialog->reject();
                else
                    w->close();
            }
            return;
        }
        mDone.append(w);
        mSinceAnswer.start();
        mSeen.append(w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName());
        if (mHandlers.isEmpty()) {
            mUnexpected.append(mSeen.last());
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
            else
                w->close();
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
