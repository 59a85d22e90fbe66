#pragma once

class QDateTimeEdit;
class QTabWidget;

// Companions of FitText for the unit dialogs: with a system font wider than the workshop PCs' one,
// narrow the font (QFont stretch, down to 70 %) just enough for the text to stay whole.

// A full date and time in the edit field of a date-time edit (shown or not).
void FitDateTimeEdit(QDateTimeEdit* aEdit);
// Every tab title in the tab bar, without scroll buttons; call again after adding or removing tabs.
void FitTabs(QTabWidget* aTabs);
