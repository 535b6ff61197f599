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
    // display, unless a new one is asked for.
    QStringList files = QApplication::arguments().mid(1);
    const bool newInstance = files.removeAll(QStringLiteral("--new-instance")) > 0;
    for (QString &file : files)
        file = QFileInfo(file).absoluteFilePath();
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
