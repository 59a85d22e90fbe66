#include "app/Training.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

bool IsTrainingWorkshop()
{
    return QFileInfo(QDir::current().filePath(QString::fromLatin1(kTrainingMarker))).isFile();
}

void MarkTraining(QWidget& aLauncher)
{
    if (IsTrainingWorkshop())
        aLauncher.setWindowTitle(aLauncher.windowTitle() + QStringLiteral(" — учебный режим"));
}
