#pragma once

#include <QDomDocument>
#include <QString>

class QWidget;

// File dialogs and message boxes around the work record files.

// Filter of the save-file dialog for registration and calibration records.
QString RecordSaveFilter();

// Save-file dialog "Сохранить в файл" proposing aFileName in the working directory; empty when cancelled.
QString AskSaveRecordPath(QWidget* aParent, const QString& aFileName);
// The same with another filter (certificate records).
QString AskSaveRecordPath(QWidget* aParent, const QString& aFileName, const QString& aFilter);

// Writes the record; on failure the critical box "Ошибка сохранения" and false.
bool SaveRecord(QWidget* aParent, const QString& aPath, const QDomDocument& aDoc);

// Open-file dialog "Открыть файл" in the working directory, then OpenRecord. False when cancelled or failed.
bool LoadRecord(QWidget* aParent, const QString& aFilter, QDomDocument& aDoc);
// Opens and parses aPath; open and parse failures are shown in critical boxes and give false.
bool OpenRecord(QWidget* aParent, const QString& aPath, QDomDocument& aDoc);
