#pragma once

// What the program wrote, read back as a technician's tools would: XML records, and printed PDFs through
// poppler's pdftotext, pdfinfo and pdfimages.

#include <QDomDocument>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTextDocumentFragment>

inline QDomDocument Parse(const QString& aPath)
{
    QDomDocument doc;
    QFile file(aPath);
    if (file.open(QIODevice::ReadOnly))
        doc.setContent(&file);
    return doc;
}

// What a poppler tool prints (empty when it does not finish).
inline QString PopplerOutput(const QString& aTool, const QStringList& aArgs)
{
    QProcess p;
    p.start(aTool, aArgs);
    if (!p.waitForFinished(20000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The same with whitespace collapsed, for finding words.
inline QString PopplerText(const QString& aTool, const QStringList& aArgs)
{
    return PopplerOutput(aTool, aArgs).simplified();
}

struct Word
{
    QString text;
    QRectF box; // points, origin top left
};

// Words of the first page with their boxes, from pdftotext -bbox.
inline QList<Word> PdfWords(const QString& aPdf)
{
    const QString html =
        PopplerOutput(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), aPdf, QStringLiteral("-")});
    static const QRegularExpression re(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<Word> words;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        const QPointF tl(m.captured(1).toDouble(), m.captured(2).toDouble());
        const QPointF br(m.captured(3).toDouble(), m.captured(4).toDouble());
        words.append({QTextDocumentFragment::fromHtml(m.captured(5)).toPlainText(), QRectF(tl, br)});
    }
    return words;
}

inline const Word* FindWord(const QList<Word>& aWords, const QString& aText)
{
    for (const Word& w : aWords) {
        if (w.text == aText)
            return &w;
    }
    return nullptr;
}

// The first page's size in points, from pdfinfo.
inline QSizeF PdfPageSize(const QString& aPdf)
{
    static const QRegularExpression re(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    const auto m = re.match(PopplerOutput(QStringLiteral("pdfinfo"), {aPdf}));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}
