#include "records/RecordFile.h"

#include "link/CodePage.h"
#include "records/XmlElements.h"

#include <QFile>
#include <QSaveFile>
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

namespace {

// The parser takes some processing instructions that it would refuse once written out (a control
// character in the target, say): only those that read back are kept.
bool ReadsBack(const QDomProcessingInstruction& aInstruction)
{
    QXmlStreamReader reader(QStringLiteral("<?%1 %2?><a/>").arg(aInstruction.target(), aInstruction.data()));
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

// Removes processing instructions below aParent that have no place in the file we write.
void DropUnwritableInstructions(QDomNode aParent)
{
    for (QDomNode node = aParent.firstChild(); !node.isNull();) {
        const QDomNode next = node.nextSibling();
        if (node.isProcessingInstruction()) {
            // The declaration of a file read in: the first line must be ours.
            const QDomProcessingInstruction instruction = node.toProcessingInstruction();
            if (instruction.target() == QLatin1String("xml") || !ReadsBack(instruction))
                aParent.removeChild(node);
        } else if (node.hasChildNodes()) {
            DropUnwritableInstructions(node);
        }
        node = next;
    }
}

} // namespace

QByteArray SerializeRecord(const QDomDocument& aDoc)
{
    QDomDocument tree = aDoc.cloneNode(true).toDocument();
    DropUnwritableInstructions(tree);
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

bool ReadRecordFile(const QString& aPath, QDomDocument& aDoc, RecordReadError* aError)
{
    RecordReadError error;
    QFile file(aPath);
    // Raw bytes: the parser finds the encoding in the declaration and handles CR LF itself.
    if (!file.open(QIODevice::ReadOnly)) {
        error.kind = RecordReadError::Open;
        error.message = file.errorString();
    } else {
        QDomDocument doc;
        if (doc.setContent(&file, true, &error.message, &error.line, &error.column)) {
            aDoc = doc;
        } else {
            error.kind = RecordReadError::Parse;
        }
    }
    if (aError)
        *aError = error;
    return error.kind == RecordReadError::None;
}
