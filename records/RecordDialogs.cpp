#include "records/RecordDialogs.h"

#include "records/RecordFile.h"
#include "widgets/VUMessages.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

QString RecordSaveFilter()
{
    return QStringLiteral("Файлы тахографа (*.xml);;Все файлы (*.*)");
}

QString AskSaveRecordPath(QWidget* aParent, const QString& aFileName)
{
    return AskSaveRecordPath(aParent, aFileName, RecordSaveFilter());
}

QString AskSaveRecordPath(QWidget* aParent, const QString& aFileName, const QString& aFilter)
{
    return QFileDialog::getSaveFileName(aParent, QStringLiteral("Сохранить в файл"),
                                        QDir::current().filePath(aFileName), aFilter);
}

bool SaveRecord(QWidget* aParent, const QString& aPath, const QDomDocument& aDoc)
{
    if (WriteRecordFile(aPath, aDoc))
        return true;
    QMessageBox::critical(aParent, QStringLiteral("Ошибка сохранения"),
                          QStringLiteral("Не могу записать в файл '%1'.").arg(aPath), QMessageBox::Ok);
    return false;
}

bool LoadRecord(QWidget* aParent, const QString& aFilter, QDomDocument& aDoc)
{
    const QString path =
        QFileDialog::getOpenFileName(aParent, QStringLiteral("Открыть файл"), QDir::currentPath(), aFilter);
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
    if (error.kind == RecordReadError::Open) {
        QMessageBox::critical(
            aParent, QStringLiteral("Ошибка при открытии файла."),
            QStringLiteral("При открытии файла '%1' возникла ошибка '%2'.").arg(aPath, error.message),
            QMessageBox::Ok);
    } else {
        QMessageBox::critical(
            aParent, QStringLiteral("Ошибка при считывании файла."),
            QStringLiteral("При считывании файла '%1' возникла ошибка '%2' (строка %3, позиция %4).")
                .arg(aPath, error.message)
                .arg(error.line)
                .arg(error.column),
            QMessageBox::Ok);
    }
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
            .arg(fileVin.toHtmlEscaped(), unitVin.toHtmlEscaped(), aDetails));
}
