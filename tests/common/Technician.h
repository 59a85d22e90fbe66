#pragma once

// A technician at the running program: a list of steps, each waiting for a window to be the one in
// front (the active modal window, by form or class name) and ready, then acting on it with clicks and
// keys. The steps run from a timer inside whatever exec() loops the program has open, so a story starts
// with one click on a launcher button and ends when the launcher's exec() chain has returned. A test
// that drives a dialog itself starts the technician instead and waits until Done().
//
// A step whose window never comes, or is gone before its act ran, fails the run; so does a window that
// comes after the last step and that no step expected (it is closed, so the test does not hang).

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

class Technician : public QObject
{
public:
    using Act = std::function<void(QWidget*)>;
    using Ready = std::function<bool(QWidget*)>;

    Technician() { connect(&mTimer, &QTimer::timeout, this, &Technician::Poll); }

    // Waits until aWindow (form object name or class name) is in front and aReady holds, then acts.
    void In(const QString& aWindow, const Act& aAct, const Ready& aReady = {})
    {
        mSteps.append({aWindow, aAct, aReady, 0});
    }
    // The rest of a write the technician confirms: "Да", OK on the result, and aRecord on the file dialog
    // that offers the work record.
    void ConfirmWrite(const Act& aRecord)
    {
        In(QStringLiteral("VU_Confirm"), [this](QWidget* w) { Click(w, QStringLiteral("okButton")); });
        In(QStringLiteral("VU_Result"), [this](QWidget* w) { Click(w, QStringLiteral("okButton")); });
        In(QStringLiteral("QFileDialog"), aRecord);
    }
    // Закрыть of the unit dialog aWindow, once the dialog has it enabled again.
    void CloseWhenIdle(const QString& aWindow)
    {
        In(
            aWindow, [this](QWidget* w) { Click(w, QStringLiteral("btnClose")); },
            [](QWidget* w) {
                auto* close = w->findChild<QAbstractButton*>(QStringLiteral("btnClose"));
                return close && close->isEnabled();
            });
    }
    // Lets aMs pass, with the program running, before the next step.
    void Pause(int aMs)
    {
        mSteps.append({QString(), [](QWidget*) {}, {}, aMs});
    }

    // Clicks aLauncherButton and returns when every window it opened has closed.
    void Run(QAbstractButton* aLauncherButton)
    {
        Run([aLauncherButton] { QTest::mouseClick(aLauncherButton, Qt::LeftButton); });
    }
    // Runs aOpen, which returns when the windows it opened (by exec()) have closed.
    void Run(const std::function<void()>& aOpen)
    {
        Start();
        aOpen();
        mTimer.stop();
        if (mNext < mSteps.size() && mFailures.isEmpty())
            mFailures.append(QStringLiteral("the program closed its windows before the step for \"%1\"")
                                 .arg(mSteps[mNext].window));
    }
    // Takes the steps as their windows come, while the test goes on; the windows that exist now
    // (dialogs the test runs itself, shown or hidden) are no strangers. One technician at a time: a
    // second one would take the first one's windows for strangers.
    void Start()
    {
        mNext = 0;
        mActed = 0;
        mKnown.clear();
        for (QWidget* window : QApplication::topLevelWidgets())
            mKnown.append(window);
        mTimer.start(20);
        mSinceStep.start();
    }
    // Stops watching, before the test opens a modal window of its own.
    void Stop() { mTimer.stop(); }
    // Every step has acted, and nothing went wrong.
    bool Done() const { return mActed == mSteps.size() && mFailures.isEmpty(); }
    // Forgets the steps, the windows seen and the failures, for the next part of a test.
    void Reset()
    {
        mTimer.stop();
        mSteps.clear();
        mFailures.clear();
        mSeen.clear();
        mGaveUp = false;
    }

    // What went wrong, in the words of the story; empty when every step ran and every check held.
    QStringList Failures() const { return mFailures; }
    QByteArray Report() const { return mFailures.join(QLatin1Char('\n')).toLocal8Bit(); }
    // The windows the steps acted on, by object name (class name when it has none), in order.
    QStringList Seen() const { return mSeen; }
    void Check(bool aHolds, const QString& aWhat)
    {
        if (!aHolds)
            mFailures.append(aWhat);
    }

    // What a technician does to a window.
    template <class W = QWidget> static W* Find(QWidget* aWindow, const QString& aName)
    {
        return aWindow->findChild<W*>(aName);
    }
    void Click(QWidget* aWindow, const QString& aButton)
    {
        auto* button = Find<QAbstractButton>(aWindow, aButton);
        Check(button && button->isEnabled() && button->isVisible(),
              QStringLiteral("%1: button %2 cannot be clicked").arg(aWindow->objectName(), aButton));
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
    }
    // Replaces the text of an edit or spin box by typing, as after a triple click.
    static void Type(QWidget* aField, const QString& aText)
    {
        aField->setFocus(Qt::MouseFocusReason);
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(aField))
            spin->selectAll();
        else if (auto* edit = qobject_cast<QLineEdit*>(aField))
            edit->selectAll();
        Keys(aField, aText);
    }
    // Key presses for each character of aText (QTest::keyClicks takes Latin-1 only).
    static void Keys(QWidget* aWidget, const QString& aText)
    {
        for (const QChar c : aText) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(aWidget, &press);
            QApplication::sendEvent(aWidget, &release);
        }
    }
    static void Enter(QWidget* aField) { QTest::keyClick(aField, Qt::Key_Return); }

    // The message of one of the program's own message dialogs (VU_Error, VU_Confirm, ...).
    static QString Message(const QWidget* aWindow)
    {
        const auto* label = aWindow->findChild<QLabel*>(QStringLiteral("lblMessage"));
        return label ? label->text() : QString();
    }
    // Acts: clicks aButton, noting the window's message and whether it had a parent first.
    Act Press(const QString& aButton, QString* aMessage = nullptr, bool* aHadParent = nullptr)
    {
        return [this, aButton, aMessage, aHadParent](QWidget* w) {
            if (aMessage)
                *aMessage = Message(w);
            if (aHadParent)
                *aHadParent = w->parentWidget() != nullptr;
            Click(w, aButton);
        };
    }
    // Acts: accepts or rejects a dialog, noting its message (or a message box's text) and title.
    static Act Answer(bool aAccept = true, QString* aMessage = nullptr, QString* aTitle = nullptr)
    {
        return [aAccept, aMessage, aTitle](QWidget* w) {
            if (aMessage) {
                const auto* box = qobject_cast<QMessageBox*>(w);
                *aMessage = box ? box->text() : Message(w);
            }
            if (aTitle)
                *aTitle = w->windowTitle();
            if (auto* dialog = qobject_cast<QDialog*>(w))
                aAccept ? dialog->accept() : dialog->reject();
            else
                w->close();
        };
    }
    // The path a file dialog proposes before it is answered.
    static QString ProposedFile(const QFileDialog* aDialog) { return aDialog->selectedFiles().value(0); }

    // Ready when the named button can be clicked (a unit dialog enables its buttons after a cycle).
    static Ready Enabled(const QString& aButton)
    {
        return [aButton](QWidget* w) {
            auto* button = Find<QAbstractButton>(w, aButton);
            return button && button->isEnabled();
        };
    }

private:
    struct Step
    {
        QString window;
        Act act;
        Ready ready;
        int pauseMs;
    };

    static bool IsWindow(const QWidget* aWidget, const QString& aName)
    {
        return aWidget->objectName() == aName || aWidget->inherits(aName.toLatin1().constData());
    }

    void Poll()
    {
        QWidget* front = QApplication::activeModalWidget();
        if (!mFailures.isEmpty() && mGaveUp) {
            // Unwind: close whatever is still open so that the launcher's click returns.
            if (auto* dialog = qobject_cast<QDialog*>(front))
                dialog->reject();
            else if (front)
                front->close();
            return;
        }
        if (mNext >= mSteps.size()) {
            if (front && front->isVisible() && mActed == mSteps.size() && !mKnown.contains(front)) {
                mFailures.append(QStringLiteral("a window no step expected: \"%1\"").arg(Name(front)));
                mKnown.append(front);
                Answer(false)(front);
            }
            return;
        }
        const Step& step = mSteps[mNext];
        if (step.window.isEmpty()) {
            if (mSinceStep.elapsed() >= step.pauseMs) {
                ++mActed;
                Advance();
            }
            return;
        }
        if (front && front->isVisible() && IsWindow(front, step.window) &&
            (!step.ready || step.ready(front))) {
            // The act may open a modal window of its own: run it from the event loop, so this timer
            // goes on polling inside that window's exec().
            const Act act = step.act;
            const QPointer<QWidget> target = front;
            const QString name = step.window;
            mKnown.append(target);
            mSeen.append(front->objectName().isEmpty() ? QString::fromLatin1(front->metaObject()->className())
                                                       : front->objectName());
            Advance();
            QTimer::singleShot(0, this, [this, act, target, name] {
                ++mActed;
                if (target)
                    act(target);
                else
                    mFailures.append(QStringLiteral("\"%1\" was gone before its step ran").arg(name));
            });
            return;
        }
        if (mSinceStep.elapsed() > kStepLimitMs) {
            mFailures.append(QStringLiteral("waited in vain for \"%1\"; in front: \"%2\"")
                                 .arg(step.window, front ? Name(front) : QStringLiteral("no modal window")));
            mGaveUp = true;
        }
    }

    static QString Name(const QWidget* aWindow)
    {
        return aWindow->objectName() + QLatin1Char(' ') + QLatin1String(aWindow->metaObject()->className());
    }

    void Advance()
    {
        ++mNext;
        mSinceStep.start();
    }

    static constexpr int kStepLimitMs = 30000;
    QList<Step> mSteps;
    qsizetype mNext = 0;
    QTimer mTimer;
    QElapsedTimer mSinceStep;
    qsizetype mActed = 0;
    QList<QPointer<QWidget>> mKnown;
    QStringList mSeen;
    QStringList mFailures;
    bool mGaveUp = false;
};

// Acts on a file dialog: chooses aPath, or cancels when aPath is empty, noting the proposed path first.
inline Technician::Act ChooseFile(const QString& aPath, QString* aProposed = nullptr)
{
    return [aPath, aProposed](QWidget* aWindow) {
        auto* dialog = qobject_cast<QFileDialog*>(aWindow);
        if (!dialog) {
            aWindow->close();
            return;
        }
        if (aProposed)
            *aProposed = Technician::ProposedFile(dialog);
        if (aPath.isEmpty()) {
            dialog->reject();
            return;
        }
        // The name typed into the dialog's edit is what it takes on accept: selectFile() alone may be
        // overridden by the dialog's initial selection, and leaves the edit alone while it has the focus.
        dialog->selectFile(aPath);
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(aPath);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept is protected; it checks the choice
    };
}

// Acts on a message box or dialog: OK.
inline void PressOk(QWidget* aWindow)
{
    if (auto* box = qobject_cast<QMessageBox*>(aWindow))
        box->button(QMessageBox::Ok)->click();
    else
        Technician::Answer()(aWindow);
}
