#include "WrittenFiles.h"
#include "records/CertificatePrint.h"
#include "records/CertificateRecord.h"
#include "records/XmlElements.h"
#include "widgets/Formatters.h"

#include <QDir>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <algorithm>

namespace {

int PdfImageCount(const QString& aPdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), aPdf});
    if (!p.waitForFinished(20000))
        return -1;
    // Two header lines, then one line per image.
    return int(QString::fromUtf8(p.readAllStandardOutput())
                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   .size()) -
           2;
}

CertificateFields Fields()
{
    CertificateFields f;
    f.orderDate = QDate(2012, 3, 5);
    f.orderNo = QStringLiteral("Z-17");
    f.workshopName = QStringLiteral("Тахосервис");
    f.workshopAddress = QStringLiteral("Киров");
    f.workshopCode = QStringLiteral("RUS0042");
    f.master = QStringLiteral("Иванов");
    f.customerName = QStringLiteral("Грузовик");
    f.customerAddress = QStringLiteral("Пермь");
    f.vehicleManufacturer = QStringLiteral("КАМАЗ");
    f.vehicleModel = QStringLiteral("M5490");
    f.vehicleVin = QStringLiteral("XTA21099070001234");
    f.vehicleRegNo = QStringLiteral("А123ВС43");
    f.vehicleTyre = QStringLiteral("315/80R22.5");
    f.odometerText = QStringLiteral("1234567.8");
    f.vuPartNo = QStringLiteral("P-0101");
    f.vuSerNo = QStringLiteral("000123/03 11/18/RU");
    f.vuManufacturer = QStringLiteral("Вестра");
    f.vuManufacturingDate = QStringLiteral("03/2011");
    f.wConst = 8123;
    f.kConst = 0;
    f.lConst = 3250;
    f.nextCalibration = QDate(2014, 3, 6);
    f.resultLabel = QStringLiteral("Стойка");
    f.resultTest = 1;
    f.resultManipulation = 0;
    f.resultRemark = QStringLiteral("Примечание");
    return f;
}

} // namespace

class tst_certificateprint : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mLogoCertif;
    QString mLogoLabel;

    // A word with this text whose centre lies in the logical rectangle (box origin + rectangle).
    static bool InBox(const QList<Word>& aWords, const QString& aText, const QRectF& aPage,
                      const QSizeF& aGrid, const QRectF& aLogical)
    {
        const double kx = aPage.width() / aGrid.width();
        const double ky = aPage.height() / aGrid.height();
        const QRectF target(aPage.x() + aLogical.x() * kx, aPage.y() + aLogical.y() * ky,
                            aLogical.width() * kx, aLogical.height() * ky);
        for (const Word& w : aWords) {
            if (w.text == aText && target.contains(w.box.center()))
                return true;
        }
        return false;
    }

    QString PrintCertificate(const QString& aName, const QDomDocument& aDoc, const QString& aLogo)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(mDir.filePath(aName));
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        PaintCertificate(&printer, aDoc, aLogo);
        return printer.outputFileName();
    }

    QString PrintLabel(const QString& aName, const QDomDocument& aDoc, const QString& aLogo)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(mDir.filePath(aName));
        printer.setPageSize(
            QPageSize(QSizeF(130, 18), QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        printer.setPageOrientation(QPageLayout::Portrait);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        PaintLabel(&printer, aDoc, aLogo);
        return printer.outputFileName();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        QLocale::setDefault(QLocale::c());
        const QString samples = QStringLiteral(VELMORA_SAMPLES_DIR);
        mLogoCertif = QDir(samples).filePath(QStringLiteral("LogoCertif.png"));
        mLogoLabel = QDir(samples).filePath(QStringLiteral("LogoLabel.png"));
        QVERIFY(QFile::exists(mLogoCertif));
        QVERIFY(QFile::exists(mLogoLabel));
    }

    void certificateTextsInTheirBoxes()
    {
        const QDomDocument doc = BuildCertificateDocument(Fields());
        const QString pdf = PrintCertificate(QStringLiteral("certificate.pdf"), doc, mLogoCertif);
        const QList<Word> words = PdfWords(pdf);
        QVERIFY(!words.isEmpty());
        QCOMPARE(PdfImageCount(pdf), 1);

        QPrinter ref(QPrinter::HighResolution);
        ref.setPageSize(QPageSize(QPageSize::A4));
        ref.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        const QRectF page = ref.pageLayout().paintRect(QPageLayout::Point);
        const QSizeF grid(2100, 2970);
        const auto at = [](int aOx, int aOy, int aX, int aY, int aW, int aH) {
            return QRectF(aOx + aX, aOy + aY, aW, aH);
        };
        const struct
        {
            const char* text;
            QRectF box;
        } expected[] = {
            {"Сертификат", at(150, 100, 600, 0, 650, 200)},
            {"Заказ", at(150, 100, 1270, 10, 160, 180)},
            {"Z-17", at(150, 100, 1470, 10, 310, 180)},
            {"05/03/2012", at(150, 100, 1470, 10, 310, 180)},
            {"Заказчик", at(150, 500, 0, 0, 900, 60)},
            {"Мастерская", at(150, 500, 900, 0, 600, 60)},
            {"RUS0042", at(150, 500, 1500, 0, 300, 60)},
            {"Грузовик", at(150, 500, 20, 70, 860, 80)},
            {"Пермь", at(150, 500, 20, 170, 860, 80)},
            {"Тахосервис", at(150, 500, 920, 70, 860, 80)},
            {"Киров", at(150, 500, 920, 170, 860, 80)},
            {"Тахограф", at(150, 910, 0, 0, 900, 60)},
            {"Производитель:", at(150, 910, 20, 70, 360, 230)},
            {"Вестра", at(150, 910, 420, 70, 460, 230)},
            {"P-0101", at(150, 910, 420, 70, 460, 230)},
            {"000123/03", at(150, 910, 420, 70, 460, 230)},
            {"03/2011", at(150, 910, 420, 70, 460, 230)},
            {"Гос.рег.номер:", at(150, 910, 920, 70, 360, 230)},
            {"А123ВС43", at(150, 910, 1320, 70, 460, 230)},
            {"КАМАЗ", at(150, 910, 1320, 70, 460, 230)},
            {"M5490", at(150, 910, 1320, 70, 460, 230)},
            {"XTA21099070001234", at(150, 910, 1320, 70, 460, 230)},
            {"1234567.8", at(150, 910, 1320, 70, 460, 230)},
            {"калибровки", at(150, 1370, 0, 0, 1800, 60)},
            {"8123", at(150, 1370, 420, 70, 460, 130)},
            {"---", at(150, 1370, 420, 70, 460, 130)},
            {"06/03/2014", at(150, 1370, 1320, 70, 460, 130)},
            {"315/80R22.5", at(150, 1370, 1320, 70, 460, 130)},
            {"3250", at(150, 1370, 1320, 70, 460, 130)},
            {"Стойка", at(150, 1730, 920, 10, 860, 40)},
            {"инспекции:", at(150, 1940, 0, 0, 900, 60)},
            {"манипуляции:", at(150, 1940, 0, 60, 900, 60)},
            {"Положительный", at(150, 1940, 920, 10, 860, 40)},
            {"Отсутствуют", at(150, 1940, 920, 70, 860, 40)},
            {"Особые", at(150, 2210, 0, 0, 1800, 60)},
            {"Примечание", at(150, 2210, 20, 70, 1760, 80)},
            {"М.П.", at(150, 2520, 320, 110, 860, 30)},
            {"подпись:", at(150, 2520, 920, 10, 360, 180)},
            {"Иванов", at(150, 2520, 1320, 10, 460, 180)},
            {"_________________", at(150, 2520, 1320, 10, 460, 180)},
        };
        for (const auto& e : expected) {
            QVERIFY2(InBox(words, QString::fromUtf8(e.text), page, grid, e.box), e.text);
        }
        // The dates of the order and of the calibration are one text, printed twice.
        int dates = 0;
        for (const Word& w : words)
            dates += w.text == QLatin1String("05/03/2012");
        QCOMPARE(dates, 2);
    }

    void certificateEdgeCases()
    {
        CertificateFields f = Fields();
        f.wConst = 0;
        f.odometerText = QStringLiteral("0");
        f.resultTest = 0;
        f.resultManipulation = 1;
        QDomDocument doc = BuildCertificateDocument(f);
        const QString pdf =
            PrintCertificate(QStringLiteral("edge.pdf"), doc, mDir.filePath(QStringLiteral("none.png")));
        const QList<Word> words = PdfWords(pdf);
        // No logo, everything else.
        QCOMPARE(PdfImageCount(pdf), 0);
        QStringList texts;
        for (const Word& w : words)
            texts << w.text;
        QCOMPARE(texts.count(QStringLiteral("---")), 2);
        QVERIFY(texts.contains(QStringLiteral("Отрицательный")));
        QVERIFY(texts.contains(QStringLiteral("Присутствуют")));
        QVERIFY(texts.contains(QStringLiteral("Сертификат")));
        QVERIFY(texts.contains(QStringLiteral("0")));

        // An inspection value of 2 is positive; a missing odometer prints nothing.
        QDomElement root = doc.documentElement();
        SetChildText(ChildElement(root, QStringLiteral("Result")), QStringLiteral("Test"),
                     QStringLiteral("2"));
        ChildElement(root, QStringLiteral("Vehicle"))
            .removeChild(
                ChildElement(ChildElement(root, QStringLiteral("Vehicle")), QStringLiteral("Odometer")));
        const QList<Word> again = PdfWords(PrintCertificate(QStringLiteral("edge2.pdf"), doc, mLogoCertif));
        texts.clear();
        for (const Word& w : again)
            texts << w.text;
        QVERIFY(texts.contains(QStringLiteral("Положительный")));
        QVERIFY(!texts.contains(QStringLiteral("0")));
    }

    void labelTextsInTheirBoxes()
    {
        const QDomDocument doc = BuildCertificateDocument(Fields());
        const QString pdf = PrintLabel(QStringLiteral("label.pdf"), doc, mLogoLabel);
        const QList<Word> words = PdfWords(pdf);
        QCOMPARE(PdfImageCount(pdf), 1);
        const QRectF page(0, 0, 130 / 25.4 * 72, 18 / 25.4 * 72);
        const QSizeF grid(1300, 180);
        const auto at = [](int aX, int aY, int aW, int aH) { return QRectF(100 + aX, aY, aW, aH); };
        const struct
        {
            const char* text;
            QRectF box;
        } expected[] = {
            {"Тахосервис", at(55, 0, 380, 180)},
            {"Киров", at(55, 0, 380, 180)},
            {"VIN:", at(530, 0, 80, 80)},
            {"Шины:", at(530, 0, 80, 80)},
            {"XTA21099070001234", at(620, 0, 320, 80)},
            {"315/80R22.5", at(620, 0, 320, 80)},
            {"ОрбиталRus", at(530, 100, 390, 80)},
            {"ГЛОНАСС", at(530, 100, 390, 80)},
            {"000123/03", at(530, 100, 390, 80)},
            {"k=", at(990, 0, 40, 110)},
            {"8123", at(1040, 0, 80, 110)},
            {"---", at(1040, 0, 80, 110)},
            {"3250", at(1040, 0, 80, 110)},
            {"сл.калибр.:", at(990, 110, 140, 70)},
            {"06/03/2014", at(990, 110, 140, 70)},
            // The turned bands, along the label's length.
            {"Мастерская", QRectF(100, 0, 50, 180)},
            {"Калибровка", QRectF(1030, 0, 50, 180)},
            {"Вестра", QRectF(1250, 0, 50, 180)},
        };
        for (const auto& e : expected)
            QVERIFY2(InBox(words, QString::fromUtf8(e.text), page, grid, e.box), e.text);
    }

    // On a page of another shape the strip keeps its proportions: one scale, as large as the page
    // allows, centred. Its words stand where they stand on the strip's own page, and a word's box has
    // the shape it has there.
    void labelKeepsItsShape_data()
    {
        QTest::addColumn<QPageSize>("pageSize");
        QTest::addColumn<int>("orientation");
        QTest::newRow("letter portrait") << QPageSize(QPageSize::Letter) << int(QPageLayout::Portrait);
        QTest::newRow("A4 landscape") << QPageSize(QPageSize::A4) << int(QPageLayout::Landscape);
        QTest::newRow("long thin tape")
            << QPageSize(QSizeF(300, 18), QPageSize::Millimeter, QString(), QPageSize::ExactMatch)
            << int(QPageLayout::Portrait);
    }
    void labelKeepsItsShape()
    {
        QFETCH(QPageSize, pageSize);
        QFETCH(int, orientation);
        const QDomDocument doc = BuildCertificateDocument(Fields());
        const QString vinText = QStringLiteral("XTA21099070001234");
        const QList<Word> own = PdfWords(PrintLabel(QStringLiteral("own.pdf"), doc, mLogoLabel));
        const Word* ownVin = nullptr;
        for (const Word& w : own)
            ownVin = w.text == vinText ? &w : ownVin;
        QVERIFY(ownVin);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(mDir.filePath(QStringLiteral("other.pdf")));
        printer.setPageLayout(
            QPageLayout(pageSize, QPageLayout::Orientation(orientation), QMarginsF(0, 0, 0, 0)));
        PaintLabel(&printer, doc, mLogoLabel);
        const QSizeF page = printer.pageLayout().fullRect(QPageLayout::Point).size();
        const double scale = std::min(page.width() / 1300, page.height() / 180);
        const QRectF strip((page.width() - 1300 * scale) / 2, (page.height() - 180 * scale) / 2, 1300 * scale,
                           180 * scale);
        const QList<Word> words = PdfWords(printer.outputFileName());
        const QSizeF grid(1300, 180);
        QVERIFY(InBox(words, vinText, strip, grid, QRectF(720, 0, 320, 80)));
        QVERIFY(InBox(words, QStringLiteral("Тахосервис"), strip, grid, QRectF(155, 0, 380, 180)));
        QVERIFY(InBox(words, QStringLiteral("Вестра"), strip, grid, QRectF(1250, 0, 50, 180)));
        for (const Word& w : words) {
            if (w.text != vinText)
                continue;
            const double ownShape = ownVin->box.width() / ownVin->box.height();
            const double shape = w.box.width() / w.box.height();
            QVERIFY2(qAbs(shape / ownShape - 1) < 0.03,
                     qPrintable(QStringLiteral("%1 / %2").arg(shape).arg(ownShape)));
        }
    }

    void labelTypeNames_data()
    {
        QTest::addColumn<QString>("serNo");
        QTest::addColumn<QString>("firstWord");
        QTest::newRow("1") << "5/03 11/01/RU"
                           << "ОрбиталRus";
        QTest::newRow("12") << "5/03 11/12/RU"
                            << "с/н:";
    }
    void labelTypeNames()
    {
        QFETCH(QString, serNo);
        QFETCH(QString, firstWord);
        CertificateFields f = Fields();
        f.vuSerNo = serNo;
        const QList<Word> words = PdfWords(PrintLabel(QStringLiteral("type.pdf"), BuildCertificateDocument(f),
                                                      mDir.filePath(QStringLiteral("x.png"))));
        // The first word of the type block (sorted top to bottom).
        const Word* first = nullptr;
        for (const Word& w : words) {
            if (w.text == QStringLiteral("ГЛОНАСС"))
                QFAIL("no GLONASS type here");
            if ((w.text == QStringLiteral("ОрбиталRus") || w.text == QStringLiteral("с/н:")) &&
                (!first || w.box.top() < first->box.top()))
                first = &w;
        }
        QVERIFY(first);
        QCOMPARE(first->text, firstWord);
    }

    // The printer a document goes to: the one the settings name, else the system's default.
    void printerToUse_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("systemDefault");
        QTest::addColumn<QString>("used");
        QTest::newRow("named") << "Brother PT-2430PC"
                               << "Офис"
                               << "Brother PT-2430PC";
        QTest::newRow("none named") << ""
                                    << "Офис"
                                    << "Офис";
        QTest::newRow("no printer at all") << ""
                                           << ""
                                           << "";
    }
    void printerToUse()
    {
        QFETCH(QString, configured);
        QFETCH(QString, systemDefault);
        QFETCH(QString, used);
        QCOMPARE(PrinterToUse(configured, systemDefault), used);
    }
};

QTEST_MAIN(tst_certificateprint)
#include "tst_certificateprint.moc"
