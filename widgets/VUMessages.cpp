#include "widgets/VUMessages.h"

#include "ui_VU_Confirm.h"
#include "ui_VU_Error.h"
#include "ui_VU_Result.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QVariant>

#include <functional>

void ShowVUError(TKR_VUError aCode, const QString& aArg, QWidget* aParent)
{
    ShowVUErrorCauses(VUErrorCauses(aCode, aArg), aParent);
}

void ShowVUErrorCauses(const QString& aCauses, QWidget* aParent)
{
    auto* dialog = new QDialog(aParent);
    Ui::VU_Error form;
    form.setupUi(dialog);
    form.lblMessage->setText(aCauses);
    ExecCentered(dialog);
}

void ShowVUErrorAccount(TKR_VUError aCode, const QString& aAccount, QWidget* aParent)
{
    auto* dialog = new QDialog(aParent);
    Ui::VU_Error form;
    form.setupUi(dialog);
    form.lblMessage->setText(VUErrorCauses(aCode, QString()) + QStringLiteral("\n\n") + aAccount);
    // A list of names can be longer than the dialog is wide.
    form.lblMessage->setWordWrap(true);
    ExecCentered(dialog);
}

void ShowVUNotice(const QString& aCaption, const QString& aMessage, QWidget* aParent)
{
    auto* dialog = new QDialog(aParent);
    Ui::VU_Error form;
    form.setupUi(dialog);
    form.lblCaption->setText(aCaption);
    form.lblMessage->setText(aMessage);
    form.lblMessage->setWordWrap(true);
    ExecCentered(dialog);
}

void ShowVUResult(QWidget* aParent)
{
    auto* dialog = new QDialog(aParent);
    Ui::VU_Result form;
    form.setupUi(dialog);
    ExecCentered(dialog);
}

namespace {
// The forms are laid out for the fonts of their designer; grow the dialog where the text needs more room
// (a word-wrapped label needs its height for the dialog's width), before it is placed and shown.
void FitToText(QDialog* aDialog)
{
    QLayout* layout = aDialog->layout();
    if (!layout)
        return;
    layout->activate();
    if (layout->hasHeightForWidth()) {
        const int height = layout->totalHeightForWidth(aDialog->width());
        if (height > aDialog->height())
            aDialog->resize(aDialog->width(), height);
    }
}
} // namespace

bool AskVUConfirm()
{
    return AskVUConfirm(QString());
}

namespace {

// The confirmation window; aEdit changes its question. With aNoByDefault, Enter answers "Нет".
bool RunConfirm(const std::function<void(QLabel*)>& aEdit, bool aNoByDefault)
{
    QDialog dialog;
    Ui::VU_Confirm form;
    form.setupUi(&dialog);
    aEdit(form.label);
    if (aNoByDefault) {
        form.okButton->setAutoDefault(false);
        form.okButton->setDefault(false);
        form.cancelButton->setDefault(true);
        form.cancelButton->setFocus();
    }
    FitToText(&dialog);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

bool AskVUConfirm(const QString& aQuestion, bool aNoByDefault)
{
    return RunConfirm(
        [&aQuestion](QLabel* aLabel) {
            if (!aQuestion.isEmpty())
                aLabel->setText(aQuestion);
        },
        aNoByDefault);
}

bool AskVUConfirmDespite(const QString& aWarning)
{
    return RunConfirm(
        [&aWarning](QLabel* aLabel) {
            QString text = aLabel->text();
            const qsizetype body = text.indexOf(QLatin1String("<body"));
            const qsizetype at = body >= 0 ? text.indexOf(QLatin1Char('>'), body) + 1 : 0;
            text.insert(at, QStringLiteral("<p><b>Внимание!</b> %1</p><p></p>").arg(aWarning));
            aLabel->setText(text);
        },
        true);
}

namespace {
const char* const kPlaceProperty = "velmoraPlaceBeforeChild";
}

void HideWhileChildRuns(QWidget* aWindow)
{
    aWindow->setProperty(kPlaceProperty, aWindow->pos());
    // QDialog::setVisible(false) also exits the dialog's modal event loop: hide it as a plain widget.
    aWindow->QWidget::setVisible(false);
}

void ShowAfterChild(QWidget* aWindow)
{
    // A window manager puts a window that was placed by itself, not by the program, back one title bar
    // lower each time it is mapped again; moved by the program, it comes back where it was.
    const QVariant place = aWindow->property(kPlaceProperty);
    if (place.isValid())
        aWindow->move(place.toPoint());
    aWindow->show();
}

void ExecCentered(QDialog* aDialog)
{
    // The size centred must be the size shown.
    FitToText(aDialog);

    const QPointer<QWidget> parent = aDialog->parentWidget();
    const QRect area = parent && parent->isVisible() ? parent->frameGeometry()
                                                     : QGuiApplication::primaryScreen()->availableGeometry();
    const int x = qMax(0, area.x() + area.width() / 2 - aDialog->width() / 2);
    const int y = qMax(0, area.y() + area.height() / 2 - aDialog->height() / 2);
    aDialog->move(x, y);

    if (parent)
        HideWhileChildRuns(parent);
    const QPointer<QDialog> guard = aDialog;
    aDialog->exec();
    if (parent)
        ShowAfterChild(parent);
    delete guard.data();
}
