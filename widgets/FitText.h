#pragma once

#include <functional>

class QDateTimeEdit;
class QTabWidget;
class QWidget;

// The forms place their widgets at fixed positions sized for the workshop PCs' narrow system font at
// 18 points. With a wider font (DejaVu Sans on Linux, for one) a text would be clipped; these narrow
// the font's width (QFont stretch, down to 70 %) just enough for the text to fit, keeping its point
// size. A text that fits keeps the font unchanged.

// Narrows aWidget's font from full width until aFits() holds or the narrowest width is reached.
void NarrowUntil(QWidget* aWidget, const std::function<bool()>& aFits);
// One label, button or combo box; call again after its text changes.
void FitText(QWidget* aWidget);
// Every label, button and combo box under aRoot.
void FitTexts(QWidget* aRoot);
// A full date and time in the edit field of a date-time edit (shown or not).
void FitDateTimeEdit(QDateTimeEdit* aEdit);
// Every tab title in the tab bar, without scroll buttons; call again after adding or removing tabs.
void FitTabs(QTabWidget* aTabs);
