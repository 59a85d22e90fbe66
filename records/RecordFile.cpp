#include "records/RecordFile.h"

#include "link/CodePage.h"
#include "records/XmlElements.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

QString RecordFileName(const QString& aStem, const QDateTime& aWhen, const QString& aKind)
{
    QString stem = aStem;
    // A registration number such as "А123/77" must not turn into a subdirectory.
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : stem) {
        if (forbidden.contains(c) || c.unicode() < 0x20)
            c = QLatin1Char('_');
    }
    return stem + QStringLiteral("_%1_%2.xml").arg(aWhen.toString(QStringLiteral("yyyyMMdd_hhmmss")), aKind);
}

QDomDocument NewRecord(const QString& aKind, const QDateTime& aWhen)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(aKind);
    doc.appendChild(root);
    SetChildText(root, QStringLiteral("Date"), aWhen.toString(QStringLiteral("dd/MM/yyyy")));
    SetChildText(root, QStringLiteral("Time"), aWhen.toString(QStringLiteral("hh:mm:ss")));
    return doc;
}

QDomElement WriteVehicleIdentity(QDomElement aRecord, const QString& aVin, const QString& aRegNo,
                                 const QString& aTyre)
{
    QDomElement vehicle = ChildElement(aRecord, QStringLiteral("Vehicle"));
    SetChildText(vehicle, QStringLiteral("VIN"), aVin);
    QDomElement regNo = ChildElement(vehicle, QStringLiteral("RegNo"));
    SetChildText(regNo, QStringLiteral("Number"), aRegNo);
    WriteChildInt(regNo, QStringLiteral("Region"), kRegionRussia);
    SetChildText(vehicle, QStringLiteral("Tyre"), aTyre);
    return vehicle;
}

bool IsWorkRecord(const QDomDocument& aDoc)
{
    const QString root = aDoc.documentElement().tagName();
    return root == QLatin1String("Registration") || root == QLatin1String("Calibration") ||
           root == QLatin1String("Certificate");
}

QString RecordVin(const QDomDocument& aDoc)
{
    const QDomElement vehicle = aDoc.documentElement().firstChildElement(QStringLiteral("Vehicle"));
    return ReadChildText(vehicle, QStringLiteral("VIN"), QString()).simplified();
}

namespace {

// True when Windows-1251 holds every character of aText. Character references, which stand in for the
// others in texts, are no markup in names, comments, CDATA sections or processing instructions.
bool InCodePage(const QString& aText)
{
    return CodePage::HoldsProgram8Bit(aText);
}

// A name with each character the code page lacks replaced by "_", which may stand anywhere in a name.
QString CodePageName(const QString& aName)
{
    QString name;
    for (const QChar c : aName)
        name += InCodePage(QString(c)) ? c : QLatin1Char('_');
    return name;
}

// The parser takes some processing instructions that it would refuse once written out (a control
// character in the target, say): only those that read back are kept.
bool ReadsBack(const QDomProcessingInstruction& aInstruction)
{
    QXmlStreamReader reader(QStringLiteral("<?%1 %2?><a/>").arg(aInstruction.target(), aInstruction.data()));
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

// Makes a tree read from some file writable as Windows-1251 XML that reads back: the file's own
// declaration goes (the first line must be ours), as do processing instructions and comments that cannot
// be written; CDATA sections the code page cannot hold become texts; names get "_" for what it lacks.
// Nothing the program writes itself is touched.
void PrepareForCodePage(QDomNode aParent)
{
    for (QDomNode node = aParent.firstChild(); !node.isNull();) {
        const QDomNode next = node.nextSibling();
        if (node.isProcessingInstruction()) {
            const QDomProcessingInstruction instruction = node.toProcessingInstruction();
            if (instruction.target() == QLatin1String("xml") ||
                !InCodePage(instruction.target() + instruction.data()) || !ReadsBack(instruction))
                aParent.removeChild(node);
        } else if (node.isComment()) {
            if (!InCodePage(node.nodeValue()))
                aParent.removeChild(node);
        } else if (node.isCDATASection()) {
            if (!InCodePage(node.nodeValue()))
                aParent.replaceChild(node.ownerDocument().createTextNode(node.nodeValue()), node);
        } else if (node.isElement()) {
            QDomElement element = node.toElement();
            if (!InCodePage(element.tagName()))
                element.setTagName(CodePageName(element.tagName()));
            if (!InCodePage(element.prefix()))
                element.setPrefix(CodePageName(element.prefix()));
            const QDomNamedNodeMap attributes = element.attributes();
            QList<QDomAttr> renamed;
            for (int i = 0; i < attributes.count(); ++i) {
                QDomAttr attribute = attributes.item(i).toAttr();
                if (!InCodePage(attribute.prefix()))
                    attribute.setPrefix(CodePageName(attribute.prefix()));
                if (!InCodePage(attribute.name()))
                    renamed.append(attribute);
            }
            for (const QDomAttr& attribute : std::as_const(renamed)) {
                element.removeAttributeNode(attribute);
                element.setAttribute(CodePageName(attribute.name()), attribute.value());
            }
            PrepareForCodePage(node);
        }
        node = next;
    }
}

} // namespace

QByteArray SerializeRecord(const QDomDocument& aDoc)
{
    QDomDocument tree = aDoc.cloneNode(true).toDocument();
    if (!InCodePage(tree.doctype().name())) {
        // The document type cannot be removed from a document: the rest moves to one without it.
        QDomDocument withoutType;
        for (QDomNode node = tree.firstChild(); !node.isNull(); node = node.nextSibling())
            if (!node.isDocumentType())
                withoutType.appendChild(withoutType.importNode(node, true));
        tree = withoutType;
    }
    PrepareForCodePage(tree);
    const QString body = tree.toString(4);
    QString text = QLatin1String(kXmlDeclaration) + QLatin1Char('\n') + body;
    // Carriage returns inside texts are escaped by the printer; none are left to double.
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return CodePage::ToProgram8BitXml(text);
}

bool WriteRecordFile(const QString& aPath, const QDomDocument& aDoc, QString* aError)
{
    const QByteArray bytes = SerializeRecord(aDoc);
    QSaveFile file(aPath);
    // Unbuffered: a short write shows in write()'s count. Buffered, Qt 6.4's commit() would not see a
    // flush that fails in close() and would rename a truncated file over the earlier one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (aError)
            *aError = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        if (aError)
            *aError = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (aError)
            *aError = file.errorString();
        return false;
    }
    return true;
}

namespace {

// The first element nested deeper than kRecordDepthLimit, found in one streaming pass that builds
// nothing. Other faults are left to the parser, which reports them in its own words.
bool TooDeep(const QByteArray& aBytes, RecordReadError& aError)
{
    QXmlStreamReader reader(aBytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > kRecordDepthLimit) {
                aError.kind = RecordReadError::Parse;
                aError.message = QStringLiteral("элементы вложены глубже %1 уровней").arg(kRecordDepthLimit);
                aError.line = int(reader.lineNumber());
                aError.column = int(reader.columnNumber());
                return true;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return false;
}

// The parser decodes the encodings Qt knows by name. Qt for Windows is built without ICU and knows no
// 8-bit code page, so a file in one of ours is decoded here and parsed as text; the parser refuses an
// encoding it does not know even in a decoded text, so the declaration gives way to one without it.
bool ParseRecord(const QByteArray& aBytes, QDomDocument& aDoc, RecordReadError& aError)
{
    static const QRegularExpression declaration(
        QStringLiteral(R"(^<\?xml\s[^>]*?encoding\s*=\s*["']([A-Za-z0-9._-]+)["'][^>]*\?>)"));
    // The declaration is ASCII: one character per byte.
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(aBytes.left(200)));
    const QByteArray declared = match.captured(1).toLatin1();
    if (match.hasMatch() && !QStringDecoder(declared.constData()).isValid()) {
        bool known = false;
        const QString text = CodePage::FromNamed8Bit(declared, aBytes.mid(match.capturedEnd()), &known);
        if (known)
            return aDoc.setContent(QStringLiteral("<?xml version=\"1.0\"?>") + text, true, &aError.message,
                                   &aError.line, &aError.column);
    }
    return aDoc.setContent(aBytes, true, &aError.message, &aError.line, &aError.column);
}

} // namespace

bool ReadRecordFile(const QString& aPath, QDomDocument& aDoc, RecordReadError* aError)
{
    RecordReadError error;
    QFile file(aPath);
    // Raw bytes: the parser finds the encoding in the declaration and handles CR LF itself.
    if (!file.open(QIODevice::ReadOnly)) {
        error.kind = RecordReadError::Open;
        error.message = file.errorString();
    } else {
        // One byte past the limit tells an oversize file, whatever size the file system reports.
        const QByteArray bytes = file.read(kRecordSizeLimit + 1);
        QDomDocument doc;
        if (file.error() != QFileDevice::NoError) {
            error.kind = RecordReadError::Open;
            error.message = file.errorString();
        } else if (bytes.size() > kRecordSizeLimit) {
            error.kind = RecordReadError::Open;
            error.message = QStringLiteral("файл больше %1 байт").arg(kRecordSizeLimit);
        } else if (!TooDeep(bytes, error)) {
            if (ParseRecord(bytes, doc, error))
                aDoc = doc;
            else
                error.kind = RecordReadError::Parse;
        }
    }
    if (aError)
        *aError = error;
    return error.kind == RecordReadError::None;
}

QString BackupPath(const QString& aPath)
{
    QString backup = aPath + QStringLiteral(".bak");
    for (int n = 1; QFileInfo::exists(backup); ++n)
        backup = aPath + QStringLiteral(".%1.bak").arg(n);
    return backup;
}
