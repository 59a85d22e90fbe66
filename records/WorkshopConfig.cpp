#include "records/WorkshopConfig.h"

#include "records/RecordFile.h"
#include "records/XmlElements.h"

namespace {

QDomElement PrinterElement(QDomElement aRoot, const QString& aWhich)
{
    return ChildElement(ChildElement(ChildElement(aRoot, QStringLiteral("Order")), aWhich),
                        QStringLiteral("Printer"));
}

} // namespace

bool WorkshopConfig::Load(const QString& aPath, const QString& aLabelPrinterDefault, RecordReadError* aError)
{
    QDomDocument doc;
    if (!ReadRecordFile(aPath, doc, aError))
        return false;

    // The root's name is not checked: whatever it is called, the paths below it count.
    const QDomElement root = doc.documentElement();
    labelPrinter = ReadChildText(PrinterElement(root, QStringLiteral("Label")), QStringLiteral("Name"),
                                 aLabelPrinterDefault);
    certificatePrinter =
        ReadChildText(PrinterElement(root, QStringLiteral("Certificate")), QStringLiteral("Name"), QString());

    const QDomElement workshop = ChildElement(root, QStringLiteral("Workshop"));
    workshopName = ReadChildText(workshop, QStringLiteral("Name"), QString());
    workshopAddress = ReadChildText(workshop, QStringLiteral("Address"), QString());
    workshopCode = ReadChildText(workshop, QStringLiteral("Code"), QString());

    // From the first Master on, every following sibling counts, whatever its tag.
    masters.clear();
    const QDomElement list = ChildElement(workshop, QStringLiteral("MasterList"));
    for (QDomElement e = list.firstChildElement(QStringLiteral("Master")); !e.isNull();
         e = e.nextSiblingElement()) {
        const QString name = ReadChildText(e, QStringLiteral("Name"), QString());
        if (!name.isEmpty())
            masters.append(name);
    }
    return true;
}

QDomDocument WorkshopConfig::ToDocument() const
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("Config"));
    doc.appendChild(root);
    SetChildText(PrinterElement(root, QStringLiteral("Label")), QStringLiteral("Name"), labelPrinter);
    SetChildText(PrinterElement(root, QStringLiteral("Certificate")), QStringLiteral("Name"),
                 certificatePrinter);

    QDomElement workshop = ChildElement(root, QStringLiteral("Workshop"));
    SetChildText(workshop, QStringLiteral("Name"), workshopName);
    SetChildText(workshop, QStringLiteral("Address"), workshopAddress);
    SetChildText(workshop, QStringLiteral("Code"), workshopCode);
    if (!masters.isEmpty()) {
        QDomElement list = ChildElement(workshop, QStringLiteral("MasterList"));
        for (const QString& name : masters) {
            if (!name.isEmpty())
                SetChildText(AppendChildElement(list, QStringLiteral("Master")), QStringLiteral("Name"),
                             name);
        }
    }
    return doc;
}
