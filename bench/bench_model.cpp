// Measures the reader in process: reading, parsing and analysing a profile,
// then the root's summaries as the document's summary table makes them (a
// profile written per function has them from reading, with its estimated
// call paths), against a `wc -l` of the same file run here, with the peak
// memory. The whole command line is measured by bench_cli.sh.
//
//     velotrace_bench FILE [FILE...]

#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfileFileData.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <sys/resource.h>

#include <cstdio>

namespace {

double peakResidentMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Pages the system had to map in, each a fault: costly on virtual machines.
long minorFaults()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

double cpuSeconds(int who)
{
    struct rusage usage = {};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Wall-clock and processor time of one `wc -l` of the file. Processor time
// is the steadier figure on a busy machine.
struct Timing
{
    double wall = 0;
    double cpu = 0;
};

Timing lineCount(const QString &path)
{
    QProcess wc;
    wc.setStandardOutputFile(QProcess::nullDevice());
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer timer;
    timer.start();
    wc.start(QStringLiteral("wc"), { QStringLiteral("-l"), path });
    wc.waitForFinished(-1);
    return { double(timer.nsecsElapsed()) / 1e9, cpuSeconds(RUSAGE_CHILDREN) - cpuBefore };
}

int benchmark(const QString &path)
{
    const double megabytes = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    // Once to warm the page cache, as the line count would otherwise pay
    // for reading the disk alone.
    lineCount(path);
    const Timing wc = lineCount(path);

    const double cpuBefore = cpuSeconds(RUSAGE_SELF);
    const long faultsBefore = minorFaults();
    QElapsedTimer timer;
    timer.start();
    ProfileFileData file;
    Profile profile;
    if (!file.open(path) || !profile.readFromFile(file)) {
        const QString reason = file.errorString().isEmpty() ? profile.errorString() : file.errorString();
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(reason));
        return 1;
    }
    const double readSeconds = double(timer.nsecsElapsed()) / 1e9;
    qsizetype summaryCount = 0;
    if (const ProfiledFunctionCall *root = profile.rootFunction())
        summaryCount = qsizetype(FunctionSummaryMap::summariesBelow(*root).size());
    const double totalSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double totalCpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
    const long faults = minorFaults() - faultsBefore;

    if (profile.isAggregated()) {
        // Written per function: the graph's figures are the summaries.
        const FunctionGraph &graph = profile.functionGraph();
        std::printf("%s: %.1f MB, aggregated: %lld functions, %lld call edges, %lld estimated paths\n",
            qPrintable(path), megabytes, static_cast<long long>(graph.size()),
            static_cast<long long>(graph.edgeCount()), static_cast<long long>(profile.estimatedCallTree().size()));
    } else {
        std::printf("%s: %.1f MB, %lld calls, %lld functions, %lld summaries\n", qPrintable(path), megabytes,
            static_cast<long long>(profile.callTree().size()), static_cast<long long>(profile.functionCount()),
            static_cast<long long>(summaryCount));
    }
    std::printf("  read+parse+analyse %.3f s, summaries %.3f s, total %.3f s = %.0f MB/s\n", readSeconds,
        totalSeconds - readSeconds, totalSeconds, megabytes / totalSeconds);
    std::printf("  wc -l %.3f s; ratio %.1fx (processor time, both threads: %.3f s against %.3f s, %.1fx)\n", wc.wall,
        totalSeconds / wc.wall, totalCpu, wc.cpu, wc.cpu > 0 ? totalCpu / wc.cpu : 0.0);
    const double peak = peakResidentMegabytes();
    std::printf("  peak RSS %.1f MB = %.2fx the file size; %ld minor page faults reading and summarising\n", peak,
        peak / megabytes, faults);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList paths = app.arguments().mid(1);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "usage: velotrace_bench FILE [FILE...]\n");
        return 2;
    }
    int status = 0;
    for (const QString &path : paths)
        status |= benchmark(path);
    return status;
}
