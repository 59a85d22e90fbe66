#pragma once

#include <QDomElement>
#include <QString>

// Element operations every XML file of the program is read and written through.
// Reading never fails: a missing element or a text that is no number gives the caller's default.

// First child element with the tag; created and appended in the parent's document when missing.
QDomElement ChildElement(QDomElement aParent, const QString& aTag);
// Always a new child element with the tag, appended to the parent (for repeated elements).
QDomElement AppendChildElement(QDomElement aParent, const QString& aTag);

// Whole text of the first direct child with the tag, unchanged; aDefault when there is none.
QString ReadChildText(const QDomElement& aParent, const QString& aTag, const QString& aDefault);
// Simplified text read as a signed 32-bit integer: "0x" hexadecimal, leading "0" octal, else decimal.
int ReadChildInt(const QDomElement& aParent, const QString& aTag, int aDefault);
// Simplified text read as a number; both "." and "," count as the decimal point.
double ReadChildDouble(const QDomElement& aParent, const QString& aTag, double aDefault);

// The child's first text node takes the text, or a text node is appended (the child is created if needed).
void SetChildText(QDomElement aParent, const QString& aTag, const QString& aText);
void WriteChildInt(QDomElement aParent, const QString& aTag, int aValue, int aBase = 10);
// The number in the format and precision of QString::number, always with a point.
void WriteChildDouble(QDomElement aParent, const QString& aTag, double aValue, char aFormat = 'f',
                      int aPrecision = 1);
