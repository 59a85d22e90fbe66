#pragma once

#include <QDomDocument>
#include <QString>

class QWidget;
struct RecordReadError;
struct WorkshopConfig;

// File dialogs and message boxes around the work record files.

// The kinds of work record; a dialog's file dialogs offer its own kind first.
enum class RecordKind
{
    Registration, // *_Reg.xml
    Calibration,  // *_Clb.xml
    Certificate,  // *_Crt.xml
};

// Filter of the open-file dialog of the dialog whose records are aOwn: all three kinds, aOwn first.
QString RecordLoadFilter(RecordKind aOwn);
// Filter of the save-file dialog for records of aKind.
QString RecordSaveFilter(RecordKind aKind);

// Save-file dialog "Сохранить в файл" for a record of aKind, proposing aFileName in the working
// directory; empty when cancelled.
QString AskSaveRecordPath(QWidget* aParent, RecordKind aKind, const QString& aFileName);

// Writes the record; on failure the critical box "Ошибка сохранения" and false.
bool SaveRecord(QWidget* aParent, const QString& aPath, const QDomDocument& aDoc);

// Open-file dialog "Открыть файл" in the working directory with RecordLoadFilter(aOwn), then OpenRecord.
// False when cancelled or failed.
bool LoadRecord(QWidget* aParent, RecordKind aOwn, QDomDocument& aDoc);
// Opens and parses aPath; open and parse failures, and a file that is no work record (IsWorkRecord), are
// shown in critical boxes naming the file and give false (aDoc untouched).
bool OpenRecord(QWidget* aParent, const QString& aPath, QDomDocument& aDoc);

// Before a dialog of the unit takes the values of a loaded record: a record of another vehicle (its VIN
// and aUnitVin, the VIN read from the unit, both set and different) is taken only when the technician
// answers "Да" to a question naming both VINs ("Нет" is the default button), as a replacement unit may
// rightly take the old unit's record. aDetails (rich text), when set, stands with the question. True when the
// record may be taken.
bool AcceptOtherVehicleRecord(const QDomDocument& aDoc, const QString& aUnitVin,
                              const QString& aDetails = QString());
// The critical box of OpenRecord for aError about aPath.
void ShowReadError(QWidget* aParent, const QString& aPath, const RecordReadError& aError);

// Reads Config.xml of the working directory into aConfig for aDialog, which is being built. A missing
// file is no fault and goes unsaid; a file that is there but cannot be read is named in the box of
// OpenRecord, shown over aDialog once it runs. False when nothing was read.
bool ReadWorkshopConfig(QWidget* aDialog, WorkshopConfig& aConfig, const QString& aLabelPrinterDefault = {});
// Writes aConfig to Config.xml. A Config.xml that is there but cannot be read is first copied aside
// (BackupPath) and the technician is told where; when that copy fails nothing is written. False with a
// message when the settings were not saved.
bool SaveWorkshopConfig(QWidget* aParent, const WorkshopConfig& aConfig);
