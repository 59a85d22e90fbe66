#include "widgets/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

namespace {
// Room the window manager's frame takes around the client area, as far as it is known yet.
QSize FrameRoom(const QWidget* aDialog)
{
    for (const QWidget* w = aDialog; w; w = w->parentWidget())
        if (w->isVisible() && w->isWindow()) {
            const QSize room = w->window()->frameGeometry().size() - w->window()->geometry().size();
            if (!room.isEmpty())
                return room;
        }
    return {};
}

// A form of fixed positions gets a scroll area around its widgets, so that a smaller dialog shows all of it.
void WrapInScrollArea(QWidget* aDialog)
{
    auto* contents = new QWidget;
    contents->setFixedSize(aDialog->size());
    for (QWidget* child : aDialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow()) {
            const QPoint at = child->pos();
            child->setParent(contents);
            child->move(at);
        }
    auto* scroll = new QScrollArea;
    scroll->setWidget(contents);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(aDialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}
} // namespace

void FitIntoScreen(QWidget* aDialog)
{
    const QScreen* screen = aDialog->screen() ? aDialog->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = FrameRoom(aDialog);
    const QSize room = area.size() - frame;
    if (aDialog->width() > room.width() || aDialog->height() > room.height()) {
        if (!aDialog->layout())
            WrapInScrollArea(aDialog);
        const QSize fitted = aDialog->size().boundedTo(room);
        aDialog->setMinimumSize(fitted.boundedTo(aDialog->minimumSize()));
        aDialog->setMaximumSize(aDialog->maximumSize().boundedTo(room));
        aDialog->resize(fitted);
    }
    // A dialog not shown yet and no larger than the area is placed by QDialog itself when shown.
    const bool shrunk = aDialog->size() == room.boundedTo(aDialog->size()) &&
                        (aDialog->width() == room.width() || aDialog->height() == room.height());
    if (!aDialog->isVisible() && !shrunk)
        return;
    // Whole frame within the area; the top-left corner wins if it cannot fit anyway.
    const QSize outer = aDialog->size() + frame;
    QPoint at = aDialog->pos();
    at.setX(qMax(area.left(), qMin(at.x(), area.right() + 1 - outer.width())));
    at.setY(qMax(area.top(), qMin(at.y(), area.bottom() + 1 - outer.height())));
    // Moved even where it stands, so that QDialog does not centre it over its parent past the area's edge.
    aDialog->move(at);
}
