// The program: the command line, which loads QtCore alone, so that a run
// on a small profile is mostly the reading; anything else is handed to the
// window program, which loads the desktop libraries.

#include "ApplicationNames.h"
#include "CommandLine.h"
#include "SettingsKeys.h"

#include <KFUserDefaultsController.h>

#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

// The command line follows the same display settings as the windows; they
// are read here, so that it needs no settings of its own.
[[noreturn]] void runCommandLine(int argc, char *argv[])
{
    setApplicationNames();
    registerSettingsDefaults();
    const KFUserDefaultsController &settings = KFUserDefaultsController::sharedUserDefaultsController();
    CommandLine commandLine({ timeUnitFromSetting(settings.integerForKey(VTCMeasurement)),
        settings.boolForKey(VTCDisplayDash), settings.boolForKey(VTCSummaryShowsInternalPhpFunctions),
        settings.objectForKey(VTCPathMappings).toStringList() });
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

// The window program lies at VELOTRACE_WINDOW_PROGRAM from this program's
// folder, installed or built; it takes this process over with the same
// arguments.
[[noreturn]] void startWindows(char *argv[])
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string program = (self.parent_path() / VELOTRACE_WINDOW_PROGRAM).string();
    execv(program.c_str(), argv);
    std::fprintf(stderr, "velotrace: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    std::exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    if (CommandLine::handles(argc, argv))
        runCommandLine(argc, argv);
    startWindows(argv);
}
