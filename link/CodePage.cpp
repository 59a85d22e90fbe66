#include "link/CodePage.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const char* const kProgramCodec = "windows-1251";

QByteArray Encode(const char* codec, const QString& text)
{
    QStringEncoder encoder(codec);
    return encoder.encode(text);
}

QString Decode(const char* codec, const QByteArray& bytes)
{
    QStringDecoder decoder(codec);
    return decoder.decode(bytes);
}

QByteArray IsoName(int n)
{
    if (n < 1 || n > 9)
        n = 1;
    return "ISO-8859-" + QByteArray::number(n);
}

} // namespace

namespace CodePage {

QByteArray ToProgram8Bit(const QString& text)
{
    // ICU substitutes 0x1A for unmappable characters; a visible '?' is what a technician expects.
    QByteArray bytes = Encode(kProgramCodec, text);
    bytes.replace('\x1a', '?');
    return bytes;
}

QString FromProgram8Bit(const QByteArray& bytes)
{
    return Decode(kProgramCodec, bytes);
}

bool HoldsProgram8Bit(const QString& text)
{
    QStringEncoder encoder(kProgramCodec);
    [[maybe_unused]] const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError();
}

QString FromLocal8Bit(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    const QByteArray codec = "windows-" + QByteArray::number(uint(GetACP()));
    QStringDecoder decoder(codec.constData());
    if (decoder.isValid())
        return decoder.decode(bytes);
#endif
    return FromProgram8Bit(bytes);
}

QByteArray ToIso8859(int n, const QString& text)
{
    QByteArray bytes = Encode(IsoName(n).constData(), text);
    bytes.replace('\x1a', '?');
    return bytes;
}

QString FromIso8859(int n, const QByteArray& bytes)
{
    return Decode(IsoName(n).constData(), bytes);
}

QByteArray ToProgram8BitXml(const QString& xml)
{
    QStringEncoder whole(kProgramCodec);
    QByteArray bytes = whole.encode(xml);
    if (!whole.hasError())
        return bytes;

    // Slow path only when something does not fit: encode character by character.
    bytes.clear();
    bytes.reserve(xml.size());
    for (qsizetype i = 0; i < xml.size(); ++i) {
        const bool pair = xml.at(i).isHighSurrogate() && i + 1 < xml.size() && xml.at(i + 1).isLowSurrogate();
        const QString one = xml.mid(i, pair ? 2 : 1);
        QStringEncoder encoder(kProgramCodec);
        const QByteArray piece = encoder.encode(one);
        if (encoder.hasError())
            bytes += "&#" + QByteArray::number(one.toUcs4().value(0)) + ';';
        else
            bytes += piece;
        if (pair)
            ++i;
    }
    return bytes;
}

} // namespace CodePage
