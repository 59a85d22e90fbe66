#pragma once

#include <QString>

// The PC's current offset of local time from UTC, in minutes.
int LocalUtcOffset();

// x in the general format with 6 significant digits and the PC locale's decimal separator.
QString NumberText(double aValue);

// Receiver coordinate "ddmm.mmmm" / "dddmm.mmmm" (the point already the locale's) as degrees, minutes and
// seconds: "55° 45' 7.404\"". Minutes that are no finite number of a sensible size (a damaged sentence)
// give the text as it came.
QString CoordText(const QString& aText);

// A receiver's speed in knots as whole km/h, truncated ("18"); a speed no integer can hold (a damaged
// sentence) in the general format of NumberText instead ("inf", "1.852e+300").
QString KnotsAsKmhText(double aKnots);

// A record's offset text "+3:00" / "-0:30" in minutes (minutes below 15 count as 0, others as 30);
// false when it cannot be read. Offsets beyond the time-zone box's -23:30 ... +23:30 are held at its ends.
bool OffsetFromText(const QString& aText, int& aMinutes);
