#pragma once

#include <QStringList>

#include <cstdio>

// The display-free front end: prints a profile's summary or call tree for
// terminals, scripts and servers. No application object is created.
class CommandLine
{
public:
    // True when the arguments ask for the command line rather than windows.
    static bool handles(int argc, char *argv[]);
    static int run(int argc, char *argv[]);

    // The same with the arguments after the program name and the two streams,
    // for tests.
    static int run(const QStringList &arguments, std::FILE *out, std::FILE *err);
};
