#pragma once

class QWidget;

// Fixed-geometry forms are laid out for the narrow dialog fonts of Windows. A label whose text is wider
// than the label (as with the wider fonts of other systems) grows into the free space beside it, on the
// side away from its alignment first; only when there is not enough room its font gets smaller. A combo
// box whose longest item, or a date edit whose date, does not show whole gets a smaller font.
void FitLabels(QWidget* aRoot);
