#include "link/CodePage.h"

#include <QList>

#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Windows code page numbers name every code page here: 1251, and 28591 to 28599 for ISO/IEC 8859-1 to -9.
constexpr unsigned kProgramCodePage = 1251;

unsigned IsoCodePage(int n)
{
    return 28590 + unsigned(n < 1 || n > 9 ? 1 : n);
}

#ifdef Q_OS_WIN
// Qt for Windows is built without ICU and knows no code page by name: the system converts instead.
QByteArray Encode(unsigned codePage, const QString& text, bool* lossless = nullptr)
{
    if (lossless)
        *lossless = true;
    if (text.isEmpty())
        return {};
    // A character beyond the 16-bit range is one lost character, as with Qt's own codecs, not two.
    QString one = text;
    for (qsizetype i = 0; i < one.size(); ++i) {
        if (one.at(i).isHighSurrogate() && i + 1 < one.size() && one.at(i + 1).isLowSurrogate())
            one.replace(i, 2, QChar(QChar::ReplacementCharacter));
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(one.utf16());
    const int length = int(one.size());
    BOOL defaulted = FALSE;
    // No "best fit" (a for ä): a character the code page lacks must show as lost.
    const int size =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, "\x1a", &defaulted);
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, "\x1a", &defaulted);
    if (lossless)
        *lossless = !defaulted;
    return bytes;
}

QString Decode(unsigned codePage, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return {};
    const int length = int(bytes.size());
    const int size = MultiByteToWideChar(codePage, 0, bytes.constData(), length, nullptr, 0);
    QString text(size, Qt::Uninitialized);
    MultiByteToWideChar(codePage, 0, bytes.constData(), length, reinterpret_cast<wchar_t*>(text.data()),
                        size);
    return text;
}
#else
QByteArray CodecName(unsigned codePage)
{
    return codePage == kProgramCodePage ? QByteArray("windows-1251")
                                        : "ISO-8859-" + QByteArray::number(codePage - 28590);
}

QByteArray Encode(unsigned codePage, const QString& text, bool* lossless = nullptr)
{
    QStringEncoder encoder(CodecName(codePage).constData());
    QByteArray bytes = encoder.encode(text);
    if (lossless)
        *lossless = !encoder.hasError();
    return bytes;
}

QString Decode(unsigned codePage, const QByteArray& bytes)
{
    QStringDecoder decoder(CodecName(codePage).constData());
    return decoder.decode(bytes);
}
#endif

} // namespace

namespace CodePage {

QByteArray ToProgram8Bit(const QString& text)
{
    // Unmappable characters come out as 0x1A; a visible '?' is what a technician expects.
    QByteArray bytes = Encode(kProgramCodePage, text);
    bytes.replace('\x1a', '?');
    return bytes;
}

QString FromProgram8Bit(const QByteArray& bytes)
{
    return Decode(kProgramCodePage, bytes);
}

bool HoldsProgram8Bit(const QString& text)
{
    bool lossless = false;
    Encode(kProgramCodePage, text, &lossless);
    return lossless;
}

QString FromLocal8Bit(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    // The ANSI code page; on a PC whose ANSI code page is UTF-8 the program's own is meant.
    if (GetACP() != CP_UTF8)
        return Decode(CP_ACP, bytes);
#endif
    return FromProgram8Bit(bytes);
}

QByteArray ToIso8859(int n, const QString& text)
{
    QByteArray bytes = Encode(IsoCodePage(n), text);
    bytes.replace('\x1a', '?');
    return bytes;
}

QString FromIso8859(int n, const QByteArray& bytes)
{
    return Decode(IsoCodePage(n), bytes);
}

bool HoldsIso8859(int n, const QString& text)
{
    bool lossless = false;
    Encode(IsoCodePage(n), text, &lossless);
    return lossless;
}

QString FromNamed8Bit(const QByteArray& name, const QByteArray& bytes, bool* known)
{
    const QByteArray lower = name.toLower();
    unsigned codePage = 0;
    if (lower == "windows-1251" || lower == "cp1251")
        codePage = kProgramCodePage;
    else if (lower.startsWith("iso-8859-") && lower.size() == 10 && lower.at(9) >= '1' && lower.at(9) <= '9')
        codePage = IsoCodePage(lower.at(9) - '0');
    if (known)
        *known = codePage != 0;
    return codePage != 0 ? Decode(codePage, bytes) : QString();
}

QByteArray ToProgram8BitXml(const QString& xml)
{
    bool lossless = false;
    QByteArray bytes = Encode(kProgramCodePage, xml, &lossless);
    if (lossless)
        return bytes;

    // Slow path only when something does not fit: encode character by character.
    bytes.clear();
    bytes.reserve(xml.size());
    for (qsizetype i = 0; i < xml.size(); ++i) {
        const bool pair = xml.at(i).isHighSurrogate() && i + 1 < xml.size() && xml.at(i + 1).isLowSurrogate();
        const QString one = xml.mid(i, pair ? 2 : 1);
        const QByteArray piece = Encode(kProgramCodePage, one, &lossless);
        if (!lossless)
            bytes += "&#" + QByteArray::number(one.toUcs4().value(0)) + ';';
        else
            bytes += piece;
        if (pair)
            ++i;
    }
    return bytes;
}

} // namespace CodePage
