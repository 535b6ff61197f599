// Measures merging a profile's calls into its call paths against reading
// the profile, both in this run, with the memory the paths take.
//
//     velotrace_merged_bench FILE [FILE...]
//
// The bar: on `gen_profile.py --calls 1000000 --seed 7 --shape program`,
// merging takes at most 0.3x the time of reading.

#include "CallTreeMerger.h"
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
    }
    std::sort(readTimes, readTimes + rounds);
    std::sort(mergeTimes, mergeTimes + rounds);
    const double read = readTimes[rounds / 2];
    const double merge = mergeTimes[rounds / 2];

    std::printf("%s: %.1f MB, %u calls, %u call paths\n", qPrintable(path), megabytes, callCount, pathCount);
    std::printf(
        "  read %.3f s, merge %.4f s: %.3fx reading (median of %d; bar 0.3x)\n", read, merge, merge / read, rounds);
    std::printf("  paths take %.2f MB (%.1f bytes per path); peak RSS %.1f MB after reading, %.1f MB after "
                "merging\n",
        double(pathBytes) / (1024.0 * 1024.0), pathCount ? double(pathBytes) / pathCount : 0.0, peakAfterRead,
        peakAfterMerge);
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
