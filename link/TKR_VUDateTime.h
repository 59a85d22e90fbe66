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
    // 1: "dd/MM/yyyy", 2: "hh:mm:ss" (both UTC), 3: offset as "+4:00" / "-5:30".
    QString ToText(int aMode) const;

    QDateTime mDateTime; // UTC
    int mOffset = 0;     // minutes
};
