#pragma once

#include "TimeUnit.h"

#include <QStringList>

#include <array>
#include <cstdio>
#include <memory>

class OutputStream;
class Profile;
struct ReportOptions;

// The display-free front end: prints a profile's summary, call tree, folded
// stacks or costs by source line, or the comparison of two profiles, for
// terminals, scripts and servers. It creates no application object and
// reads no settings: the caller hands it the user's settings.
class CommandLine
{
public:
    // The user's settings the aligned output follows.
    struct Defaults
    {
        TimeUnit timeUnit = TimeUnit::Milliseconds;
        bool displayDash = true;
        bool summaryShowsInternalFunctions = true;
        // Where --annotate looks for source files, "FROM=TO" (see PathMapping).
        QStringList pathMappings;
    };

    // True when the arguments ask for the command line rather than windows:
    // any option but Qt's own and --new-instance, up to a "--" (unknown
    // ones are usage errors there).
    static bool handles(int argc, char *argv[]);

    explicit CommandLine(const Defaults &defaults);
    // Releases the profiles read last.
    ~CommandLine();

    // Runs with the arguments after the program name; answers the exit
    // status: 0, 1 when the file cannot be read or the output written, 2 for
    // a usage error.
    int run(const QStringList &arguments, std::FILE *out, std::FILE *err);

private:
    // Reads both files and prints their comparison; false, with one line on
    // `err`, when a file cannot be read or lacks the event.
    bool diff(const QStringList &files, const QString &eventName, const ReportOptions &report, OutputStream &output,
        std::FILE *err);

    Defaults m_defaults;
    // Kept until the object goes, so that a caller about to exit need not
    // wait for a large tree to be released.
    std::array<std::unique_ptr<Profile>, 2> m_profiles;
};
