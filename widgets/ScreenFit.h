#pragma once

class QWidget;

// Keeps a dialog within the available area of its screen (small screens, large scale factors): a dialog
// larger than the area shrinks to it, its contents scrolling (a form without a layout is put into a scroll
// area first), and the dialog is moved so that its frame lies inside the area.
void FitIntoScreen(QWidget* aDialog);
