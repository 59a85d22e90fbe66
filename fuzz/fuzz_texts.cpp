// The text parsers applied to what a unit or a technician supplies: receiver coordinates and speed, the
// time-zone texts of a record and of the time-zone box, the serial-number text, tyre notations, odometer
// texts and vuctl's value texts. Byte 0 picks the parameter for the value texts and the locale; the
// rest is the text (UTF-8).
#include "dialogs/TyreCircumference.h"
#include "records/CertificateRecord.h"
#include "tools/common/ParamText.h"
#include "widgets/CKR_GMTSpinBox.h"
#include "widgets/Formatters.h"

#include <QApplication>
#include <QLocale>

#include <cstdlib>
#include <memory>

namespace {

// The box's own parsing, which QSpinBox calls while the technician types.
class ZoneBox : public CKR_GMTSpinBox
{
public:
    using CKR_GMTSpinBox::textFromValue;
    using CKR_GMTSpinBox::validate;
    using CKR_GMTSpinBox::valueFromText;
};

std::unique_ptr<ZoneBox> gZoneBox;

void Check(bool aCondition)
{
    if (!aCondition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* aArgc, char*** aArgv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The time-zone box traces every call; millions of lines would only slow the run.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QApplication app(*aArgc, *aArgv);
    gZoneBox = std::make_unique<ZoneBox>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize)
{
    if (aSize < 1)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(aData + 1), qsizetype(aSize - 1));
    QLocale::setDefault((aData[0] & 0x80) ? QLocale(QLocale::Russian, QLocale::Russia) : QLocale::c());

    CoordText(text);
    KnotsAsKmhText(QLocale().toDouble(text));
    int minutes = 0;
    OffsetFromText(text, minutes);

    QString zoneText = text;
    int pos = 0;
    gZoneBox->validate(zoneText, pos);
    gZoneBox->textFromValue(gZoneBox->valueFromText(text));

    // The serial number as typed for a write, and the date and type taken from it for the label.
    QByteArray serial;
    Check(CKR_HiProt::EncodeValue(CKR_HiProt::PID_VUSerNo, text, serial));
    QVariant decoded;
    Check(CKR_HiProt::DecodeValue(CKR_HiProt::PID_VUSerNo, serial, decoded));
    QString last;
    DeriveManufacturingDate(text, QString(), last);
    VUTypeName(text);

    QString info;
    TyreCircumference(text, &info);
    double km = 0;
    OdometerFromText(text, &km);
    CKR_HiProt::FindParam(text);

    // A value text vuctl accepts prints as a text that it accepts again.
    const QList<CKR_HiProt::ParamInfo>& table = CKR_HiProt::ParamTable();
    const CKR_HiProt::T_ParamId id = table[(aData[0] & 0x7F) % table.size()].id;
    QVariant value;
    if (ParamText::FromText(id, text, value)) {
        QVariant again;
        Check(ParamText::FromText(id, ParamText::ToText(id, value), again));
    }
    return 0;
}
