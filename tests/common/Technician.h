#pragma once

// A technician at the running program: a list of steps, each waiting for a window to be the one in
// front (the active modal window, by form or class name) and ready, then acting on it with clicks and
// keys. The steps run from a timer inside whatever exec() loops the program has open, so a story starts
// with one click on a launcher button and ends when the launcher's exec() chain has returned.

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
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
    // Lets aMs pass, with the program running, before the next step.
    void Pause(int aMs)
    {
        mSteps.append({QString(), [](QWidget*) {}, {}, aMs});
    }

    // Clicks aLauncherButton and returns when every window it opened has closed.
    void Run(QAbstractButton* aLauncherButton)
    {
        mNext = 0;
        mTimer.start(20);
        mSinceStep.start();
        QTest::mouseClick(aLauncherButton, Qt::LeftButton);
        mTimer.stop();
        if (mNext < mSteps.size() && mFailures.isEmpty())
            mFailures.append(QStringLiteral("the program closed its windows before the step for \"%1\"")
                                 .arg(mSteps[mNext].window));
    }

    // What went wrong, in the words of the story; empty when every step ran and every check held.
    QStringList Failures() const { return mFailures; }
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
        if (mNext >= mSteps.size())
            return;
        const Step& step = mSteps[mNext];
        if (step.window.isEmpty()) {
            if (mSinceStep.elapsed() >= step.pauseMs)
                Advance();
            return;
        }
        if (front && front->isVisible() && IsWindow(front, step.window) &&
            (!step.ready || step.ready(front))) {
            // The act may open a modal window of its own: run it from the event loop, so this timer
            // goes on polling inside that window's exec().
            const Act act = step.act;
            const QPointer<QWidget> target = front;
            Advance();
            QTimer::singleShot(0, this, [act, target] {
                if (target)
                    act(target);
            });
            return;
        }
        if (mSinceStep.elapsed() > kStepLimitMs) {
            mFailures.append(QStringLiteral("waited in vain for \"%1\"; in front: \"%2\"")
                                 .arg(step.window, front ? front->objectName() + QLatin1Char(' ') +
                                                               QLatin1String(front->metaObject()->className())
                                                         : QStringLiteral("no modal window")));
            mGaveUp = true;
        }
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
    QStringList mFailures;
    bool mGaveUp = false;
};
