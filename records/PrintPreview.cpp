#include "records/PrintPreview.h"

#include <QAction>
#include <QCoreApplication>
#include <QPrintPreviewDialog>
#include <QToolBar>

QAction* PreviewPrintAction(const QPrintPreviewDialog& aPreview)
{
    // Qt gives its actions no object names; the text goes through the same translation as Qt's own.
    const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction* action : aPreview.findChildren<QAction*>())
        if (action->text() == print)
            return action;
    return nullptr;
}

void MakePrintReachable(QPrintPreviewDialog& aPreview)
{
    QAction* print = PreviewPrintAction(aPreview);
    if (!print)
        return;
    print->setShortcut(QKeySequence::Print);
    print->setShortcutContext(Qt::WindowShortcut);
    // Tool bar buttons take no focus by default, so Tab passed over printing altogether.
    for (QToolBar* bar : aPreview.findChildren<QToolBar*>())
        if (QWidget* button = bar->widgetForAction(print))
            button->setFocusPolicy(Qt::StrongFocus);
}
