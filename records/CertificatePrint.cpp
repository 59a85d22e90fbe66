#include "records/CertificatePrint.h"

#include "records/CertificateRecord.h"
#include "records/XmlElements.h"
#include "widgets/Formatters.h"

#include <QDebug>
#include <QPageSize>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>

namespace {

const QString kMissingConst = QStringLiteral("---");

// The element at aPath ("Vehicle/RegNo") below the document's root; null when missing. Painting only
// reads: the print document stays as it was built.
QDomElement Element(const QDomDocument& aDoc, const QStringList& aPath)
{
    QDomElement e = aDoc.documentElement();
    for (const QString& step : aPath)
        e = e.firstChildElement(step);
    return e;
}

// Text of the element at aPath ("Vehicle/RegNo/Number"); aDefault when it is missing.
QString Text(const QDomDocument& aDoc, const QString& aPath, const QString& aDefault = QString())
{
    QStringList steps = aPath.split(QLatin1Char('/'));
    const QString last = steps.takeLast();
    return ReadChildText(Element(aDoc, steps), last, aDefault);
}

// Texts of the elements at aPaths, one a line; aDefault for each that is missing.
QString Lines(const QDomDocument& aDoc, const QStringList& aPaths, const QString& aDefault = QString())
{
    QStringList texts;
    for (const QString& path : aPaths)
        texts.append(Text(aDoc, path, aDefault));
    return texts.join(QLatin1Char('\n'));
}

QPixmap LoadLogo(const QString& aPath)
{
    QPixmap logo;
    logo.load(aPath, nullptr, Qt::AutoColor | Qt::DiffuseAlphaDither);
    return logo;
}

// Every text sits in its rectangle, word-wrapped and vertically centred. The sizes suit the narrow
// fonts of a Windows printer; where the font in use is wider, a text whose words do not fit the width,
// or whose wrapped lines run out of the rectangle, is made smaller (down to 60%) instead of running
// over frames and neighbours. With aKeepLines a text is made smaller until none of its lines wraps,
// for blocks whose lines must stay level with the lines of a neighbouring block.
int FittingPixelSize(QPainter& aPainter, const QRect& aRect, Qt::Alignment aAlign, const QString& aText,
                     bool aKeepLines = false)
{
    const int flags = int(aAlign | Qt::AlignVCenter) | Qt::TextWordWrap;
    const QFont original = aPainter.font();
    const QRectF box(aRect);
    const auto fits = [&] {
        // The text's own lines are always allowed their height, even in a low rectangle.
        const QRectF own = aPainter.boundingRect(box, flags & ~Qt::TextWordWrap, aText);
        if (aKeepLines)
            return own.width() <= box.width() + 0.5;
        const QRectF wrapped = aPainter.boundingRect(box, flags, aText);
        return wrapped.width() <= box.width() + 0.5 &&
               wrapped.height() <= std::max(box.height(), own.height()) + 0.5;
    };
    const int size = original.pixelSize();
    int px = size;
    for (; px > 1 && px * 10 >= size * 6 && !fits(); --px) {
        QFont smaller = original;
        smaller.setPixelSize(px - 1);
        aPainter.setFont(smaller);
    }
    aPainter.setFont(original);
    return px;
}

void DrawTextSized(QPainter& aPainter, const QRect& aRect, Qt::Alignment aAlign, const QString& aText,
                   int aPixelSize)
{
    const QFont original = aPainter.font();
    QFont font = original;
    font.setPixelSize(aPixelSize);
    aPainter.setFont(font);
    aPainter.drawText(QRectF(aRect), int(aAlign | Qt::AlignVCenter) | Qt::TextWordWrap, aText);
    aPainter.setFont(original);
}

void DrawText(QPainter& aPainter, const QRect& aRect, Qt::Alignment aAlign, const QString& aText)
{
    DrawTextSized(aPainter, aRect, aAlign, aText, FittingPixelSize(aPainter, aRect, aAlign, aText));
}

void Left(QPainter& aPainter, const QRect& aRect, const QString& aText)
{
    DrawText(aPainter, aRect, Qt::AlignLeft, aText);
}

void Centred(QPainter& aPainter, const QRect& aRect, const QString& aText)
{
    DrawText(aPainter, aRect, Qt::AlignHCenter, aText);
}

// A block of labels and the block of values they name, side by side: both get the size the tighter of
// the two needs, so each value stays level with its label.
void LabelledValues(QPainter& aPainter, const QRect& aLabelRect, const QString& aLabels,
                    const QRect& aValueRect, const QString& aValues)
{
    const int px = std::min(FittingPixelSize(aPainter, aLabelRect, Qt::AlignLeft, aLabels, true),
                            FittingPixelSize(aPainter, aValueRect, Qt::AlignLeft, aValues, true));
    DrawTextSized(aPainter, aLabelRect, Qt::AlignLeft, aLabels, px);
    DrawTextSized(aPainter, aValueRect, Qt::AlignLeft, aValues, px);
}

// Runs aDraw with the origin moved to the box's top-left corner.
template <typename Draw> void Box(QPainter& aPainter, int aX, int aY, Draw aDraw)
{
    aPainter.save();
    aPainter.translate(aX, aY);
    aDraw();
    aPainter.restore();
}

} // namespace

void PaintCertificate(QPaintDevice* aDevice, const QDomDocument& aDoc, const QString& aLogoPath)
{
    QPainter p(aDevice);
    if (!p.isActive())
        return;
    p.save();

    const QRect viewport = p.viewport();
    const double sx = viewport.width() / 2100.0;
    const double sy = viewport.height() / 2970.0;
    qDebug() << viewport.width() << viewport.height() << sx << sy;

    // The logo is scaled in device pixels so it keeps the device's sharpness.
    const QPixmap logo = LoadLogo(aLogoPath);
    if (!logo.isNull()) {
        p.drawPixmap(
            int(152 * sx), int(102 * sy),
            logo.scaled(int(596 * sx), int(196 * sy), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }

    p.scale(sx, sy);
    QPen pen = p.pen();
    pen.setWidth(3);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);

    QFont valueFont = p.font();
    valueFont.setPixelSize(32);
    QFont titleFont = p.font();
    titleFont.setPixelSize(50);
    QFont headingFont = valueFont;
    headingFont.setPixelSize(40);
    headingFont.setBold(true);

    const auto value = [&](const QRect& aRect, const QString& aText) {
        p.setFont(valueFont);
        Left(p, aRect, aText);
    };
    const auto labelled = [&](const QRect& aLabelRect, const QString& aLabels, const QRect& aValueRect,
                              const QString& aValues) {
        p.setFont(valueFont);
        LabelledValues(p, aLabelRect, aLabels, aValueRect, aValues);
    };
    const auto heading = [&](const QRect& aRect, const QString& aText) {
        p.setFont(headingFont);
        Centred(p, aRect, aText);
    };

    Box(p, 150, 100, [&] {
        p.drawRect(0, 0, 1800, 200);
        p.drawLine(600, 0, 600, 200);
        p.drawLine(1250, 0, 1250, 200);
        p.setFont(titleFont);
        Centred(p, QRect(600, 0, 650, 200), QStringLiteral("Сертификат калибровки тахографа"));
        labelled(QRect(1270, 10, 160, 180), QStringLiteral("Заказ №:\nДата:"), QRect(1470, 10, 310, 180),
                 Lines(aDoc, {QStringLiteral("Order/Id"), QStringLiteral("Date")}));
    });

    Box(p, 150, 500, [&] {
        p.drawRect(0, 0, 1800, 260);
        p.drawLine(0, 60, 1800, 60);
        p.drawLine(0, 160, 1800, 160);
        p.drawLine(1500, 0, 1500, 60);
        p.drawLine(900, 0, 900, 260);
        heading(QRect(0, 0, 900, 60), QStringLiteral("Заказчик"));
        heading(QRect(900, 0, 600, 60), QStringLiteral("Мастерская"));
        heading(QRect(1500, 0, 300, 60), Text(aDoc, QStringLiteral("Workshop/Code")));
        value(QRect(20, 70, 860, 80), Text(aDoc, QStringLiteral("Customer/Name")));
        value(QRect(20, 170, 860, 80), Text(aDoc, QStringLiteral("Customer/Address")));
        value(QRect(920, 70, 860, 80), Text(aDoc, QStringLiteral("Workshop/Name")));
        value(QRect(920, 170, 860, 80), Text(aDoc, QStringLiteral("Workshop/Address")));
    });

    Box(p, 150, 910, [&] {
        p.drawRect(0, 0, 1800, 310);
        p.drawLine(0, 60, 1800, 60);
        p.drawLine(900, 0, 900, 310);
        heading(QRect(0, 0, 900, 60), QStringLiteral("Тахограф"));
        heading(QRect(900, 0, 900, 60), QStringLiteral("Транспортное средство"));
        const QString vu = Lines(aDoc, {QStringLiteral("VU/Manufacturer"), QStringLiteral("VU/PartNo"),
                                        QStringLiteral("VU/SerNo"), QStringLiteral("VU/ManufacturingDate")});
        labelled(QRect(20, 70, 360, 230),
                 QStringLiteral("Производитель:\nТип:\nСерийный номер:\nДата производства:\n"),
                 QRect(420, 70, 460, 230), vu + QLatin1Char('\n'));
        QString vehicle =
            Lines(aDoc, {QStringLiteral("Vehicle/RegNo/Number"), QStringLiteral("Vehicle/Manufacturer"),
                         QStringLiteral("Vehicle/Model"), QStringLiteral("Vehicle/VIN")}) +
            QLatin1Char('\n');
        const double odometer =
            ReadChildDouble(Element(aDoc, {QStringLiteral("Vehicle")}), QStringLiteral("Odometer"), -1.0);
        if (odometer >= 0.0)
            vehicle += OdometerText(odometer);
        labelled(QRect(920, 70, 360, 230), QStringLiteral("Гос.рег.номер:\nМарка:\nМодель:\nVIN:\nПробег:"),
                 QRect(1320, 70, 460, 230), vehicle);
    });

    Box(p, 150, 1370, [&] {
        p.drawRect(0, 0, 1800, 210);
        p.drawLine(0, 60, 1800, 60);
        p.drawLine(900, 60, 900, 210);
        heading(QRect(0, 0, 1800, 60), QStringLiteral("Данные калибровки"));
        labelled(QRect(20, 70, 360, 130), QStringLiteral("Дата калибровки:\nw [imp/km]:\nk [imp/km]:"),
                 QRect(420, 70, 460, 130),
                 Text(aDoc, QStringLiteral("Date")) + QLatin1Char('\n') +
                     Text(aDoc, QStringLiteral("Data/W-Const"), kMissingConst) + QLatin1Char('\n') +
                     Text(aDoc, QStringLiteral("Data/K-Const"), kMissingConst));
        labelled(QRect(920, 70, 360, 130), QStringLiteral("Дата след.калибровки:\nТип шины:\nL, мм:"),
                 QRect(1320, 70, 460, 130),
                 Text(aDoc, QStringLiteral("Data/NextCalibration/Date")) + QLatin1Char('\n') +
                     Text(aDoc, QStringLiteral("Vehicle/Tyre")) + QLatin1Char('\n') +
                     Text(aDoc, QStringLiteral("Data/L-Const"), kMissingConst));
    });

    Box(p, 150, 1730, [&] {
        p.drawRect(0, 0, 1800, 60);
        p.drawLine(900, 0, 900, 60);
        heading(QRect(0, 0, 900, 60), QStringLiteral("Место установки калибровочной табл.:"));
        value(QRect(920, 10, 860, 40), Text(aDoc, QStringLiteral("Result/Label")));
    });

    Box(p, 150, 1940, [&] {
        p.drawRect(0, 0, 1800, 120);
        p.drawLine(0, 60, 1800, 60);
        p.drawLine(900, 0, 900, 120);
        heading(QRect(0, 0, 900, 60), QStringLiteral("Результат инспекции:"));
        heading(QRect(0, 60, 900, 60), QStringLiteral("Признаки манипуляции:"));
        value(QRect(920, 10, 860, 40), InspectionWord(Text(aDoc, QStringLiteral("Result/Test"))));
        value(QRect(920, 70, 860, 40), ManipulationWord(Text(aDoc, QStringLiteral("Result/Manipulation"))));
    });

    Box(p, 150, 2210, [&] {
        p.drawRect(0, 0, 1800, 160);
        p.drawLine(0, 60, 1800, 60);
        heading(QRect(0, 0, 1800, 60), QStringLiteral("Особые отметки"));
        value(QRect(20, 70, 1760, 80), Text(aDoc, QStringLiteral("Result/Remark")));
    });

    Box(p, 150, 2520, [&] {
        value(QRect(320, 110, 860, 30), QStringLiteral("М.П."));
        labelled(QRect(920, 10, 360, 180), QStringLiteral("ФИО мастера:\n\n\nподпись:"),
                 QRect(1320, 10, 460, 180),
                 Text(aDoc, QStringLiteral("Workshop/Master")) + QStringLiteral("\n\n\n_________________"));
    });

    p.restore();
    p.end();
}

void PaintLabel(QPaintDevice* aDevice, const QDomDocument& aDoc, const QString& aLogoPath)
{
    QPainter p(aDevice);
    if (!p.isActive())
        return;
    p.save();
    // One scale for both axes, so a page of another shape (an office sheet, a PDF file) does not
    // distort the strip; it is centred on the printable area.
    const QRect viewport = p.viewport();
    const double scale = std::min(viewport.width() / 1300.0, viewport.height() / 180.0);
    p.translate((viewport.width() - 1300.0 * scale) / 2.0, (viewport.height() - 180.0 * scale) / 2.0);
    p.scale(scale, scale);

    // Left part turned a quarter: x runs up the label from its bottom edge, y along it.
    p.translate(0, 180);
    p.rotate(-90);
    // Reduced first, then stretched with the drawing.
    const QPixmap logo = LoadLogo(aLogoPath);
    if (!logo.isNull())
        p.drawPixmap(0, 0, logo.scaled(180, 100, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));

    p.translate(0, 100);
    p.setPen(QPen(QBrush(Qt::white), 0, Qt::SolidLine));
    p.setBrush(QBrush(Qt::SolidPattern));
    QFont font = p.font();
    font.setPixelSize(26);
    font.setBold(false);
    p.setFont(font);
    const auto band = [&](const QRect& aRect, const QString& aText) {
        p.drawRect(aRect);
        Centred(p, aRect, aText);
    };
    band(QRect(0, 0, 180, 50), QStringLiteral("Мастерская"));
    band(QRect(0, 440, 180, 80), QStringLiteral("Транспортное\nсредство"));
    band(QRect(0, 930, 180, 50), QStringLiteral("Калибровка"));
    QFont bold = font;
    bold.setBold(true);
    p.setFont(bold);
    band(QRect(0, 1150, 180, 50), QStringLiteral("Вестра"));

    // Back to the label's own frame, 100 units along it.
    p.rotate(90);
    p.translate(0, -180);
    p.setPen(QPen(QBrush(Qt::black), 0, Qt::SolidLine));
    p.setBrush(Qt::NoBrush);
    p.setFont(font);
    Left(p, QRect(55, 0, 380, 180),
         Lines(aDoc, {QStringLiteral("Workshop/Name"), QStringLiteral("Workshop/Address")}));
    Left(p, QRect(530, 0, 80, 80), QStringLiteral("VIN:\nШины:"));
    Left(p, QRect(620, 0, 320, 80),
         Lines(aDoc, {QStringLiteral("Vehicle/VIN"), QStringLiteral("Vehicle/Tyre")}));
    const QString serNo = Text(aDoc, QStringLiteral("VU/SerNo"));
    Left(p, QRect(530, 100, 390, 80), VUTypeName(serNo) + QStringLiteral("\nс/н: ") + serNo);
    Left(p, QRect(990, 0, 40, 110), QStringLiteral("w=\nk=\nl="));
    Left(p, QRect(1040, 0, 80, 110),
         Lines(
             aDoc,
             {QStringLiteral("Data/W-Const"), QStringLiteral("Data/K-Const"), QStringLiteral("Data/L-Const")},
             kMissingConst));
    Centred(p, QRect(990, 110, 140, 70),
            QStringLiteral("сл.калибр.:\n") + Text(aDoc, QStringLiteral("Data/NextCalibration/Date")));

    // The whole label but the logo; the pen is one device pixel, the brush none.
    p.drawRect(0, 0, 1199, 179);
    p.restore();
    p.end();
}

QPageLayout LabelPageLayout()
{
    return QPageLayout(QPageSize(QSizeF(130.0, 18.0), QPageSize::Millimeter,
                                 QStringLiteral("Label 130 x 18 mm"), QPageSize::ExactMatch),
                       QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

QString PrinterToUse(const QString& aName, const QString& aDefault)
{
    return aName.isEmpty() ? aDefault : aName;
}

void SelectPrinter(QPrinter& aPrinter, const QString& aName)
{
    const QString name = PrinterToUse(aName, QPrinterInfo::defaultPrinterName());
    if (!name.isEmpty())
        aPrinter.setPrinterName(name);
}
