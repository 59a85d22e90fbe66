// Loading each kind of work record and Config.xml from arbitrary bytes, through the same functions and
// element reads the dialogs use. A file that loads must save into a file that loads, and Config.xml must
// keep every setting through a save.
#include "dialogs/TyreCircumference.h"
#include "records/CertificateRecord.h"
#include "records/RecordFile.h"
#include "records/WorkshopConfig.h"
#include "records/XmlElements.h"
#include "widgets/Formatters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> gDir;

void Check(bool aCondition)
{
    if (!aCondition)
        std::abort();
}

// The reads of a registration, calibration or certificate record that the dialogs make.
void ReadAsTheDialogsDo(QDomDocument aDoc)
{
    Check(AcceptRecordVin(aDoc, QStringLiteral("XTA21099070001234")) || true);
    const QDomElement root = aDoc.documentElement();
    const QDomElement vu = ChildElement(root, QStringLiteral("VU"));
    const QDomElement vehicle = ChildElement(root, QStringLiteral("Vehicle"));
    const QDomElement data = ChildElement(root, QStringLiteral("Data"));
    const QDomElement result = ChildElement(root, QStringLiteral("Result"));

    int offset = 0;
    OffsetFromText(ReadChildText(ChildElement(vu, QStringLiteral("DateTime")), QStringLiteral("GMT"), {}),
                   offset);
    for (const char* tag : {"Composition", "SensorUsage"})
        ReadChildInt(vu, QLatin1String(tag), 0);
    for (const char* tag : {"W-Const", "K-Const", "L-Const", "B6-Const", "B7-Const", "CANSpeed"})
        ReadChildInt(data, QLatin1String(tag), 0);
    ReadChildInt(ChildElement(vehicle, QStringLiteral("RegNo")), QStringLiteral("Region"), 43);
    ReadChildInt(vehicle, QStringLiteral("MaxSpeed"), 0);
    for (const QDomElement& parent : {vehicle, vu}) {
        const double km = ReadChildDouble(parent, QStringLiteral("Odometer"), 0.0);
        OdometerKmToMetres(km);
        OdometerText(km);
    }
    QString info;
    TyreCircumference(ReadChildText(vehicle, QStringLiteral("Tyre"), {}), &info);
    const QString serNo = ReadChildText(vu, QStringLiteral("SerNo"), {});
    QString last;
    DeriveManufacturingDate(serNo, QString(), last);
    VUTypeName(serNo);
    InspectionWord(ReadChildText(result, QStringLiteral("Test"), {}));
    ManipulationWord(ReadChildText(result, QStringLiteral("Manipulation"), {}));
    QDate::fromString(
        ReadChildText(ChildElement(data, QStringLiteral("NextCalibration")), QStringLiteral("Date"), {}),
        QStringLiteral("dd/MM/yyyy"));
}

bool SameConfig(const WorkshopConfig& a, const WorkshopConfig& b)
{
    return a.labelPrinter == b.labelPrinter && a.certificatePrinter == b.certificatePrinter &&
           a.workshopName == b.workshopName && a.workshopAddress == b.workshopAddress &&
           a.workshopCode == b.workshopCode && a.masters == b.masters;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* aArgc, char*** aArgv)
{
    static QCoreApplication app(*aArgc, *aArgv);
    // Saving syncs the file to disk; on a memory file system that costs nothing, on a disk it would set
    // the pace of the whole run.
    const QString shm = QStringLiteral("/dev/shm");
    gDir = QFileInfo(shm).isWritable()
               ? std::make_unique<QTemporaryDir>(QDir(shm).filePath(QStringLiteral("velmora-fuzz-XXXXXX")))
               : std::make_unique<QTemporaryDir>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize)
{
    const QString path = gDir->filePath(QStringLiteral("in.xml"));
    const QString saved = gDir->filePath(QStringLiteral("saved.xml"));
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char*>(aData), qint64(aSize)) == qint64(aSize));
    }

    QDomDocument doc;
    if (ReadRecordFile(path, doc)) {
        ReadAsTheDialogsDo(doc);
        Check(WriteRecordFile(saved, doc));
        QDomDocument again;
        Check(ReadRecordFile(saved, again));
    }

    WorkshopConfig config;
    if (config.Load(path)) {
        Check(WriteRecordFile(saved, config.ToDocument()));
        WorkshopConfig again;
        Check(again.Load(saved));
        Check(SameConfig(config, again));
    }
    return 0;
}
