// The window program, which the program starts for everything but the
// command line.

#include "AppController.h"
#include "ApplicationNames.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

int main(int argc, char *argv[])
{
    setApplicationNames();

    QApplication application(argc, argv);
    // Lets the desktop match windows to the installed menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("velotrace"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("velotrace")));

    // The files go to the instance already running for this user and
    // display, unless a new one is asked for. Qt has taken its own options;
    // after "--" every argument is a file.
    QStringList files;
    bool newInstance = false;
    bool optionsEnded = false;
    for (const QString &argument : QApplication::arguments().mid(1)) {
        if (!optionsEnded && argument == QLatin1String("--"))
            optionsEnded = true;
        else if (!optionsEnded && argument == QLatin1String("--new-instance"))
            newInstance = true;
        else
            files << QFileInfo(argument).absoluteFilePath();
    }
    if (!newInstance && SingleInstance::handOver(files))
        return 0;

    AppController controller;
    SingleInstance instance;
    if (!newInstance) {
        QObject::connect(&instance, &SingleInstance::filesReceived, &controller, &AppController::openHandedOverFiles);
        // Another start may have begun listening since the hand-over was tried.
        if (!instance.listen() && SingleInstance::handOver(files))
            return 0;
    }
    controller.awakeFromNib();
    controller.openStartupFiles(files);
    const int status = QApplication::exec();
    controller.applicationWillTerminate();
    return status;
}
