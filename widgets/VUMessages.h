#pragma once

#include "link/VUError.h"

#include <QString>

class QDialog;
class QWidget;

// Exchange error dialog: the possible causes for aCode (aArg fills in the tried ports for code 7),
// centred over aParent, which stays hidden meanwhile.
void ShowVUError(TKR_VUError aCode, const QString& aArg, QWidget* aParent);
// The same dialog with aAccount below the causes for aCode (what a write cut short left in the unit).
void ShowVUErrorAccount(TKR_VUError aCode, const QString& aAccount, QWidget* aParent);
// The same dialog with a causes text made by the caller (a port search's full account).
void ShowVUErrorCauses(const QString& aCauses, QWidget* aParent);

// "New data written" dialog, centred over aParent, which stays hidden meanwhile.
void ShowVUResult(QWidget* aParent);

// A message in the exchange error dialog's form: aCaption above, aMessage below, centred over aParent,
// which stays hidden meanwhile.
void ShowVUNotice(const QString& aCaption, const QString& aMessage, QWidget* aParent);

// Asks before a write; true when the user answered "Да".
bool AskVUConfirm();
// The same dialog with a question of its own (rich text) above "Да" and "Нет"; with aNoByDefault, Enter
// answers "Нет".
bool AskVUConfirm(const QString& aQuestion, bool aNoByDefault = false);
// The usual question after a warning (rich text) of what the unit will do with the values; "Нет" is the
// default button, so that Enter writes nothing.
bool AskVUConfirmDespite(const QString& aWarning);

// Hides aWindow while a window of its own runs, without ending aWindow's modal run (QDialog::hide()
// would end it, and the dialog that called exec() on aWindow would go on and destroy it).
void HideWhileChildRuns(QWidget* aWindow);

// Shows aWindow again after HideWhileChildRuns, where it was before.
void ShowAfterChild(QWidget* aWindow);

// Centres aDialog over its visible parent (or the screen), hides the parent while the dialog runs
// modally, shows the parent again and deletes the dialog.
void ExecCentered(QDialog* aDialog);
