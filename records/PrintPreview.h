#pragma once

class QAction;
class QPrintPreviewDialog;

// The preview's own print action, found by its text in whatever language Qt speaks; null if Qt has none.
QAction* PreviewPrintAction(const QPrintPreviewDialog& aPreview);

// Lets the keyboard print from the preview: Ctrl+P triggers the print action, and Tab reaches its button.
void MakePrintReachable(QPrintPreviewDialog& aPreview);
