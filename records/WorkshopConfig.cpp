#include "records/WorkshopConfig.h"

#include "records/RecordFile.h"
#include "records/XmlElements.h"

namespace {

QDomElement PrinterElement(QDomElement aRoot, const QString& aWhich)
{
    return ChildElement(ChildElement(ChildElement(aRoot, QStringLiteral("Order")), aWhich),
                        QStringLiteral("Printer"));
}

// The five text fields with their labels in the form, for comparing two states field by field.
struct Field
{
    QString WorkshopConfig::*member;
    const char* label;
};
const Field kFields[] = {
    {&WorkshopConfig::workshopName, "Название"},
    {&WorkshopConfig::workshopAddress, "Адрес"},
    {&WorkshopConfig::workshopCode, "Код"},
    {&WorkshopConfig::certificatePrinter, "Принтер сертификата"},
    {&WorkshopConfig::labelPrinter, "Принтер наклейки"},
};

// The names that count: empty rows are never saved.
QStringList Named(const QStringList& aMasters)
{
    QStringList names;
    for (const QString& name : aMasters)
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    return names;
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

QStringList WorkshopConfig::LostBySaving(const WorkshopConfig& aRead, const WorkshopConfig& aMine,
                                         const WorkshopConfig& aTheirs)
{
    QStringList lost;
    for (const Field& f : kFields) {
        const QString& theirs = aTheirs.*f.member;
        if (theirs != aRead.*f.member && theirs != aMine.*f.member)
            lost.append(QStringLiteral("%1: «%2»").arg(QString::fromUtf8(f.label), theirs));
    }
    const QStringList read = Named(aRead.masters);
    const QStringList mine = Named(aMine.masters);
    for (const QString& name : Named(aTheirs.masters))
        if (!read.contains(name) && !mine.contains(name))
            lost.append(QStringLiteral("Мастер: «%1»").arg(name));
    return lost;
}

WorkshopConfig WorkshopConfig::Merged(const WorkshopConfig& aRead, const WorkshopConfig& aMine,
                                      const WorkshopConfig& aTheirs)
{
    WorkshopConfig merged = aTheirs;
    for (const Field& f : kFields)
        if (aMine.*f.member != aRead.*f.member)
            merged.*f.member = aMine.*f.member;
    const QStringList read = Named(aRead.masters);
    const QStringList mine = Named(aMine.masters);
    merged.masters = Named(aTheirs.masters);
    for (const QString& name : read)
        if (!mine.contains(name))
            merged.masters.removeAll(name);
    for (const QString& name : mine)
        if (!read.contains(name) && !merged.masters.contains(name))
            merged.masters.append(name);
    return merged;
}
