#include "app/QtTranslations.h"
#include "app/Training.h"
#include "app/TrainingUnit.h"
#include "app/v02.h"

#include "link/VUError.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The types the worker threads queue to the dialogs, before any dialog can exist.
    RegisterLinkMetaTypes();

    QApplication app(argc, argv);
    InstallQtTranslations(app);
    // Outlives every dialog that may use it.
    const TrainingUnit trainingUnit;
    int result = 0;
    {
        // Destroyed before the application object.
        v02 window(nullptr, Qt::WindowFlags());
        MarkTraining(window);
        window.show();
        result = app.exec();
    }
    return result;
}
