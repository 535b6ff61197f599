#include "AppController.h"
#include "CommandLine.h"
#include "SettingsKeys.h"
#include "SingleInstance.h"

#include <KFUserDefaultsController.h>

#include <QApplication>
#include <QFileInfo>
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
