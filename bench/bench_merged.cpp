// Measures merging a profile's calls into its call paths against reading
// the profile, both in this run, with the memory the paths take; then the
// summary of every call along the root's child path with the most calls
// below it, against the summary of the root's one call.
//
//     velotrace_merged_bench FILE [FILE...]
//
// The bar: on `gen_profile.py --calls 1000000 --seed 7 --shape program`,
// merging takes at most 0.3x the time of reading.

#include "CallTreeMerger.h"
#include "FunctionSummaryMap.h"
#include "Profile.h"
#include "ProfileFileData.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int rounds = 5;

double peakResidentMegabytes()
{
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

double seconds(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

int benchmark(const QString &path)
{
    const double megabytes = double(QFileInfo(path).size()) / (1024.0 * 1024.0);
    // Medians of a few rounds, each reading and merging once, so that both
    // meet the same moments of a busy machine.
    double readTimes[rounds];
    double mergeTimes[rounds];
    double peakAfterRead = 0;
    double peakAfterMerge = 0;
    double findTimes[rounds];
    double pathSummaryTimes[rounds];
    double rootSummaryTimes[rounds];
    quint64 pathCalls = 0;
    quint64 callsBelowPath = 0;
    quint32 pathCount = 0;
    qint64 pathBytes = 0;
    quint32 callCount = 0;
    for (int round = 0; round < rounds; ++round) {
        ProfileFileData file;
        Profile profile;
        QElapsedTimer timer;
        timer.start();
        if (!file.open(path) || !profile.readFromFile(file)) {
            const QString reason = file.errorString().isEmpty() ? profile.errorString() : file.errorString();
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(reason));
            return 1;
        }
        readTimes[round] = seconds(timer);
        peakAfterRead = std::max(peakAfterRead, peakResidentMegabytes());
        timer.restart();
        const MergedCallTree paths = CallTreeMerger::merge(profile.callTree());
        mergeTimes[round] = seconds(timer);
        peakAfterMerge = std::max(peakAfterMerge, peakResidentMegabytes());
        pathCount = paths.size();
        pathBytes = paths.memoryUse();
        callCount = profile.callTree().size();

        const CallTree &tree = profile.callTree();
        const auto callsBelow = [&](quint32 path) {
            quint64 calls = 0;
            for (quint32 below = path + 1; below < paths.subtreeEnd(path); ++below)
                calls += paths.calls(below);
            return calls;
        };
        quint32 busiest = paths.root();
        for (quint32 i = 0; busiest != MergedCallTree::none && i < paths.childCount(paths.root()); ++i) {
            const quint32 child = paths.child(paths.root(), i);
            busiest = busiest == paths.root() || callsBelow(child) > callsBelow(busiest) ? child : busiest;
        }
        callsBelowPath = busiest == MergedCallTree::none ? 0 : callsBelow(busiest);
        timer.restart();
        const std::vector<quint32> calls = busiest == MergedCallTree::none
            ? std::vector<quint32>()
            : CallTreeMerger::callsOfPath(paths, tree, busiest);
        findTimes[round] = seconds(timer);
        timer.restart();
        FunctionSummaryMap::summariesBelow(profile, calls);
        pathSummaryTimes[round] = seconds(timer);
        timer.restart();
        if (profile.rootFunction())
            FunctionSummaryMap::summariesBelow(*profile.rootFunction());
        rootSummaryTimes[round] = seconds(timer);
        pathCalls = calls.size();
    }
    std::sort(readTimes, readTimes + rounds);
    std::sort(mergeTimes, mergeTimes + rounds);
    for (double *times : { findTimes, pathSummaryTimes, rootSummaryTimes })
        std::sort(times, times + rounds);
    const double read = readTimes[rounds / 2];
    const double merge = mergeTimes[rounds / 2];

    std::printf("%s: %.1f MB, %u calls, %u call paths\n", qPrintable(path), megabytes, callCount, pathCount);
    std::printf(
        "  read %.3f s, merge %.4f s: %.3fx reading (median of %d; bar 0.3x)\n", read, merge, merge / read, rounds);
    std::printf("  paths take %.2f MB (%.1f bytes per path); peak RSS %.1f MB after reading, %.1f MB after "
                "merging\n",
        double(pathBytes) / (1024.0 * 1024.0), pathCount ? double(pathBytes) / pathCount : 0.0, peakAfterRead,
        peakAfterMerge);
    const double root = rootSummaryTimes[rounds / 2];
    std::printf("  summary of a path of %llu calls, %llu below them: finding them %.4f s (%.3fx), summarising "
                "%.4f s (%.3fx the root's summary, %.4f s)\n",
        static_cast<unsigned long long>(pathCalls), static_cast<unsigned long long>(callsBelowPath),
        findTimes[rounds / 2], findTimes[rounds / 2] / root, pathSummaryTimes[rounds / 2],
        pathSummaryTimes[rounds / 2] / root, root);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList paths = app.arguments().mid(1);
    if (paths.isEmpty()) {
        std::fprintf(stderr, "usage: velotrace_merged_bench FILE [FILE...]\n");
        return 2;
    }
    int status = 0;
    for (const QString &path : paths)
        status |= benchmark(path);
    return status;
}
