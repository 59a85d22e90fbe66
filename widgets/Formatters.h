#pragma once

#include <QString>
#include <QtGlobal>

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

// A decimal number as a technician types it, in any locale: "," and "." both count as the decimal point
// (the Russian locale's point is ","), blanks around do not count; no group separators, no exponent, at
// most one point. False for anything else, so that "250000,7" can never become 2500007.
bool DecimalFromText(const QString& aText, double* aValue);

// Highest odometer a vehicle unit can hold, in km with the one decimal the fields and records keep: the
// largest metre count of the odometer's encoding, truncated to tenths (4294967.2 km for 4 bytes).
double MaxOdometerKm();
inline const double kMaxOdometerKm = MaxOdometerKm();

// An odometer text in the local number convention, else in the C one; false when it is no number or
// lies outside 0 ... kMaxOdometerKm.
bool OdometerFromText(const QString& aText, double* aValue);

// Whole metres of an odometer in km, rounded; a value below 0 counts as 0 and one above kMaxOdometerKm
// (a damaged record) as kMaxOdometerKm.
quint64 OdometerKmToMetres(double aKm);

// The metres to write for an odometer field showing aShownKm (tenths of a km): counted in whole tenths,
// so that no metre is lost to the binary fraction. A field still showing the unit's aUnitMetres (rounded
// to tenths) writes back the unit's exact metres.
quint32 OdometerMetresToWrite(double aShownKm, quint64 aUnitMetres);

// The unit's odometer in km truncated to whole tenths, as the calibration record holds it.
double OdometerTenthsKm(quint64 aMetres);

// Odometer for display, in the local number convention: the tenths a record holds ("200000.5"),
// whole kilometres without ".0"; from 10,000,000 km on whole kilometres, so that the text stays within
// the odometer field's 9 characters. NaN, infinities and absurd values as NumberText.
QString OdometerText(double aKm);

// The receiver fields of an RMC-type sentence
// ("$GPRMC,hhmmss.ss,A,ddmm.mmmm,N,dddmm.mmmm,E,knots,course,ddmmyy,...*cs") as shown: latitude
// ("55° 45' 7.404\" с.ш."), longitude, speed ("18 км/ч") and date and time ("25/08/2011 08:30:15"),
// each marked " (?)" when the fix is not valid. All empty when the text holds no such sentence.
struct GnssTexts
{
    QString latitude;
    QString longitude;
    QString speed;
    QString dateTime;
};
GnssTexts GnssTextsFromSentence(const QString& aText);
