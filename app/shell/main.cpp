#include "AppController.h"
#include "CommandLine.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

namespace {

// The settings are stored under these names, by the command line as well,
// which creates no application object.
void setApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QCoreApplication::setApplicationName(QStringLiteral("Velotrace"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELOTRACE_VERSION));
}

// The command line follows the same display settings as the windows; they
// are read here, so that it needs no settings of its own.
[[noreturn]] void runCommandLine(int argc, char *argv[])
{
    registerSettingsDefaults();
    const KFUserDefaultsController &settings = KFUserDefaultsController::sharedUserDefaultsController();
    CommandLine commandLine({ settings.integerForKey(VTCMeasurement), settings.boolForKey(VTCDisplayDash),
        settings.boolForKey(VTCSummaryShowsInternalPhpFunctions) });
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const int status = commandLine.run(arguments, stdout, stderr);
    // A profile's tree can take as much memory as its file: the system takes
    // it back at exit at once, faster than releasing it would.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

} // namespace

int main(int argc, char *argv[])
{
    setApplicationNames();

    // The command line runs without a display; everything else starts the
    // desktop application.
    if (CommandLine::handles(argc, argv))
        runCommandLine(argc, argv);

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
