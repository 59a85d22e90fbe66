#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDomDocument>
#include <QString>

// Work record files: names, serialization and safe writing. No widgets here.

// The first line of every XML file the program writes.
inline constexpr char kXmlDeclaration[] = R"(<?xml version="1.0" encoding="Windows-1251"?>)";

// "stem_yyyyMMdd_hhmmss_Kind.xml"; aKind is "Reg", "Clb" or "Crt". Characters that cannot stand in a
// file name (path separators among them) are replaced by "_" so the name stays in its directory.
QString RecordFileName(const QString& aStem, const QDateTime& aWhen, const QString& aKind);

// A new work record: the root element aKind ("Registration", "Calibration") holding "Date" (dd/MM/yyyy) and
// "Time" (hh:mm:ss) of aWhen.
QDomDocument NewRecord(const QString& aKind, const QDateTime& aWhen);

// Vehicle/RegNo/Region of the registration and calibration records: the units serve Russian vehicles.
inline constexpr int kRegionRussia = 43;

// The "Vehicle" element of aRecord with "VIN", "RegNo" ("Number", "Region") and "Tyre", in the order both
// unit records write them; returned so that the caller appends what its kind holds besides.
QDomElement WriteVehicleIdentity(QDomElement aRecord, const QString& aVin, const QString& aRegNo,
                                 const QString& aTyre);

// True when the root is one of the work records: "Registration", "Calibration" or "Certificate".
bool IsWorkRecord(const QDomDocument& aDoc);
// The VIN a work record names (Vehicle/VIN, simplified); empty when it names none.
QString RecordVin(const QDomDocument& aDoc);

// Declaration line, the tree indented by 4 spaces, CR LF line ends, Windows-1251 bytes with character
// references for characters the code page cannot hold.
QByteArray SerializeRecord(const QDomDocument& aDoc);

// Writes SerializeRecord(aDoc) through QSaveFile: the file that was there survives any failure.
// False with aError set to the system's text when the file could not be written completely.
bool WriteRecordFile(const QString& aPath, const QDomDocument& aDoc, QString* aError = nullptr);

// Why reading a record failed.
struct RecordReadError
{
    enum Kind
    {
        None,
        Open,  // the file could not be opened; message = the system's text
        Parse, // the XML is malformed; message = the parser's text, line and column set
    };
    Kind kind = None;
    QString message;
    int line = 0;
    int column = 0;
};

// Bounds of what a work record or Config.xml may be, far beyond any the program writes (a few KiB, four
// levels deep). A larger or deeper file is refused before the tree is built: building it would take
// minutes or the stack.
inline constexpr qint64 kRecordSizeLimit = 1024 * 1024;
inline constexpr int kRecordDepthLimit = 32;

// Reads and parses a record (namespace processing on); the declared encoding is honoured. A file over
// kRecordSizeLimit bytes is an Open error, one nested deeper than kRecordDepthLimit a Parse error at the
// element that goes too deep.
bool ReadRecordFile(const QString& aPath, QDomDocument& aDoc, RecordReadError* aError = nullptr);

// The name under which an unreadable aPath is kept before it is written over: "aPath.bak", else
// "aPath.1.bak", "aPath.2.bak", ..., the first that does not exist.
QString BackupPath(const QString& aPath);
