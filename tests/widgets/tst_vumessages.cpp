#include "Technician.h"
#include "TestScreen.h"
#include "widgets/VUMessages.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <functional>

namespace {
const QRect kScreen(40, 20, 1240, 980);
const QString kTitle = QStringLiteral("Вестра:Вельмора. v1.0");

enum class Close
{
    Button,
    CloseBox,
    Escape,
    OtherButton
};

// Runs aShow, with aAct done to the one modal dialog it opens.
void OnModal(const std::function<void(QDialog*)>& aAct, const std::function<void()>& aShow)
{
    Technician tech;
    tech.In(QStringLiteral("QDialog"), [aAct](QWidget* aWindow) {
        const QPointer<QDialog> dialog = static_cast<QDialog*>(aWindow);
        aAct(dialog);
        // A failed check returns early: never leave the dialog waiting.
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    tech.Run(aShow);
    QVERIFY2(tech.Failures().isEmpty(), tech.Report());
}

void CloseDialog(QDialog* aDialog, Close aHow, const QString& aButton, const QString& aOther = QString())
{
    switch (aHow) {
    case Close::Button:
        QTest::mouseClick(aDialog->findChild<QPushButton*>(aButton), Qt::LeftButton);
        break;
    case Close::OtherButton:
        QTest::mouseClick(aDialog->findChild<QPushButton*>(aOther), Qt::LeftButton);
        break;
    case Close::CloseBox:
        aDialog->close();
        break;
    case Close::Escape:
        QTest::keyClick(aDialog, Qt::Key_Escape);
        break;
    }
}

QPoint CentredOn(const QRect& aArea, const QSize& aSize)
{
    return {qMax(0, aArea.x() + aArea.width() / 2 - aSize.width() / 2),
            qMax(0, aArea.y() + aArea.height() / 2 - aSize.height() / 2)};
}

// The label's rich text as the user reads it: paragraphs joined by line breaks, and the bold runs.
struct RichText
{
    QString plain;
    QStringList bold;
};

RichText ReadRichText(const QString& aHtml)
{
    QTextDocument document;
    document.setHtml(aHtml);
    RichText result;
    result.plain = document.toPlainText();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().fontWeight() >= QFont::Bold)
                result.bold << it.fragment().text();
    return result;
}

// What every message dialog shows, whichever it is.
void CheckCommon(QDialog* aDialog, const QStringList& aButtons)
{
    QCOMPARE(aDialog->windowTitle(), kTitle);
    QCOMPARE(aDialog->font().pointSize(), 18);
    QVERIFY(aDialog->layout() != nullptr);
    for (const QString& name : aButtons) {
        const auto* button = aDialog->findChild<QPushButton*>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->minimumSize(), QSize(120, 40));
        QVERIFY(button->width() >= button->sizeHint().width());
    }
    // Nothing clipped: every label gets at least the room its text asks for.
    for (const QLabel* label : aDialog->findChildren<QLabel*>()) {
        QVERIFY2(label->width() >= label->minimumSizeHint().width(), qPrintable(label->objectName()));
        const int needed =
            label->hasHeightForWidth() ? label->heightForWidth(label->width()) : label->sizeHint().height();
        QVERIFY2(label->height() >= needed, qPrintable(label->objectName()));
    }
}
} // namespace

Q_DECLARE_METATYPE(Close)

class tst_vumessages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::primaryScreen()->availableGeometry(), kScreen); }

    void errorTexts_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::addColumn<QString>("arg");
        QTest::addColumn<QString>("causes");
        const QString link =
            QStringLiteral("  1. Выключили тахограф.\n  2. Отсоединили кабель.\n  3. Тахограф в "
                           "неподходящем режиме.\n  4. Неисправность тахографа, кабеля или ПК.");
        const QString refused =
            QStringLiteral("  1. Тахограф в неподходящем режиме.\n  2. Несовместимая версия "
                           "тахографа.\nТахограф вернул ошибку: ‘%1’.");
        QTest::newRow("port busy") << 1u << QString()
                                   << QStringLiteral("  1. COM-порт занят другой программой.\n  2. На ПК нет "
                                                     "COM-портов.\n  3. COM-порт неисправен или неверно "
                                                     "сконфигурирован.\n");
        QTest::newRow("no reply") << 4u << QString() << link;
        QTest::newRow("checksum") << 6u << QString() << link;
        QTest::newRow("ports tried") << 7u << QStringLiteral("1, 3")
                                     << link + QStringLiteral("\nБыли проверены COM-порты: 1, 3.");
        QTest::newRow("unknown parameter")
            << 0x40000001u << QString() << QStringLiteral("  Несовместимая версия тахографа.");
        QTest::newRow("conditions not correct")
            << 0x80000022u << QString() << refused.arg(QStringLiteral("RC_CNC"));
        QTest::newRow("unnamed reason")
            << 0x80000055u << QString()
            << QStringLiteral("  Неизвестная ошибка ‘0x0000000080000055’ – обратитесь к разработчику.");
        QTest::newRow("zero")
            << 0u << QString()
            << QStringLiteral("  Неизвестная ошибка ‘0x0000000000000000’ – обратитесь к разработчику.");
    }

    void errorTexts()
    {
        QFETCH(quint32, code);
        QFETCH(QString, arg);
        QFETCH(QString, causes);
        QString caption, message, ok;
        QPointer<QDialog> shown;
        OnModal(
            [&](QDialog* aDialog) {
                shown = aDialog;
                CheckCommon(aDialog, {QStringLiteral("btnOk")});
                caption = aDialog->findChild<QLabel*>(QStringLiteral("lblCaption"))->text();
                message = aDialog->findChild<QLabel*>(QStringLiteral("lblMessage"))->text();
                ok = aDialog->findChild<QPushButton*>(QStringLiteral("btnOk"))->text();
                aDialog->accept();
            },
            [&] { ShowVUError(code, arg, nullptr); });
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(caption, QStringLiteral("Ошибка обмена с тахографом. Возможные причины:"));
        QCOMPARE(message, causes);
        QCOMPARE(ok, QStringLiteral("     OK     "));
        QVERIFY(shown.isNull());
    }

    // Where the error and the result dialog appear, what happens to the dialog that raised them, and
    // that every way of closing them ends the same.
    void centredAndParentHidden_data()
    {
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("parentState"); // 0 none, 1 hidden, 2 visible
        QTest::addColumn<QRect>("parentGeometry");
        QTest::addColumn<Close>("how");
        const QRect g(200, 150, 800, 600);
        for (const bool result : {false, true}) {
            const char* kind = result ? "result" : "error";
            QTest::addRow("%s, no parent, button", kind) << result << 0 << QRect() << Close::Button;
            QTest::addRow("%s, hidden parent, close box", kind) << result << 1 << g << Close::CloseBox;
            QTest::addRow("%s, visible parent, button", kind) << result << 2 << g << Close::Button;
            QTest::addRow("%s, visible parent, close box", kind) << result << 2 << g << Close::CloseBox;
            QTest::addRow("%s, visible parent, escape", kind) << result << 2 << g << Close::Escape;
            QTest::addRow("%s, small parent at the corner", kind)
                << result << 2 << QRect(0, 0, 120, 80) << Close::Button;
        }
    }

    void centredAndParentHidden()
    {
        QFETCH(bool, result);
        QFETCH(int, parentState);
        QFETCH(QRect, parentGeometry);
        QFETCH(Close, how);

        std::unique_ptr<QWidget> parent;
        QRect area = kScreen;
        if (parentState > 0) {
            parent = std::make_unique<QWidget>();
            parent->setGeometry(parentGeometry);
            if (parentState == 2) {
                parent->show();
                QVERIFY(QTest::qWaitForWindowExposed(parent.get()));
                area = parent->frameGeometry();
            }
        }

        QPoint pos, expected;
        bool parentVisibleMeanwhile = false;
        QPointer<QDialog> shown;
        OnModal(
            [&](QDialog* aDialog) {
                shown = aDialog;
                CheckCommon(aDialog, {result ? QStringLiteral("okButton") : QStringLiteral("btnOk")});
                QCOMPARE(aDialog->parentWidget(), parent.get());
                pos = aDialog->pos();
                expected = CentredOn(area, aDialog->size());
                parentVisibleMeanwhile = parent && parent->isVisible();
                CloseDialog(aDialog, how, result ? QStringLiteral("okButton") : QStringLiteral("btnOk"));
            },
            [&] {
                if (result)
                    ShowVUResult(parent.get());
                else
                    ShowVUError(7, QStringLiteral("1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12"), parent.get());
            });

        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(pos, expected);
        QVERIFY(!parentVisibleMeanwhile);
        if (parent)
            QVERIFY(parent->isVisible());
        QVERIFY(shown.isNull());
    }

    void resultTexts()
    {
        RichText text;
        QSize size;
        OnModal(
            [&](QDialog* aDialog) {
                text = ReadRichText(aDialog->findChild<QLabel*>(QStringLiteral("label"))->text());
                QVERIFY(aDialog->findChild<QLabel*>(QStringLiteral("label"))->wordWrap());
                QCOMPARE(aDialog->findChild<QPushButton*>(QStringLiteral("okButton"))->text(),
                         QStringLiteral("     OK     "));
                size = aDialog->size();
                aDialog->accept();
            },
            [] { ShowVUResult(nullptr); });
        QVERIFY(!QTest::currentTestFailed());
        QCOMPARE(text.plain, QStringLiteral(" Новые данные успешно записаны в устройство."));
        QCOMPARE(text.bold, QStringList{QStringLiteral("успешно")});
        QVERIFY(size.width() >= 600 && size.height() >= 110);
    }

    void confirmAnswer_data()
    {
        QTest::addColumn<Close>("how");
        QTest::addColumn<bool>("answer");
        QTest::newRow("Да") << Close::Button << true;
        QTest::newRow("Нет") << Close::OtherButton << false;
        QTest::newRow("close box") << Close::CloseBox << false;
        QTest::newRow("escape") << Close::Escape << false;
    }

    void confirmAnswer()
    {
        QFETCH(Close, how);
        QFETCH(bool, answer);
        QPointer<QDialog> shown;
        bool answered = !answer;
        OnModal(
            [&](QDialog* aDialog) {
                shown = aDialog;
                CheckCommon(aDialog, {QStringLiteral("okButton"), QStringLiteral("cancelButton")});
                QVERIFY(aDialog->parentWidget() == nullptr);
                CloseDialog(aDialog, how, QStringLiteral("okButton"), QStringLiteral("cancelButton"));
            },
            [&] { answered = AskVUConfirm(); });
        QCOMPARE(answered, answer);
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(shown.isNull());
    }

    void confirmTexts()
    {
        RichText text;
        QString yes, no;
        QSize size;
        bool answered = true;
        OnModal(
            [&](QDialog* aDialog) {
                text = ReadRichText(aDialog->findChild<QLabel*>(QStringLiteral("label"))->text());
                yes = aDialog->findChild<QPushButton*>(QStringLiteral("okButton"))->text();
                no = aDialog->findChild<QPushButton*>(QStringLiteral("cancelButton"))->text();
                size = aDialog->size();
                aDialog->reject();
            },
            [&] { answered = AskVUConfirm(); });
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!answered);
        QCOMPARE(text.plain,
                 QStringLiteral(
                     "    Вы хотите записать в устройство новые (введенные) значения? После записи текущие "
                     "(хранимые в устройстве сейчас) данные будут потеряны.\n"
                     "\n"
                     "    Да – записать новые значения и потерять текущие.\n"
                     "    Нет – не записывать новые данные и вернуться к их редактированию."));
        QCOMPARE(text.bold, (QStringList{QStringLiteral("записать"), QStringLiteral("    Да"),
                                         QStringLiteral("    Нет")}));
        QCOMPARE(yes, QStringLiteral("     Да     "));
        QCOMPARE(no, QStringLiteral("    Нет    "));
        QVERIFY(size.width() >= 700 && size.height() >= 280);
    }
};

VELMORA_TEST_MAIN_WITH_SCREEN(tst_vumessages, kScreen)
#include "tst_vumessages.moc"
