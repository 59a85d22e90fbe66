#pragma once

#include <QPointer>

class QProgressBar;
class QWidget;

// Small borderless always-on-top progress bar shown centred over a dialog while queued requests run.
class CKR_ProgressBox
{
public:
    explicit CKR_ProgressBox(QWidget* aOwner);
    ~CKR_ProgressBox();

    CKR_ProgressBox(const CKR_ProgressBox&) = delete;
    CKR_ProgressBox& operator=(const CKR_ProgressBox&) = delete;

    void Start(int aCount);
    void Step(int aN = 1);
    void SetValue(int aValue);
    void Hide();

    // The window itself (for tests and for callers that need its geometry).
    QWidget* Window() const { return mWindow; }
    QProgressBar* Bar() const { return mBar; }

private:
    QWidget* mOwner;
    // Child of the owner: Qt deletes it with the owner, so guard against outliving it.
    QPointer<QWidget> mWindow;
    QProgressBar* mBar;
};
