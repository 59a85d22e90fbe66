#pragma once

#include <QByteArray>
#include <QString>

// The program's 8-bit code page is Windows-1251: texts sent to the unit and every XML file use it.
// Qt 6 has no process-wide codec for 8-bit strings, so every conversion goes through here.
namespace CodePage {

// Text -> Windows-1251 bytes; characters the code page lacks become '?'.
QByteArray ToProgram8Bit(const QString& text);
QString FromProgram8Bit(const QByteArray& bytes);
// True when Windows-1251 holds every character of text (ToProgram8Bit then loses nothing).
bool HoldsProgram8Bit(const QString& text);

// The PC's local 8-bit code page: the ANSI code page on Windows, Windows-1251 where the locale is UTF-8.
QString FromLocal8Bit(const QByteArray& bytes);

// ISO/IEC 8859-n, n from 1 to 9 (other values count as 1).
QByteArray ToIso8859(int n, const QString& text);
QString FromIso8859(int n, const QByteArray& bytes);
// True when ISO/IEC 8859-n holds every character of text.
bool HoldsIso8859(int n, const QString& text);

// Bytes in the 8-bit code page an XML declaration names ("windows-1251", "ISO-8859-n"); *known is false
// (and the result empty) for any other name.
QString FromNamed8Bit(const QByteArray& name, const QByteArray& bytes, bool* known);

// Windows-1251 bytes for an XML text: characters the code page cannot hold become character
// references (&#NNNN;) so that nothing is lost. Only for serialized XML, where '&' is already escaped.
QByteArray ToProgram8BitXml(const QString& xml);

} // namespace CodePage
