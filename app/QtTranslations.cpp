#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& aApp)
{
    // The program's own texts are Russian already; only Qt's windows and messages need translating,
    // whatever the PC's locale says.
    auto* translator = new QTranslator(&aApp);
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qWarning() << "qtbase_ru.qm not found in" << QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
