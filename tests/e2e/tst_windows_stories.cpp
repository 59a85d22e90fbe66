// The program on Windows as a technician runs it there: built with mingw-w64, run under Wine on a display
// with the Windows platform plugin, against a simulated unit on a pseudo-terminal that Wine offers as a
// COM port, so the program's own port search and its Windows serial port carry every byte.
// scripts/test-windows.sh starts the unit, makes the workshop folder "Мастерская" with the logos in the
// Documents folder and runs the stories in order there, with the registration number and K that
// VELMORA_STORY_REGNO and VELMORA_STORY_KCONST give; afterwards it reads both from the unit with vuctl and
// the printed certificate with pdftotext. Here the stories check the records the program writes.

#include "Technician.h"

#include "app/v02.h"
#include "link/VUError.h"
#include "records/PrintPreview.h"
#include "records/RecordFile.h"

#include <QAction>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QtTest>

namespace {

QString StoryValue(const char* aName)
{
    return qEnvironmentVariable(aName);
}

// The text at aPath ("Vehicle/RegNo/Number") of the record file aFile, empty when it cannot be read.
QString InRecord(const QString& aFile, const QString& aPath)
{
    QDomDocument doc;
    if (!ReadRecordFile(aFile, doc))
        return QStringLiteral("(unreadable %1)").arg(aFile);
    QDomElement e = doc.documentElement();
    for (const QString& tag : aPath.split(QLatin1Char('/')))
        e = e.firstChildElement(tag);
    return e.text();
}

} // namespace

class tst_windows_stories : public QObject
{
    Q_OBJECT

private:
    QDir mWorkshop;
    std::unique_ptr<v02> mLauncher;
    const QString mRegNo = StoryValue("VELMORA_STORY_REGNO");
    const QString mKConst = StoryValue("VELMORA_STORY_KCONST");

    QString InWork(const QString& aName) const { return mWorkshop.filePath(aName); }
    QAbstractButton* Button(const char* aName) { return mLauncher->findChild<QAbstractButton*>(aName); }

    void CheckBackAtLauncher(const Technician& aTech)
    {
        QVERIFY2(aTech.Failures().isEmpty(), qPrintable(aTech.Failures().join(QStringLiteral("\n"))));
        QVERIFY(mLauncher->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!mRegNo.isEmpty() && !mKConst.isEmpty(),
                 "VELMORA_STORY_REGNO and VELMORA_STORY_KCONST must be set");
        const QString dir = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                                .filePath(QStringLiteral("Мастерская"));
        mWorkshop = QDir(dir);
        QVERIFY2(QFileInfo::exists(InWork(QStringLiteral("LogoCertif.png"))), qPrintable(dir));
        QVERIFY2(QDir::setCurrent(dir), qPrintable(dir));
        mLauncher = std::make_unique<v02>();
        mLauncher->show();
        QVERIFY(QTest::qWaitForWindowExposed(mLauncher.get()));
    }

    void cleanupTestCase() { mLauncher.reset(); }

    // Программировать: the typed registration number is written and kept in a record.
    void programming()
    {
        const QString record = InWork(QStringLiteral("Программирование_Reg.xml"));
        Technician tech;
        tech.In(
            QStringLiteral("VUS_Info"),
            [&](QWidget* w) {
                Technician::Type(Technician::Find(w, QStringLiteral("edtVehicleRegNo")), mRegNo);
                tech.Click(w, QStringLiteral("btnWrite"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.ConfirmWrite(ChooseFile(record));
        tech.CloseWhenIdle(QStringLiteral("VUS_Info"));
        tech.Run(Button("btnInfo"));
        CheckBackAtLauncher(tech);
        QCOMPARE(InRecord(record, QStringLiteral("Vehicle/RegNo/Number")), mRegNo);
    }

    // Калибровать: K typed in the constants editor is written and kept in a record.
    void calibration()
    {
        const QString record = InWork(QStringLiteral("Калибровка_Clb.xml"));
        Technician tech;
        tech.In(
            QStringLiteral("VUC_Clbr"),
            [&](QWidget* w) {
                if (!Technician::Find<QAbstractButton>(w, QStringLiteral("btnImpSensorEdit"))->isEnabled())
                    tech.Click(w, QStringLiteral("chbImpSensor"));
                tech.Click(w, QStringLiteral("btnImpSensorEdit"));
            },
            Technician::Enabled(QStringLiteral("btnWrite")));
        tech.In(QStringLiteral("VUC_Edit"), [&](QWidget* w) {
            Technician::Type(Technician::Find(w, QStringLiteral("speKConst")), mKConst);
            tech.Click(w, QStringLiteral("btnWrite"));
        });
        tech.In(QStringLiteral("VUC_Clbr"), [&](QWidget* w) { tech.Click(w, QStringLiteral("btnWrite")); });
        tech.ConfirmWrite(ChooseFile(record));
        tech.CloseWhenIdle(QStringLiteral("VUC_Clbr"));
        tech.Run(Button("btnCalibr"));
        CheckBackAtLauncher(tech);
        QCOMPARE(InRecord(record, QStringLiteral("Data/K-Const")), mKConst);
    }

    // Документы: the certificate of the calibration record, printed to a PDF file. Without a printer
    // the preview prints to a file and asks for its name.
    void documents()
    {
        const QString calibration = InWork(QStringLiteral("Калибровка_Clb.xml"));
        const QString pdf = InWork(QStringLiteral("Свидетельство.pdf"));
        QFile::remove(pdf);
        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnLoad")); });
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(calibration));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnPrinrCertificate")); });
        tech.In(QStringLiteral("QPrintPreviewDialog"), [&](QWidget* w) {
            auto* preview = static_cast<QPrintPreviewDialog*>(w);
            preview->printer()->setOutputFormat(QPrinter::PdfFormat);
            preview->printer()->setOutputFileName(pdf);
            if (QAction* print = PreviewPrintAction(*preview))
                print->trigger();
        });
        // On Windows a preview that prints to a file asks for the file's name.
        tech.In(QStringLiteral("QFileDialog"), ChooseFile(pdf));
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
        tech.Run(Button("btnPrint"));
        CheckBackAtLauncher(tech);
        QVERIFY2(QFileInfo(pdf).size() > 1000, qPrintable(pdf));
    }
};

int main(int argc, char* argv[])
{
    RegisterLinkMetaTypes();
    QApplication app(argc, argv);
    // Qt's own file dialogs, which the technician of the stories can fill in, not the system's.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    tst_windows_stories stories;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&stories, argc, argv);
}

#include "tst_windows_stories.moc"
