#pragma once

#include <QDomDocument>
#include <QString>
#include <QStringList>

struct RecordReadError;

// The workshop settings kept in Config.xml: printers, workshop and technicians.
// The configuration dialog edits them, the certificate dialog reads them; both go through here.
struct WorkshopConfig
{
    // Bare relative name: the file lives in the working directory.
    static QString FileName() { return QStringLiteral("Config.xml"); }

    QString labelPrinter;
    QString certificatePrinter;
    QString workshopName;
    QString workshopAddress;
    QString workshopCode;
    // Reading gives the non-empty names only. Writing takes the table's rows as they are: no rows, no
    // MasterList element; empty rows are skipped.
    QStringList masters;

    // Reads aPath; false (and nothing changed) when it is missing or malformed, with the reason in
    // aError. A missing label printer element gives aLabelPrinterDefault.
    bool Load(const QString& aPath, const QString& aLabelPrinterDefault = QString(),
              RecordReadError* aError = nullptr);
    // The document as Config.xml holds it.
    QDomDocument ToDocument() const;

    // Two windows with the same settings open: aRead is what this one read, aMine what it shows now,
    // aTheirs what the file holds now, saved by another one in the meantime.
    // What saving aMine would drop of the other's changes, one line per field or technician as the form
    // labels them ("Мастер: «Иванов И. И.»"); empty when saving loses nothing of theirs.
    static QStringList LostBySaving(const WorkshopConfig& aRead, const WorkshopConfig& aMine,
                                    const WorkshopConfig& aTheirs);
    // aTheirs with this window's own changes on top: the fields it changed keep its values, the
    // technicians it added or removed are added or removed; everything else is theirs.
    static WorkshopConfig Merged(const WorkshopConfig& aRead, const WorkshopConfig& aMine,
                                 const WorkshopConfig& aTheirs);
};
