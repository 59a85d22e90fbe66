#pragma once

class QCoreApplication;

// Loads Qt's own Russian texts (file and print dialogs, preview, standard buttons, XML reader messages)
// into aApp. Returns false when the translation file is missing; the program then runs with Qt's English.
bool InstallQtTranslations(QCoreApplication& aApp);
