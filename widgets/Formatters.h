#pragma once

#include <QString>

// The PC's current offset of local time from UTC, in minutes.
int LocalUtcOffset();

// x in the general format with 6 significant digits and the PC locale's decimal separator.
QString NumberText(double aValue);

// Receiver coordinate "ddmm.mmmm" / "dddmm.mmmm" (the point already the locale's) as degrees, minutes and
// seconds: "55° 45' 7.404\"".
QString CoordText(const QString& aText);
