#include "AppController.h"
#include "CommandLine.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    // The command line runs without a display; everything else starts the
    // desktop application.
    if (CommandLine::handles(argc, argv))
        return CommandLine::run(argc, argv);

    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QApplication::setApplicationName(QStringLiteral("Velotrace"));
    QApplication::setApplicationVersion(QStringLiteral(VELOTRACE_VERSION));
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
