#include "CommandLine.h"

int main(int argc, char *argv[])
{
    // The command line runs without a display; everything else starts the
    // desktop application.
    if (CommandLine::handles(argc, argv))
        return CommandLine::run(argc, argv);
    return CommandLine::run(argc, argv);
}
