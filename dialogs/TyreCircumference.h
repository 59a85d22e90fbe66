#pragma once

#include <QString>

// Effective tyre circumference L in millimetres from a tyre description: a wheel diameter in mm
// ("1040"), a rolling distance in metres over a number of wheel revolutions ("12,5/4"), a metric size
// ("295/80 R22,5") or an inch size ("33x12,5R15"). Returns -1 when the text is not recognised or gives
// no positive value. When aInfo is given it receives a short description of the recognised notation
// with the result, or is left empty when the result is -1.
int TyreCircumference(const QString& aText, QString* aInfo = nullptr);
