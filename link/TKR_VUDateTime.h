#pragma once

#include <QDateTime>
#include <QVariant>

// The unit's clock: a UTC date-time and the local offset in minutes (local time minus UTC).
// Travels in a variant as quint64: low 32 bits UTC seconds since 1970, high 32 bits the signed offset.
class TKR_VUDateTime
{
public:
    TKR_VUDateTime();
    TKR_VUDateTime(const QDateTime& aDateTime, int aOffset);

    QVariant ToVariant() const;
    void FromVariant(const QVariant& aValue);
    // 1: "dd/MM/yyyy", 2: "hh:mm:ss" (both UTC), 3: offset as OffsetText gives it.
    QString ToText(int aMode) const;

    QDateTime mDateTime; // UTC
    int mOffset = 0;     // minutes
};

// The time-zone offset text of the clock, the work records, vuctl and the time-zone box: the sign (also for
// zero), the hours and two minute digits: "+4:00", "+0:00", "-0:30", "+5:45".
QString OffsetText(qint64 aMinutes);

// An offset text "+h:mm" / "-h:mm" taken apart; blanks around and between the parts do not count.
struct OffsetParts
{
    bool negative = false; // the text starts with '-'
    qint64 hours = 0;      // magnitude; 0 when it is no number
    qint64 minutes = 0;    // magnitude of the part after the colon; 0 when there is none or it is no number
    bool complete = false; // hours, a colon and unsigned minutes, each a number

    // The signed offset in minutes, exact: "+5:45" is 345.
    qint64 Exact() const;
    // The signed offset in whole half hours, as the time-zone box steps: minutes below 15 count as 0,
    // others as 30, so "+5:45" is 330 and "-0:14" is 0.
    qint64 HalfHours() const;
};

// Without a colon after the first character the whole text is the hours ("7" is 7 hours, not complete).
OffsetParts ReadOffsetText(const QString& aText);
