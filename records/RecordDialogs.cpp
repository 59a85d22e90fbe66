#include "records/RecordDialogs.h"

#include "records/RecordFile.h"
#include "records/WorkshopConfig.h"
#include "widgets/VUMessages.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

QString RecordLoadFilter(RecordKind aOwn)
{
    const QString registration = QStringLiteral("Файлы регистрации (*_Reg.xml)");
    const QString calibration = QStringLiteral("Файлы калибрации (*_Clb.xml)");
    const QString certificate = QStringLiteral("Файлы сертификатов (*_Crt.xml)");
    QStringList kinds;
    switch (aOwn) {
    case RecordKind::Registration:
        kinds = {registration, certificate, calibration};
        break;
    case RecordKind::Calibration:
        kinds = {calibration, certificate, registration};
        break;
    case RecordKind::Certificate:
        kinds = {certificate, registration, calibration};
        break;
    }
    kinds << QStringLiteral("Все файлы тахографа (*.xml)") << QStringLiteral("Все файлы (*.*)");
    return kinds.join(QStringLiteral(";;"));
}

QString RecordSaveFilter(RecordKind aKind)
{
    const QString any = QStringLiteral("Файлы тахографа (*.xml);;Все файлы (*.*)");
    return aKind == RecordKind::Certificate ? QStringLiteral("Сертификаты тахографа (*_Crt.xml);;") + any
                                            : any;
}

QString AskSaveRecordPath(QWidget* aParent, RecordKind aKind, const QString& aFileName)
{
    return QFileDialog::getSaveFileName(aParent, QStringLiteral("Сохранить в файл"),
                                        QDir::current().filePath(aFileName), RecordSaveFilter(aKind));
}

bool SaveRecord(QWidget* aParent, const QString& aPath, const QDomDocument& aDoc)
{
    if (WriteRecordFile(aPath, aDoc))
        return true;
    QMessageBox::critical(aParent, QStringLiteral("Ошибка сохранения"),
                          QStringLiteral("Не могу записать в файл '%1'.").arg(aPath), QMessageBox::Ok);
    return false;
}

bool LoadRecord(QWidget* aParent, RecordKind aOwn, QDomDocument& aDoc)
{
    const QString path = QFileDialog::getOpenFileName(aParent, QStringLiteral("Открыть файл"),
                                                      QDir::currentPath(), RecordLoadFilter(aOwn));
    if (path.isEmpty())
        return false;
    return OpenRecord(aParent, path, aDoc);
}

bool OpenRecord(QWidget* aParent, const QString& aPath, QDomDocument& aDoc)
{
    RecordReadError error;
    QDomDocument doc;
    if (ReadRecordFile(aPath, doc, &error)) {
        if (IsWorkRecord(doc)) {
            aDoc = doc;
            return true;
        }
        // Settings or any other XML would leave a form's fields at their defaults, written to the unit.
        QMessageBox::critical(aParent, QStringLiteral("Ошибка при открытии файла."),
                              QStringLiteral("Файл '%1' не является файлом регистрации, калибровки или "
                                             "сертификата тахографа. Значения не загружены.")
                                  .arg(aPath),
                              QMessageBox::Ok);
        return false;
    }
    ShowReadError(aParent, aPath, error);
    return false;
}

void ShowReadError(QWidget* aParent, const QString& aPath, const RecordReadError& aError)
{
    if (aError.kind == RecordReadError::Open) {
        QMessageBox::critical(
            aParent, QStringLiteral("Ошибка при открытии файла."),
            QStringLiteral("При открытии файла '%1' возникла ошибка '%2'.").arg(aPath, aError.message),
            QMessageBox::Ok);
    } else {
        QMessageBox::critical(
            aParent, QStringLiteral("Ошибка при считывании файла."),
            QStringLiteral("При считывании файла '%1' возникла ошибка '%2' (строка %3, позиция %4).")
                .arg(aPath, aError.message)
                .arg(aError.line)
                .arg(aError.column),
            QMessageBox::Ok);
    }
}

namespace {

// Config.xml in the working directory, named in full so the technician finds it.
QString ConfigPath()
{
    return QDir::current().absoluteFilePath(WorkshopConfig::FileName());
}

} // namespace

bool ReadWorkshopConfig(QWidget* aDialog, WorkshopConfig& aConfig, const QString& aLabelPrinterDefault)
{
    const QString path = ConfigPath();
    RecordReadError error;
    if (aConfig.Load(path, aLabelPrinterDefault, &error))
        return true;
    // A new workshop has no settings yet: nothing to tell. The box waits until the dialog runs, so that
    // it stands over the dialog rather than before it.
    if (QFileInfo(path).isFile())
        QTimer::singleShot(0, aDialog, [aDialog, path, error] { ShowReadError(aDialog, path, error); });
    return false;
}

bool AcceptOtherVehicleRecord(const QDomDocument& aDoc, const QString& aUnitVin, const QString& aDetails)
{
    const QString fileVin = RecordVin(aDoc);
    const QString unitVin = aUnitVin.simplified();
    if (fileVin.isEmpty() || unitVin.isEmpty() || fileVin.compare(unitVin, Qt::CaseInsensitive) == 0)
        return true;
    return AskVUConfirm(
        QStringLiteral("<p>Этот файл создан для ТС с VIN <b>%1</b>, а в тахографе записан VIN <b>%2</b>.</p>"
                       "%3<p>Взять значения из файла?</p>"
                       "<p><b>Да</b> – взять значения из файла (например, для тахографа, заменяющего "
                       "прежний).</p><p><b>Нет</b> – не загружать файл, значения остаются прежними.</p>")
            .arg(fileVin.toHtmlEscaped(), unitVin.toHtmlEscaped(), aDetails),
        true); // Enter must not take another vehicle's values
}

bool SaveWorkshopConfig(QWidget* aParent, const WorkshopConfig& aConfig)
{
    const QString path = ConfigPath();
    QString kept;
    // Settings that could not be read are still the workshop's: keep their bytes before writing over them.
    if (QFileInfo(path).isFile() && !WorkshopConfig().Load(path)) {
        kept = BackupPath(path);
        if (!QFile::copy(path, kept)) {
            QMessageBox::critical(aParent, QStringLiteral("Ошибка сохранения"),
                                  QStringLiteral("Не могу записать в файл '%1'.").arg(kept), QMessageBox::Ok);
            return false;
        }
    }
    if (!SaveRecord(aParent, WorkshopConfig::FileName(), aConfig.ToDocument()))
        return false;
    if (!kept.isEmpty())
        QMessageBox::information(
            aParent, QStringLiteral("Сохранение настроек"),
            QStringLiteral("Прежний файл '%1' не читался; он сохранён как '%2'.").arg(path, kept),
            QMessageBox::Ok);
    return true;
}
