#include "widgets/CKR_ProgressBox.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace {
// Borderless on every platform; the title-less customised window is borderless only on Windows.
constexpr Qt::WindowFlags kWindowFlags = Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint
#ifndef Q_OS_WIN
                                         | Qt::FramelessWindowHint
#endif
    ;
} // namespace

CKR_ProgressBox::CKR_ProgressBox(QWidget* aOwner)
    : mOwner(aOwner), mWindow(new QWidget(aOwner, kWindowFlags)), mBar(new QProgressBar(mWindow))
{
    mWindow->resize(400, 29);
    mWindow->setMinimumSize(400, 29);
    mWindow->setMaximumSize(400, 29);

    auto* layout = new QVBoxLayout(mWindow);
    layout->setSpacing(0);
    layout->setContentsMargins(4, 4, 4, 4);

    mBar->setAlignment(Qt::AlignCenter);
    QFont font = mBar->font();
    font.setPointSize(18);
    mBar->setFont(font);
    mBar->setTextVisible(false);
    layout->addWidget(mBar);
}

CKR_ProgressBox::~CKR_ProgressBox()
{
    // The owner may already have deleted its child window.
    delete mWindow.data();
}

void CKR_ProgressBox::Start(int aCount)
{
    if (!mWindow)
        return;
    mBar->setRange(0, aCount);
    mBar->setValue(0);

    const QRect area = mOwner && mOwner->isVisible() ? mOwner->frameGeometry()
                                                     : QGuiApplication::primaryScreen()->availableGeometry();
    const int x = qMax(0, area.x() + area.width() / 2 - mWindow->width() / 2);
    const int y = qMax(0, area.y() + area.height() / 2 - mWindow->height() / 2);
    mWindow->move(x, y);
    mWindow->show();
}

void CKR_ProgressBox::Step(int aN)
{
    if (mWindow)
        SetValue(mBar->value() + aN);
}

void CKR_ProgressBox::SetValue(int aValue)
{
    // The bar ignores values outside its range; a count that overshoots keeps it full.
    if (mWindow)
        mBar->setValue(qBound(mBar->minimum(), aValue, mBar->maximum()));
}

void CKR_ProgressBox::Hide()
{
    if (mWindow)
        mWindow->hide();
}
