#pragma once

class QWidget;

// The forms place their widgets at fixed positions sized for the workshop PCs' narrow system font at
// 18 points. With a wider font (DejaVu Sans on Linux, for one) a text would be clipped; these narrow
// the font's width (QFont stretch, down to 70 %) just enough for the text to fit, keeping its point
// size. A text that fits keeps the font unchanged.

// One label, button or combo box; call again after its text changes.
void FitText(QWidget* aWidget);
// Every label, button and combo box under aRoot.
void FitTexts(QWidget* aRoot);
