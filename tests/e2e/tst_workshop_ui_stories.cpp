// A Russian workshop at the keyboard and on a small screen: Qt's own windows in Russian, printing from the
// preview with Ctrl+P, Tab through the documents form, the documents dialog within the screen.

#include "LauncherStory.h"

#include "app/QtTranslations.h"
#include "app/v02.h"
#include "records/PrintPreview.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QtTest>

class tst_workshop_ui_stories : public LauncherStory
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(InstallQtTranslations(*QCoreApplication::instance()), "qt6-translations-l10n installed");
        QVERIFY(OpenWorkshop(true)); // it prints
    }

    // Документы, print certificate, and in the preview only the keyboard: Tab reaches the print button,
    // Ctrl+P opens the print dialog, Enter there prints.
    void printFromPreviewByKeyboard()
    {
        const QString pdf = QDir(mWork.path()).filePath(QStringLiteral("keyboard.pdf"));
        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnPrinrCertificate")); });
        tech.In(QStringLiteral("QPrintPreviewDialog"), [&](QWidget* w) {
            auto* preview = static_cast<QPrintPreviewDialog*>(w);
            preview->printer()->setOutputFormat(QPrinter::PdfFormat);
            preview->printer()->setOutputFileName(pdf);
            const QAction* print = PreviewPrintAction(*preview);
            tech.Check(print && print->text() != QStringLiteral("Print"),
                       QStringLiteral("the preview's print action is found, and in Russian"));
            bool tabReaches = false;
            for (const QToolBar* bar : w->findChildren<QToolBar*>())
                if (const QWidget* button =
                        print ? bar->widgetForAction(const_cast<QAction*>(print)) : nullptr)
                    tabReaches = button->focusPolicy() & Qt::TabFocus;
            tech.Check(tabReaches, QStringLiteral("Tab reaches the print button"));
            QTest::keyClick(w, Qt::Key_P, Qt::ControlModifier);
        });
        tech.In(QStringLiteral("QPrintDialog"), [](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
        tech.In(QStringLiteral("VUD_Certificate"),
                [&](QWidget* w) { tech.Click(w, QStringLiteral("btnClose")); });
        tech.Run(Button("btnPrint"));
        QVERIFY2(tech.Failures().isEmpty(), qPrintable(tech.Failures().join(QStringLiteral("\n"))));
        QFile file(pdf);
        QVERIFY2(file.open(QIODevice::ReadOnly), "Ctrl+P printed the certificate");
        QCOMPARE(file.read(5), QByteArray("%PDF-"));
    }

    // The vehicle fields in the order they stand: tyre, then the odometer, then the unit's manufacturer.
    void documentsTabOrder()
    {
        const QStringList order{QStringLiteral("edtVehicleRegNo"), QStringLiteral("edtVehicleTyre"),
                                QStringLiteral("edtVehicleOdometer"), QStringLiteral("edtVUManufacturer")};
        QStringList reached;
        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            auto* first = Technician::Find<QLineEdit>(w, order.first());
            first->setFocus();
            reached << first->objectName();
            for (int i = 1; i < order.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                reached << QApplication::focusWidget()->objectName();
            }
            tech.Click(w, QStringLiteral("btnClose"));
        });
        tech.Run(Button("btnPrint"));
        QVERIFY2(tech.Failures().isEmpty(), qPrintable(tech.Failures().join(QStringLiteral("\n"))));
        QCOMPARE(reached, order);
    }

    // On a screen lower than the form the documents dialog fits the screen and its fields scroll, so
    // Закрыть stays in reach.
    void documentsWithinScreen()
    {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QRect shown;
        int scrollRange = 0;
        Technician tech;
        tech.In(QStringLiteral("VUD_Certificate"), [&](QWidget* w) {
            shown = w->frameGeometry();
            scrollRange = w->findChild<QScrollArea*>()->verticalScrollBar()->maximum();
            tech.Click(w, QStringLiteral("btnClose"));
        });
        tech.Run(Button("btnPrint"));
        QVERIFY2(tech.Failures().isEmpty(), qPrintable(tech.Failures().join(QStringLiteral("\n"))));
        if (area.height() >= 660 + 40)
            QSKIP("the screen is taller than the documents form");
        QVERIFY2(area.contains(shown), qPrintable(QStringLiteral("dialog %1,%2 %3x%4 on a screen of %5x%6")
                                                      .arg(shown.x())
                                                      .arg(shown.y())
                                                      .arg(shown.width())
                                                      .arg(shown.height())
                                                      .arg(area.width())
                                                      .arg(area.height())));
        QVERIFY(scrollRange > 0);
    }
};

QTEST_MAIN(tst_workshop_ui_stories)
#include "tst_workshop_ui_stories.moc"
