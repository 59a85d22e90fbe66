#include "link/VUError.h"

#include "link/CKR_HiProt.h"

#include <QList>
#include <QMetaType>
#include <QStringList>
#include <QVariant>

namespace {

// Why a unit may not answer, when nothing more is known.
QStringList UsualCauses()
{
    return {QStringLiteral("Выключили тахограф."), QStringLiteral("Отсоединили кабель."),
            QStringLiteral("Тахограф в неподходящем режиме."),
            QStringLiteral("Неисправность тахографа, кабеля или ПК.")};
}

// "  1. first\n  2. second" ...
QString Numbered(const QStringList& aCauses)
{
    QStringList lines;
    for (qsizetype i = 0; i < aCauses.size(); ++i)
        lines << QStringLiteral("  %1. %2").arg(i + 1).arg(aCauses[i]);
    return lines.join(QLatin1Char('\n'));
}

// The line of code 7 after the causes: the ports tried, or that there was none to try (with none,
// "Были проверены COM-порты: ." would hide it).
QString TriedPortsLine(const QString& aTried)
{
    return aTried.isEmpty() ? QStringLiteral("\nНе найдено ни одного свободного COM-порта.")
                            : QStringLiteral("\nБыли проверены COM-порты: %1.").arg(aTried);
}

const char* const kRefusedCauses = "  1. Тахограф в неподходящем режиме.\n"
                                   "  2. Несовместимая версия тахографа.\n"
                                   "Тахограф вернул ошибку: ";

} // namespace

QString VUErrorText(TKR_VUError code)
{
    switch (code) {
    case VUErr::Ok:
        return QStringLiteral("OK");
    case VUErr::PortNotOpen:
        return QStringLiteral("Не могу открыть UART");
    case VUErr::NoPort:
        return QStringLiteral("UART не открыт. Обратитесь к разработчику");
    case VUErr::WriteFailed:
        return QStringLiteral("Ошибка записи в UART");
    case VUErr::NoReply:
        return QStringLiteral("Нет ответа от тахографа");
    case VUErr::BadReply:
        return QStringLiteral("Приняты неверные данные. Ошибка обмена");
    case VUErr::BadChecksum:
        return QStringLiteral("Принятые данные нарушены. Ошибка обмена");
    case VUErr::NoUnitFound:
        return QStringLiteral("Не найдено ни одного UART");
    case VUErr::UnknownParam:
        return QStringLiteral("Неизвестный параметр. Обратитесь к разработчику");
    case VUErr::ValueTooLong:
        return QStringLiteral("Слишком длинное значение. Запись отменена");
    case VUErr::ValueOutOfRange:
        return QStringLiteral("Значение вне допустимого диапазона. Запись отменена");
    case VUErr::RC_IML:
        return QStringLiteral("Тахограф: Incorrect Message Length. Ошибка обмена");
    case VUErr::RC_CNC:
        return QStringLiteral(
            "Тахограф: Conditions Not Correct. Тахограф не готов к обмену или не введена карта мастерской");
    case VUErr::RC_ROOR:
        return QStringLiteral("Тахограф: Request Out Of Range. Обратитесь к разработчику");
    default:
        return QStringLiteral("Неизвестная ошибка. Обратитесь к разработчику");
    }
}

QString VUErrorCauses(TKR_VUError code, const QString& aArg)
{
    switch (code) {
    case VUErr::PortNotOpen:
        return QStringLiteral("  1. COM-порт занят другой программой.\n"
                              "  2. На ПК нет COM-портов.\n"
                              "  3. COM-порт неисправен или неверно сконфигурирован.\n");
    case VUErr::NoPort:
        return QStringLiteral(
            "  Внутренняя ошибка ‘Обращение к неоткрытому порту’ – обратитесь к разработчику.");
    case VUErr::WriteFailed:
        return QStringLiteral("  UART ПК неисправен или сконфигурирован неправильно.");
    case VUErr::NoReply:
    case VUErr::BadReply:
    case VUErr::BadChecksum:
        return Numbered(UsualCauses());
    case VUErr::NoUnitFound:
        return Numbered(UsualCauses()) + TriedPortsLine(aArg);
    case VUErr::UnknownParam:
        return QStringLiteral("  Несовместимая версия тахографа.");
    case VUErr::ValueTooLong:
        return QStringLiteral("  Введенное значение слишком длинное для передачи в тахограф.\n"
                              "  Сократите текст и повторите запись.");
    case VUErr::ValueOutOfRange:
        return QStringLiteral("  Введенное значение не помещается в параметр тахографа.\n"
                              "  Исправьте значение и повторите запись.");
    case VUErr::RC_IML:
        return QString::fromUtf8(kRefusedCauses) + QStringLiteral("‘RC_IML’.");
    case VUErr::RC_CNC:
        return QString::fromUtf8(kRefusedCauses) + QStringLiteral("‘RC_CNC’.");
    case VUErr::RC_ROOR:
        return QString::fromUtf8(kRefusedCauses) + QStringLiteral("‘RC_ROOR’.");
    default:
        return QStringLiteral("  Неизвестная ошибка ‘0x%1’ – обратитесь к разработчику.")
            .arg(quint64(code), 16, 16, QLatin1Char('0'));
    }
}

namespace {
QString PortNumbers(const QList<int>& aPorts)
{
    QStringList numbers;
    for (const int port : aPorts)
        numbers.append(QString::number(port));
    return numbers.join(QStringLiteral(", "));
}
} // namespace

QString NoUnitCauses(const QString& aTried, const QList<int>& aBusy, const QList<int>& aDenied)
{
    // A port found busy or closed to this user is a cause known for certain, where the usual ones are
    // guesses: it comes first, and the usual ones follow, numbered on.
    QStringList causes;
    if (aBusy.size() == 1)
        causes << QStringLiteral("COM-порт %1 занят другой программой – закройте её и повторите.")
                      .arg(PortNumbers(aBusy));
    else if (!aBusy.isEmpty())
        causes << QStringLiteral("COM-порты %1 заняты другой программой – закройте её и повторите.")
                      .arg(PortNumbers(aBusy));
    if (aDenied.size() == 1)
        causes << QStringLiteral("Нет прав на COM-порт %1 – обратитесь к администратору.")
                      .arg(PortNumbers(aDenied));
    else if (!aDenied.isEmpty())
        causes << QStringLiteral("Нет прав на COM-порты %1 – обратитесь к администратору.")
                      .arg(PortNumbers(aDenied));
    return Numbered(causes + UsualCauses()) + TriedPortsLine(aTried);
}

QString ResultName(int code)
{
    switch (code) {
    case S_OK:
        return QStringLiteral("S_OK");
    case E_RECURRENT_NAME:
        return QStringLiteral("E_RECURRENT_NAME");
    case E_NOT_FOUND:
        return QStringLiteral("E_NOT_FOUND");
    case E_ILLEGAL_VALUE:
        return QStringLiteral("E_ILLEGAL_VALUE");
    case E_CAN_NOT_CONNECT:
        return QStringLiteral("E_CAN_NOT_CONNECT");
    case E_OVERFLOW:
        return QStringLiteral("E_OVERFLOW");
    case E_NO_DATA:
        return QStringLiteral("E_NO_DATA");
    case E_FILE_ERROR:
        return QStringLiteral("E_FILE_ERROR");
    case E_ILLEGAL_STATE:
        return QStringLiteral("E_ILLEGAL_STATE");
    case E_UART:
        return QStringLiteral("E_UART");
    case E_LIB_NOT_READY:
        return QStringLiteral("E_LIB_NOT_READY");
    case NV_E_INCOMPATIBLE:
        return QStringLiteral("NV_E_INCOMPATIBLE");
    case NV_E_OUT_OF_MEMORY:
        return QStringLiteral("NV_E_OUT_OF_MEMORY");
    default:
        return QStringLiteral("UNKNOWN");
    }
}

void RegisterLinkMetaTypes()
{
    qRegisterMetaType<QVariant>("QVariant");
    qRegisterMetaType<CKR_HiProt::T_ParamId>("CKR_HiProt::T_ParamId");
    qRegisterMetaType<TKR_VUError>("TKR_VUError");
}
