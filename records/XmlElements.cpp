#include "records/XmlElements.h"

#include <QDomDocument>
#include <QDomText>
#include <QLocale>
#include <cmath>

QDomElement ChildElement(QDomElement aParent, const QString& aTag)
{
    QDomElement child = aParent.firstChildElement(aTag);
    if (child.isNull() && !aParent.isNull()) {
        child = aParent.ownerDocument().createElement(aTag);
        aParent.appendChild(child);
    }
    return child;
}

QDomElement AppendChildElement(QDomElement aParent, const QString& aTag)
{
    if (aParent.isNull())
        return {};
    QDomElement child = aParent.ownerDocument().createElement(aTag);
    aParent.appendChild(child);
    return child;
}

QString ReadChildText(const QDomElement& aParent, const QString& aTag, const QString& aDefault)
{
    const QDomElement child = aParent.firstChildElement(aTag);
    return child.isNull() ? aDefault : child.text();
}

int ReadChildInt(const QDomElement& aParent, const QString& aTag, int aDefault)
{
    const QDomElement child = aParent.firstChildElement(aTag);
    if (child.isNull())
        return aDefault;
    const QString text = child.text().simplified();
    // Base 0 is the C convention: "0x" hexadecimal, a leading "0" octal, otherwise decimal.
    // Qt would also take "0b" as binary; that is no form a record ever holds.
    if (text.startsWith(QLatin1String("0b"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("-0b"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("+0b"), Qt::CaseInsensitive))
        return aDefault;
    bool ok = false;
    const int value = text.toInt(&ok, 0);
    return ok ? value : aDefault;
}

double ReadChildDouble(const QDomElement& aParent, const QString& aTag, double aDefault)
{
    const QDomElement child = aParent.firstChildElement(aTag);
    if (child.isNull())
        return aDefault;
    // Records written on PCs with either decimal point read alike.
    QString text = child.text().simplified();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    // "inf" and "nan" are no values a record may carry.
    return ok && std::isfinite(value) ? value : aDefault;
}

void SetChildText(QDomElement aParent, const QString& aTag, const QString& aText)
{
    QDomElement child = ChildElement(aParent, aTag);
    if (child.isNull())
        return;
    for (QDomNode node = child.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isText()) {
            node.setNodeValue(aText);
            return;
        }
    }
    child.appendChild(child.ownerDocument().createTextNode(aText));
}

void WriteChildInt(QDomElement aParent, const QString& aTag, int aValue, int aBase)
{
    SetChildText(aParent, aTag, QString::number(aValue, aBase));
}

void WriteChildDouble(QDomElement aParent, const QString& aTag, double aValue, char aFormat, int aPrecision)
{
    SetChildText(aParent, aTag, QString::number(aValue, aFormat, aPrecision));
}
