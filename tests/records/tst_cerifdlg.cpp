#include "Technician.h"
#include "TextsFit.h"
#include "records/CKR_CerifDlg.h"
#include "records/CertificatePrint.h"
#include "records/RecordDialogs.h"
#include "records/RecordFile.h"
#include "records/WorkshopConfig.h"
#include "records/XmlElements.h"
#include "widgets/Formatters.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& aPath)
{
    QFile f(aPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool WriteAll(const QString& aPath, const QByteArray& aBytes)
{
    QFile f(aPath);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(aBytes) == aBytes.size();
}

const QByteArray kRegistration = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                 "<Registration>\r\n"
                                 "    <Date>05/03/2012</Date>\r\n"
                                 "    <Time>14:07:09</Time>\r\n"
                                 "    <VU>\r\n"
                                 "        <PartNo>\xce\xf0\xe1\xe8\xf2\xe0\xeb</PartNo>\r\n"
                                 "        <SerNo>000123/03 11/01/RU</SerNo>\r\n"
                                 "        <SWVer>1.2</SWVer>\r\n"
                                 "        <Manufacturer>\xc2\xe5\xf1\xf2\xf0\xe0</Manufacturer>\r\n"
                                 "        <Composition>3</Composition>\r\n"
                                 "        <SensorUsage>8</SensorUsage>\r\n"
                                 "        <DateTime>\r\n"
                                 "            <Date>05/03/2012</Date>\r\n"
                                 "            <Time>11:07:09</Time>\r\n"
                                 "            <GMT>+3:00</GMT>\r\n"
                                 "        </DateTime>\r\n"
                                 "    </VU>\r\n"
                                 "    <Vehicle>\r\n"
                                 "        <VIN>XTA21099070001234</VIN>\r\n"
                                 "        <RegNo>\r\n"
                                 "            <Number>\xc0\x31\x32\x33\xc2\xd1\x34\x33</Number>\r\n"
                                 "            <Region>43</Region>\r\n"
                                 "        </RegNo>\r\n"
                                 "        <Tyre>315/80R22.5</Tyre>\r\n"
                                 "        <MaxSpeed>90</MaxSpeed>\r\n"
                                 "        <Odometer>123,4</Odometer>\r\n"
                                 "    </Vehicle>\r\n"
                                 "</Registration>\r\n";

const QByteArray kCalibration = "<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n"
                                "<Calibration>\r\n"
                                "    <Date>06/03/2012</Date>\r\n"
                                "    <Time>10:00:00</Time>\r\n"
                                "    <VU>\r\n"
                                "        <Composition>3</Composition>\r\n"
                                "        <SensorUsage>1</SensorUsage>\r\n"
                                "    </VU>\r\n"
                                "    <Vehicle>\r\n"
                                "        <VIN>xta21099070001234 </VIN>\r\n"
                                "        <RegNo>\r\n"
                                "            <Number>B777</Number>\r\n"
                                "            <Region>43</Region>\r\n"
                                "        </RegNo>\r\n"
                                "        <Tyre>295/80R22.5</Tyre>\r\n"
                                "        <Odometer>1234567.8</Odometer>\r\n"
                                "    </Vehicle>\r\n"
                                "    <Data>\r\n"
                                "        <W-Const>8000</W-Const>\r\n"
                                "        <K-Const>010</K-Const>\r\n"
                                "        <L-Const>0x100</L-Const>\r\n"
                                "        <NextCalibration>\r\n"
                                "            <Date>06/03/2014</Date>\r\n"
                                "        </NextCalibration>\r\n"
                                "        <B6-Const>1</B6-Const>\r\n"
                                "        <B7-Const>2</B7-Const>\r\n"
                                "        <CANSpeed>0</CANSpeed>\r\n"
                                "    </Data>\r\n"
                                "</Calibration>\r\n";

} // namespace

Q_DECLARE_METATYPE(RecordKind)

class tst_cerifdlg : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QString mStartDir;

    template <typename T> static T* Find(QWidget* aDlg, const char* aName)
    {
        T* w = aDlg->findChild<T*>(QString::fromLatin1(aName));
        if (!w)
            qFatal("no widget %s", aName);
        return w;
    }
    static QString Text(QWidget* aDlg, const char* aName) { return Find<QLineEdit>(aDlg, aName)->text(); }
    static void SetText(QWidget* aDlg, const char* aName, const QString& aText)
    {
        Find<QLineEdit>(aDlg, aName)->setText(aText);
    }

    // Runs the dialog's Load button with aPath chosen in the file dialog, then aAfter's steps.
    static QByteArray Load(CKR_CerifDlg& aDlg, const QString& aPath, const QString& aAfter = {},
                           const Technician::Act& aAct = {})
    {
        Technician tech;
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(aPath));
        if (!aAfter.isEmpty())
            tech.In(aAfter, aAct);
        tech.Start();
        aDlg.OnLoadClick();
        if (!QTest::qWaitFor([&tech] { return tech.Done(); }, 5000))
            return tech.Report() + " (steps left)";
        return tech.Report();
    }

    static void Fill(QWidget* d)
    {
        SetText(d, "edtOrderNo", QStringLiteral("17/3"));
        Find<QDateEdit>(d, "dedOrderDate")->setDate(QDate(2012, 3, 5));
        Find<QComboBox>(d, "cmbOrderMaster")->setEditText(QString());
        SetText(d, "edtCustomerName", QStringLiteral("ООО «Груз» ✓"));
        SetText(d, "edtCustomerAddress", QStringLiteral("Пермь"));
        SetText(d, "edtVehicleManufacturer", QStringLiteral("КАМАЗ"));
        SetText(d, "edtVehicleModel", QStringLiteral("5490"));
        SetText(d, "edtVehicleVIN", QStringLiteral("XTA21099070001234"));
        SetText(d, "edtVehicleRegNo", QStringLiteral("А123ВС43"));
        SetText(d, "edtVehicleTyre", QStringLiteral("315/80R22.5"));
        SetText(d, "edtVehicleOdometer", QStringLiteral("1234.5"));
        SetText(d, "edtVUManufacturer", QStringLiteral("Вестра"));
        SetText(d, "edtVUType", QStringLiteral("ОрбиталRus"));
        SetText(d, "edtVUSerNo", QStringLiteral("000123/03 11/18/RU"));
        Find<QSpinBox>(d, "speClbrW")->setValue(8000);
        Find<QSpinBox>(d, "speClbrK")->setValue(0);
        Find<QSpinBox>(d, "speClbrL")->setValue(3250);
        Find<QDateEdit>(d, "dedClbrNexDate")->setDate(QDate(2014, 3, 5));
        SetText(d, "edtResultLabel", QStringLiteral("Стойка"));
        Find<QComboBox>(d, "cmbResultManitulation")->setCurrentIndex(1);
        Find<QComboBox>(d, "cmbResultTest")->setCurrentIndex(0);
        SetText(d, "edtResultRemark", QStringLiteral("Нет"));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(mDir.isValid());
        mStartDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(mDir.path()));
        QVERIFY(WriteAll(QStringLiteral("r_Reg.xml"), kRegistration));
        QVERIFY(WriteAll(QStringLiteral("c_Clb.xml"), kCalibration));
    }
    void cleanupTestCase() { QDir::setCurrent(mStartDir); }
    void init() { QFile::remove(QStringLiteral("Config.xml")); }

    void constructionWithoutConfig()
    {
        CKR_CerifDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Вестра:Вельмора. v1.0"));
        QCOMPARE(dlg.size(), QSize(800, 660));
        auto* master = Find<QComboBox>(&dlg, "cmbOrderMaster");
        // No technicians configured: nothing to choose, and nothing made up to print.
        QCOMPARE(master->count(), 0);
        QCOMPARE(Find<QDateEdit>(&dlg, "dedOrderDate")->date(), QDate::currentDate());
        QCOMPARE(Find<QDateEdit>(&dlg, "dedClbrNexDate")->date(), QDate::currentDate().addYears(2));
        QVERIFY(dlg.LabelPrinter()->printerName() != QStringLiteral("Brother PT-2430PC"));
        QCOMPARE(dlg.LabelPrinter()->resolution() > dlg.CertificatePrinter()->resolution(), true);
        if (QPrinterInfo::printerInfo(dlg.LabelPrinter()->printerName()).isNull()) {
            // No tape printer here: the stand-in page has the label's shape, not an office page's.
            const QSizeF page = dlg.LabelPrinter()->pageLayout().fullRect(QPageLayout::Millimeter).size();
            QCOMPARE(qRound(page.width()), 130);
            QCOMPARE(qRound(page.height()), 18);
        }
        QCOMPARE(Text(&dlg, "edtResultLabel"), QStringLiteral("Стойка двери водителя"));
        QCOMPARE(Find<QComboBox>(&dlg, "cmbResultTest")->currentIndex(), 1);
        QCOMPARE(Find<QComboBox>(&dlg, "cmbResultManitulation")->currentIndex(), 0);
        QCOMPARE(Find<QLineEdit>(&dlg, "edtVehicleOdometer")->maxLength(), 9);
        // Whatever the font, no text is cut off, a full VIN included.
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(ClippedTexts(&dlg).join(QLatin1Char(' ')), QString());
        SetText(&dlg, "edtVehicleVIN", QStringLiteral("WDB9634031L738495"));
        QCOMPARE(ClippedTexts(&dlg).join(QLatin1Char(' ')), QString());
    }

    // Each dialog's open-file filter offers its own kind of record first.
    void loadFilters_data()
    {
        QTest::addColumn<RecordKind>("kind");
        QTest::addColumn<QString>("filter");
        QTest::newRow("registration")
            << RecordKind::Registration
            << QStringLiteral(
                   "Файлы регистрации (*_Reg.xml);;Файлы сертификатов (*_Crt.xml);;Файлы калибрации "
                   "(*_Clb.xml);;Все файлы тахографа (*.xml);;Все файлы (*.*)");
        QTest::newRow("calibration")
            << RecordKind::Calibration
            << QStringLiteral(
                   "Файлы калибрации (*_Clb.xml);;Файлы сертификатов (*_Crt.xml);;Файлы регистрации "
                   "(*_Reg.xml);;Все файлы тахографа (*.xml);;Все файлы (*.*)");
        QTest::newRow("certificate")
            << RecordKind::Certificate
            << QStringLiteral(
                   "Файлы сертификатов (*_Crt.xml);;Файлы регистрации (*_Reg.xml);;Файлы калибрации "
                   "(*_Clb.xml);;Все файлы тахографа (*.xml);;Все файлы (*.*)");
    }
    void loadFilters()
    {
        QFETCH(RecordKind, kind);
        QFETCH(QString, filter);
        QCOMPARE(RecordLoadFilter(kind), filter);
    }

    void constructionWithConfig()
    {
        QVERIFY(WriteAll(
            QStringLiteral("Config.xml"),
            "<Config><Order><Certificate><Printer><Name>Crt</Name></Printer></Certificate></Order>"
            "<Workshop><Name>W</Name><Address>A</Address><Code>C</Code><MasterList><Master><Name>"
            "One</Name></Master><Master><Name>Two</Name></Master></MasterList></Workshop></Config>"));
        CKR_CerifDlg dlg;
        // The printers asked for: the label's by the dialog's own default, as the settings name none.
        WorkshopConfig config;
        QVERIFY(ReadWorkshopConfig(&dlg, config, QStringLiteral("Brother PT-2430PC")));
        QCOMPARE(PrinterToUse(config.labelPrinter, QStringLiteral("Офис")),
                 QStringLiteral("Brother PT-2430PC"));
        QCOMPARE(PrinterToUse(config.certificatePrinter, QStringLiteral("Офис")), QStringLiteral("Crt"));
        auto* master = Find<QComboBox>(&dlg, "cmbOrderMaster");
        QCOMPARE(master->count(), 2);
        QCOMPARE(master->itemText(1), QStringLiteral("Two"));
        const QDomDocument doc = dlg.BuildCertificate();
        const QDomElement workshop = doc.documentElement().firstChildElement(QStringLiteral("Workshop"));
        QCOMPARE(ReadChildText(workshop, QStringLiteral("Name"), {}), QStringLiteral("W"));
        QCOMPARE(ReadChildText(workshop, QStringLiteral("Address"), {}), QStringLiteral("A"));
        QCOMPARE(ReadChildText(workshop, QStringLiteral("Code"), {}), QStringLiteral("C"));
        QCOMPARE(ReadChildText(workshop, QStringLiteral("Master"), {}), QStringLiteral("One"));
    }

    void noTechniciansThenRecordWithoutMaster()
    {
        QVERIFY(
            WriteAll(QStringLiteral("Config.xml"), "<Config><Workshop><Name>W</Name></Workshop></Config>"));
        CKR_CerifDlg dlg;
        auto* master = Find<QComboBox>(&dlg, "cmbOrderMaster");
        QCOMPARE(master->count(), 0);
        QCOMPARE(Load(dlg, mDir.filePath(QStringLiteral("r_Reg.xml"))), QByteArray());
        QCOMPARE(master->count(), 1);
        QCOMPARE(master->currentText(), QString());
        QCOMPARE(Load(dlg, mDir.filePath(QStringLiteral("r_Reg.xml"))), QByteArray());
        QCOMPARE(master->count(), 1);
    }

    void loadRegistration()
    {
        CKR_CerifDlg dlg;
        SetText(&dlg, "edtCustomerName", QStringLiteral("kept"));
        QCOMPARE(Load(dlg, mDir.filePath(QStringLiteral("r_Reg.xml"))), QByteArray());
        QCOMPARE(Find<QDateEdit>(&dlg, "dedOrderDate")->date(), QDate(2012, 3, 5));
        QCOMPARE(Text(&dlg, "edtVehicleVIN"), QStringLiteral("XTA21099070001234"));
        QCOMPARE(Text(&dlg, "edtVehicleRegNo"), QStringLiteral("А123ВС43"));
        QCOMPARE(Text(&dlg, "edtVehicleTyre"), QStringLiteral("315/80R22.5"));
        QCOMPARE(Text(&dlg, "edtVehicleOdometer"), NumberText(123.4));
        QCOMPARE(Text(&dlg, "edtVUType"), QStringLiteral("Орбитал"));
        QCOMPARE(Text(&dlg, "edtVUSerNo"), QStringLiteral("000123/03 11/01/RU"));
        QCOMPARE(Text(&dlg, "edtVUManufacturer"), QStringLiteral("Вестра"));
        QCOMPARE(Text(&dlg, "edtVUManufacturingDate"), QStringLiteral("03/2011"));
        QCOMPARE(Text(&dlg, "edtCustomerName"), QStringLiteral("kept"));
        QCOMPARE(Find<QSpinBox>(&dlg, "speClbrW")->value(), 0);
    }

    void loadCalibration()
    {
        CKR_CerifDlg dlg;
        // The same VIN in another case and with spaces is accepted.
        SetText(&dlg, "edtVehicleVIN", QStringLiteral(" XTA21099070001234"));
        QCOMPARE(Load(dlg, mDir.filePath(QStringLiteral("c_Clb.xml"))), QByteArray());
        QCOMPARE(Find<QDateEdit>(&dlg, "dedOrderDate")->date(), QDate(2012, 3, 6));
        QCOMPARE(Find<QSpinBox>(&dlg, "speClbrW")->value(), 8000);
        QCOMPARE(Find<QSpinBox>(&dlg, "speClbrK")->value(), 8);
        QCOMPARE(Find<QSpinBox>(&dlg, "speClbrL")->value(), 256);
        QCOMPARE(Find<QDateEdit>(&dlg, "dedClbrNexDate")->date(), QDate(2014, 3, 6));
        QCOMPARE(Text(&dlg, "edtVehicleRegNo"), QStringLiteral("B777"));
        // A million km and more: the tenth kept, no exponent, within the field.
        QCOMPARE(Text(&dlg, "edtVehicleOdometer"),
                 QStringLiteral("1234567") + QLocale().decimalPoint() + "8");
    }

    void otherVinRefused()
    {
        CKR_CerifDlg dlg;
        dlg.show();
        SetText(&dlg, "edtVehicleVIN", QStringLiteral("WDB00000000000001"));
        SetText(&dlg, "edtVehicleTyre", QStringLiteral("unchanged"));
        QString caption, message;
        const QByteArray failures =
            Load(dlg, mDir.filePath(QStringLiteral("r_Reg.xml")), "VU_Error", [&](QWidget* w) {
                caption = w->findChild<QLabel*>(QStringLiteral("lblCaption"))->text();
                message = Technician::Message(w);
                PressOk(w);
            });
        QVERIFY2(failures.isEmpty(), failures);
        QCOMPARE(caption, QStringLiteral("Ошибка открытия файла:"));
        QCOMPARE(message, QStringLiteral("Этот файл создан для ТС с другим VIN."));
        QCOMPARE(Text(&dlg, "edtVehicleTyre"), QStringLiteral("unchanged"));
        QCOMPARE(Text(&dlg, "edtVehicleVIN"), QStringLiteral("WDB00000000000001"));
        QVERIFY(dlg.isVisible());
    }

    void recordWithoutVinKeepsEnteredOne()
    {
        QByteArray noVin = kCalibration;
        noVin.replace("<VIN>xta21099070001234 </VIN>", "");
        QVERIFY(WriteAll(QStringLiteral("n_Clb.xml"), noVin));
        CKR_CerifDlg dlg;
        SetText(&dlg, "edtVehicleVIN", QStringLiteral("wdb 1"));
        QCOMPARE(Load(dlg, mDir.filePath(QStringLiteral("n_Clb.xml"))), QByteArray());
        QCOMPARE(Text(&dlg, "edtVehicleVIN"), QStringLiteral("wdb 1"));
        QCOMPARE(Find<QSpinBox>(&dlg, "speClbrW")->value(), 8000);
    }

    // An odometer typed with its unit: the field says so, saving and printing the certificate name it and
    // stop; typed again with a Russian comma it is saved, as the file on disk shows.
    void odometerThatIsNoNumber()
    {
        CKR_CerifDlg dlg;
        Fill(&dlg);
        auto* odometer = Find<QLineEdit>(&dlg, "edtVehicleOdometer");
        Technician::Type(odometer, QStringLiteral("300000 км"));
        QVERIFY(odometer->toolTip().contains(QStringLiteral("Пробег «300000 км»")));
        const QString path = mDir.filePath(QStringLiteral("odometer_Crt.xml"));
        for (const char* button : {"btnSave", "btnPrinrCertificate"}) {
            QString title, text;
            Technician tech;
            tech.In(QStringLiteral("QMessageBox"), Technician::Answer(true, &text, &title));
            // No file dialog or preview follows the box: the technician would close it as a stranger.
            tech.Run(Find<QPushButton>(&dlg, button));
            QVERIFY2(tech.Failures().isEmpty(), tech.Report());
            QVERIFY2(text.startsWith(QStringLiteral("Пробег «300000 км»")), qPrintable(text));
            QVERIFY2(text.endsWith(qstrcmp(button, "btnSave") == 0
                                       ? QStringLiteral("Сертификат не сохранён.")
                                       : QStringLiteral("Сертификат не напечатан.")),
                     qPrintable(text));
        }
        QVERIFY(!QFile::exists(path));

        Technician::Type(odometer, QStringLiteral("250000,7"));
        QCOMPARE(odometer->toolTip(), QString());
        Technician save;
        save.In(QStringLiteral("QFileDialog"), ChooseFile(path));
        save.Run(Find<QPushButton>(&dlg, "btnSave"));
        QVERIFY2(save.Failures().isEmpty(), save.Report());
        QDomDocument doc;
        QVERIFY(ReadRecordFile(path, doc));
        QCOMPARE(ReadChildText(ChildElement(doc.documentElement(), QStringLiteral("Vehicle")),
                               QStringLiteral("Odometer"), QString()),
                 QStringLiteral("250000.7"));
    }

    // w, k and l keep what was typed: a number past the record's 65535 stays as typed and stops saving and
    // both printouts with the field named; a letter is refused at the key.
    void calibrationNumbers_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("refused");
        QTest::newRow("w past the maximum") << "speClbrW"
                                            << "70000"
                                            << "70000" << true;
        QTest::newRow("w at the maximum") << "speClbrW"
                                          << "65535"
                                          << "65535" << false;
        QTest::newRow("k with a comma") << "speClbrK"
                                        << "12,5"
                                        << "12,5" << true;
        QTest::newRow("l with a letter") << "speClbrL"
                                         << "3x250"
                                         << "3250" << false;
    }
    void calibrationNumbers()
    {
        QFETCH(QString, box);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, refused);
        CKR_CerifDlg dlg;
        Fill(&dlg);
        auto* spin = Find<QSpinBox>(&dlg, qPrintable(box));
        Technician::Type(spin, typed);
        QCOMPARE(spin->text(), shown);
        if (!refused)
            return;
        for (const char* button : {"btnSave", "btnPrinrCertificate", "btnPrintLabel"}) {
            QString text;
            Technician tech;
            tech.In(QStringLiteral("VU_Error"), [&text](QWidget* w) {
                text = Technician::Message(w);
                Technician::Answer()(w);
            });
            // No file dialog or preview follows the notice.
            tech.Run(Find<QPushButton>(&dlg, button));
            QVERIFY2(tech.Failures().isEmpty(), tech.Report());
            QVERIFY2(text.contains(QStringLiteral("«%1»").arg(typed)) &&
                         text.contains(QStringLiteral("65535")),
                     qPrintable(text));
        }
    }

    void saveAndLoadCertificate()
    {
        QVERIFY(WriteAll(QStringLiteral("Config.xml"), "<Config><Workshop><Name>Тахо</Name><Code>42</Code>"
                                                       "</Workshop></Config>"));
        CKR_CerifDlg dlg;
        Fill(&dlg);
        QCOMPARE(Text(&dlg, "edtVUManufacturingDate"), QStringLiteral("03/2011"));

        const QString path = mDir.filePath(QStringLiteral("saved_Crt.xml"));
        QString proposed;
        QString filter;
        QString title;
        Technician choose;
        choose.In("QFileDialog", [&](QWidget* w) {
            title = w->windowTitle();
            filter = qobject_cast<QFileDialog*>(w)->nameFilters().join(QStringLiteral(";;"));
            ChooseFile(path, &proposed)(w);
        });
        choose.Run([&dlg] { dlg.OnSaveClick(); });
        QVERIFY2(choose.Failures().isEmpty(), choose.Report());
        QCOMPARE(title, QStringLiteral("Сохранить в файл"));
        QCOMPARE(filter, QStringLiteral(
                             "Сертификаты тахографа (*_Crt.xml);;Файлы тахографа (*.xml);;Все файлы (*.*)"));
        QVERIFY2(QRegularExpression(QStringLiteral("^%1/А123ВС43_20\\d{6}_\\d{6}_Crt\\.xml$")
                                        .arg(QRegularExpression::escape(QDir::currentPath())))
                     .match(proposed)
                     .hasMatch(),
                 qPrintable(proposed));
        QCOMPARE(ReadAll(path), SerializeRecord(dlg.BuildCertificate()));
        const QByteArray bytes = ReadAll(path);
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"Windows-1251\"?>\r\n<Certificate>\r\n"));
        QVERIFY(bytes.contains("        <Odometer>1234.5</Odometer>\r\n"));
        QVERIFY(bytes.contains("&#10003;"));
        QVERIFY(!bytes.contains("K-Const"));

        // Into a fresh dialog: every field comes back.
        CKR_CerifDlg again;
        SetText(&again, "edtVehicleVIN", QStringLiteral("OTHER VIN")); // certificates pass the check
        QCOMPARE(Load(again, path), QByteArray());
        for (const char* name :
             {"edtOrderNo", "edtCustomerName", "edtCustomerAddress", "edtVehicleManufacturer",
              "edtVehicleModel", "edtVehicleVIN", "edtVehicleRegNo", "edtVehicleTyre", "edtVUManufacturer",
              "edtVUType", "edtVUSerNo", "edtVUManufacturingDate", "edtResultLabel", "edtResultRemark"})
            QCOMPARE(Text(&again, name), Text(&dlg, name));
        QCOMPARE(Text(&again, "edtVehicleOdometer"), NumberText(1234.5));
        for (const char* name : {"dedOrderDate", "dedClbrNexDate"})
            QCOMPARE(Find<QDateEdit>(&again, name)->date(), Find<QDateEdit>(&dlg, name)->date());
        for (const char* name : {"speClbrW", "speClbrK", "speClbrL"})
            QCOMPARE(Find<QSpinBox>(&again, name)->value(), Find<QSpinBox>(&dlg, name)->value());
        for (const char* name : {"cmbResultTest", "cmbResultManitulation"})
            QCOMPARE(Find<QComboBox>(&again, name)->currentIndex(),
                     Find<QComboBox>(&dlg, name)->currentIndex());
        QCOMPARE(Find<QComboBox>(&again, "cmbOrderMaster")->currentText(), QString());
        // Saving again from the loaded form writes the same record.
        QCOMPARE(SerializeRecord(again.BuildCertificate()), bytes);
    }

    void proposedNameFallsBack()
    {
        CKR_CerifDlg dlg;
        SetText(&dlg, "edtVehicleVIN", QStringLiteral(" XTA  1 "));
        const QStringList before = QDir().entryList();
        QString proposed;
        Technician cancel;
        cancel.In("QFileDialog", ChooseFile({}, &proposed));
        cancel.Run([&dlg] { dlg.OnSaveClick(); });
        QVERIFY2(cancel.Failures().isEmpty(), cancel.Report());
        QVERIFY2(QFileInfo(proposed).fileName().startsWith(QStringLiteral("XTA 1_20")), qPrintable(proposed));

        SetText(&dlg, "edtVehicleVIN", QString());
        Technician cancel2;
        cancel2.In("QFileDialog", ChooseFile({}, &proposed));
        cancel2.Run([&dlg] { dlg.OnSaveClick(); });
        QVERIFY2(cancel2.Failures().isEmpty(), cancel2.Report());
        QVERIFY(QFileInfo(proposed).fileName().startsWith(QStringLiteral("_20")));
        // Cancelled: nothing written.
        QCOMPARE(QDir().entryList(), before);
    }

    void resultCombos_data()
    {
        QTest::addColumn<QByteArray>("test");
        QTest::addColumn<int>("index");
        QTest::newRow("two") << QByteArray("2") << 1;
        QTest::newRow("zero") << QByteArray("0") << 0;
        QTest::newRow("word") << QByteArray("yes") << 1;
        QTest::newRow("empty") << QByteArray("") << 1;
        QTest::newRow("negative") << QByteArray("-1") << 1;
    }
    void resultCombos()
    {
        QFETCH(QByteArray, test);
        QFETCH(int, index);
        QVERIFY(WriteAll(QStringLiteral("t_Crt.xml"), "<Certificate><Result><Test>" + test +
                                                          "</Test><Manipulation>" + test +
                                                          "</Manipulation></Result></Certificate>"));
        CKR_CerifDlg dlg;
        Find<QComboBox>(&dlg, "cmbResultManitulation")->setCurrentIndex(1);
        QCOMPARE(Load(dlg, mDir.filePath(QStringLiteral("t_Crt.xml"))), QByteArray());
        QCOMPARE(Find<QComboBox>(&dlg, "cmbResultTest")->currentIndex(), index);
        QCOMPARE(Find<QComboBox>(&dlg, "cmbResultManitulation")->currentIndex(), index);
        // No odometer in the file: the empty field stays empty rather than becoming 0 km.
        QCOMPARE(Text(&dlg, "edtVehicleOdometer"), QString());
    }

    void vuOdometerTakesPrecedence()
    {
        QVERIFY(WriteAll(QStringLiteral("o_Crt.xml"),
                         "<Certificate><Vehicle><Odometer>100</Odometer></Vehicle>"
                         "<VU><Odometer>250,5</Odometer></VU></Certificate>"));
        CKR_CerifDlg dlg;
        QCOMPARE(Load(dlg, mDir.filePath(QStringLiteral("o_Crt.xml"))), QByteArray());
        QCOMPARE(Text(&dlg, "edtVehicleOdometer"), NumberText(250.5));
    }

    void typedManufacturingDateSurvives()
    {
        CKR_CerifDlg dlg;
        SetText(&dlg, "edtVUSerNo", QStringLiteral("1/03 11/1/RU"));
        QCOMPARE(Text(&dlg, "edtVUManufacturingDate"), QStringLiteral("03/2011"));
        SetText(&dlg, "edtVUSerNo", QStringLiteral("1/04 12/1/RU"));
        QCOMPARE(Text(&dlg, "edtVUManufacturingDate"), QStringLiteral("04/2012"));
        SetText(&dlg, "edtVUSerNo", QStringLiteral("1/13 12/1/RU"));
        QCOMPARE(Text(&dlg, "edtVUManufacturingDate"), QStringLiteral("04/2012"));
        SetText(&dlg, "edtVUManufacturingDate", QStringLiteral("зима 2010"));
        SetText(&dlg, "edtVUSerNo", QStringLiteral("1/05 13/1/RU"));
        QCOMPARE(Text(&dlg, "edtVUManufacturingDate"), QStringLiteral("зима 2010"));
        const QDomElement vu =
            dlg.BuildCertificate().documentElement().firstChildElement(QStringLiteral("VU"));
        QCOMPARE(ReadChildText(vu, QStringLiteral("ManufacturingDate"), {}), QStringLiteral("зима 2010"));
    }

    // Each print opens its preview; a logo that is missing or unreadable is named first, with its full
    // path and the reason, and the technician stops (Нет, the default) or prints without it (Да).
    void printPreviews()
    {
        CKR_CerifDlg dlg;
        Fill(&dlg);
        dlg.show();
        const auto press = [](const QString& aButton, QString* aText) {
            return [aButton, aText](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                *aText = box ? box->text() : QString();
                for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>())
                    if (button->text() == aButton)
                        return button->click();
                w->close();
            };
        };
        for (const bool certificate : {true, false}) {
            const QString logo = certificate ? CertificateLogoFile() : LabelLogoFile();
            const QString path = QDir::toNativeSeparators(QDir::current().absoluteFilePath(logo));
            QPushButton* print =
                Find<QPushButton>(&dlg, certificate ? "btnPrinrCertificate" : "btnPrintLabel");
            QFile::remove(logo);
            QString text;
            Technician stop;
            stop.In("QMessageBox", press(QStringLiteral("Нет"), &text));
            stop.Run(print); // no preview follows: it would be a stranger
            QVERIFY2(stop.Failures().isEmpty(), stop.Report());
            QVERIFY2(text.contains(QStringLiteral("не найден")) && text.contains(path), qPrintable(text));

            QVERIFY(WriteAll(logo, "no picture"));
            QString title;
            Technician go;
            go.In("QMessageBox", press(QStringLiteral("Да"), &text));
            go.In("QPrintPreviewDialog", Technician::Answer(false, nullptr, &title));
            go.Run(print);
            QVERIFY2(go.Failures().isEmpty(), go.Report());
            QVERIFY2(text.contains(QStringLiteral("не читается")) && text.contains(path), qPrintable(text));
            QCOMPARE(title, certificate ? QStringLiteral("Сертификат") : QStringLiteral("Этикетка"));

            // A logo that reads: straight to the preview.
            QImage picture(60, 20, QImage::Format_RGB32);
            picture.fill(Qt::darkBlue);
            QVERIFY(picture.save(logo, "PNG"));
            Technician preview;
            preview.In("QPrintPreviewDialog", Technician::Answer(false, nullptr, &title));
            preview.Run(print);
            QVERIFY2(preview.Failures().isEmpty(), preview.Report());
            QFile::remove(logo);
        }
        // The print document is the form at the time of the print.
        const QDomElement root = dlg.PrintDocument().documentElement();
        QCOMPARE(root.tagName(), QStringLiteral("Certificate"));
        QCOMPARE(ReadChildText(ChildElement(root, QStringLiteral("Vehicle")), QStringLiteral("VIN"), {}),
                 QStringLiteral("XTA21099070001234"));
        QCOMPARE(
            ReadChildText(ChildElement(root, QStringLiteral("VU")), QStringLiteral("ManufacturingDate"), {}),
            QStringLiteral("03/2011"));

        // The preview's paint request draws onto whatever printer it is given.
        QPrinter pdf(QPrinter::ScreenResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(mDir.filePath(QStringLiteral("preview.pdf")));
        dlg.paintRequested_Certificate(&pdf);
        QVERIFY(QFileInfo(pdf.outputFileName()).size() > 1000);
    }

    void malformedAndUnreadableFiles()
    {
        QVERIFY(WriteAll(QStringLiteral("bad_Reg.xml"), "<Registration>\r\n<Vehicle><VIN>X</Vehicle>\r\n"));
        CKR_CerifDlg dlg;
        SetText(&dlg, "edtVehicleTyre", QStringLiteral("unchanged"));
        QString title, text;
        const QByteArray failures = Load(dlg, mDir.filePath(QStringLiteral("bad_Reg.xml")), "QMessageBox",
                                         Technician::Answer(true, &text, &title));
        QVERIFY2(failures.isEmpty(), failures);
        QCOMPARE(title, QStringLiteral("Ошибка при считывании файла."));
        QVERIFY2(
            QRegularExpression(QStringLiteral("^При считывании файла '.*bad_Reg\\.xml' возникла ошибка '.+' "
                                              "\\(строка 2, позиция \\d+\\)\\.$"))
                .match(text)
                .hasMatch(),
            qPrintable(text));
        QCOMPARE(Text(&dlg, "edtVehicleTyre"), QStringLiteral("unchanged"));

        // A file that cannot be opened (the same path the dialogs take after the file dialog).
        const QString missing = mDir.filePath(QStringLiteral("gone_Reg.xml"));
        Technician openBox;
        openBox.In("QMessageBox", Technician::Answer(true, &text, &title));
        QDomDocument doc;
        bool opened = true;
        openBox.Run([&] { opened = OpenRecord(&dlg, missing, doc); });
        QVERIFY(!opened);
        QVERIFY2(openBox.Failures().isEmpty(), openBox.Report());
        QCOMPARE(title, QStringLiteral("Ошибка при открытии файла."));
        QVERIFY2(text.startsWith(QStringLiteral("При открытии файла '%1' возникла ошибка '").arg(missing)),
                 qPrintable(text));
        QVERIFY(text.endsWith(QStringLiteral("'.")));
    }

    void unwritableRecord()
    {
        // A directory where the record should go: reported, never taken for saved.
        QVERIFY(QDir().mkdir(QStringLiteral("dir_Crt.xml")));
        CKR_CerifDlg dlg;
        Technician box;
        QString title, text;
        box.In("QMessageBox", Technician::Answer(true, &text, &title));
        bool saved = true;
        box.Run([&] { saved = SaveRecord(&dlg, QStringLiteral("dir_Crt.xml"), dlg.BuildCertificate()); });
        QVERIFY(!saved);
        QVERIFY2(box.Failures().isEmpty(), box.Report());
        QCOMPARE(title, QStringLiteral("Ошибка сохранения"));
        QCOMPARE(text, QStringLiteral("Не могу записать в файл 'dir_Crt.xml'."));
        QVERIFY(QFileInfo(QStringLiteral("dir_Crt.xml")).isDir());
    }
};

QTEST_MAIN(tst_cerifdlg)
#include "tst_cerifdlg.moc"
