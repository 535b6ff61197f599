#include "AppController.h"
#include "CommandLine.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    // The settings are stored under these names, by the command line as well,
    // which creates no application object.
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QCoreApplication::setApplicationName(QStringLiteral("Velotrace"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELOTRACE_VERSION));

    // The command line runs without a display; everything else starts the
    // desktop application.
    if (CommandLine::handles(argc, argv))
        return CommandLine::run(argc, argv);

    QApplication application(argc, argv);
    // Lets the desktop match windows to the installed menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("velotrace"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("velotrace")));

    AppController controller;
    controller.awakeFromNib();
    controller.openStartupFiles(QApplication::arguments().mid(1));
    const int status = QApplication::exec();
    controller.applicationWillTerminate();
    return status;
}
