// Measures the watcher: velotrace_watcher_bench [FILES] [IDLE_SECONDS]
// Works in a temporary directory and a temporary settings location, so the
// user's settings are never touched.

#include "DocumentController.h"
#include "SettingsKeys.h"
#include "SifterDirectoryMonitor.h"
#include "SifterDocumentRegistry.h"
#include "SifterStatusController.h"
#include "SifterWatcher.h"

#include <KFUserDefaultsController.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

const QByteArray smallProfile = "version: 1\ncreator: bench\ncmd: /x.php\npart: 1\n\nevents: Time\n\n"
                                "fl=/x.php\nfn=main\n1 5\n\nsummary: 5\n";

bool writeFiles(const QString &directory, const QString &prefix, int count, const QByteArray &contents)
{
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/%2%3").arg(directory, prefix).arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            return false;
    }
    return true;
}

double elapsedMs(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Runs the event loop, sleeping while there is nothing to do, until
// `condition` holds or the time is up.
template <typename Condition> void waitFor(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired())
            loop.quit();
    });
    check.start(10);
    if (!condition())
        loop.exec();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One listing after a change report, as the batch runs it, in ms.
double listingMs(SifterWatcher &watcher)
{
    QElapsedTimer timer;
    timer.start();
    watcher.directoryChangedEvent();
    return elapsedMs(timer);
}

// What listing the directory costs at the least: each name read and looked
// at once, as a long listing does, in ms.
double plainListingMs(const QString &directory)
{
    QElapsedTimer timer;
    timer.start();
    const QByteArray path = QFile::encodeName(directory);
    DIR *handle = ::opendir(path.constData());
    while (const dirent *item = handle ? ::readdir(handle) : nullptr) {
        struct stat status;
        ::stat((path + '/' + item->d_name).constData(), &status);
    }
    if (handle)
        ::closedir(handle);
    return elapsedMs(timer);
}

// Processor time this process has used, in clock ticks.
long long cpuTicks()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command's closing parenthesis; user and system
    // time are the 12th and 13th of them.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

long long idleTicks(int seconds)
{
    const long long before = cpuTicks();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return cpuTicks() - before;
}

double medianListingMs(SifterWatcher &watcher, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(listingMs(watcher));
    return median(times);
}

// The longest the event loop went without running a 5 ms timer while
// `condition` did not hold yet, and how long it took to hold, in ms.
template <typename Condition> std::pair<double, double> longestStallUntil(Condition condition, int timeoutMs)
{
    QElapsedTimer since;
    since.start();
    qint64 lastTick = 0;
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = since.nsecsElapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    });
    ticker.start(5);
    waitFor(condition, timeoutMs);
    return { double(longest) / 1e6, elapsedMs(since) };
}

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrune"));
    QCoreApplication::setApplicationName(QStringLiteral("Velotrace"));
    QApplication app(argc, argv);
    registerSettingsDefaults();
    KFUserDefaultsController &defaults = KFUserDefaultsController::sharedUserDefaultsController();
    const int files = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const int idleSeconds = argc > 2 ? QByteArray(argv[2]).toInt() : 10;
    const long long baselineTicks = idleTicks(idleSeconds);

    QTemporaryDir directory;
    defaults.setObjectForKey(directory.path(), VTCSifterMonitorDirectory);
    // Every profile of the burst is to open.
    defaults.setObjectForKey(false, VTCSifterMaxLimitOpen);
    if (!writeFiles(directory.path(), QStringLiteral("request-"), files, "x")) {
        std::fprintf(stderr, "cannot write the files\n");
        return 1;
    }
    DocumentController registry;
    SifterDocumentRegistry documents(registry);

    // The baseline for the burst below: the registry opening as many
    // profiles at once, with no watcher.
    constexpr int profiles = 100;
    QTemporaryDir direct;
    writeFiles(direct.path(), QStringLiteral("cachegrind.out."), profiles, smallProfile);
    QList<QUrl> urls;
    for (int i = 0; i < profiles; ++i)
        urls.append(QUrl::fromLocalFile(direct.filePath(QStringLiteral("cachegrind.out.%1").arg(i))));
    QElapsedTimer opening;
    opening.start();
    registry.openDocuments(urls);
    waitFor([&] { return registry.documents().size() == profiles; }, 60000);
    const double directMs = elapsedMs(opening);
    registry.closeAllDocuments();
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    SifterWatcher watcher(documents);
    watcher.buildVisible();
    std::printf("first listing of %d files (entries, visible list, sort): %.1f ms\n", files, elapsedMs(timer));

    const double listing = medianListingMs(watcher, 20);
    std::vector<double> plain;
    for (int i = 0; i < 20; ++i)
        plain.push_back(plainListingMs(directory.path()));
    std::printf("later listing, nothing new, no window: %.1f ms (median of 20), %.1fx a plain listing (%.1f ms)\n",
        listing, listing / median(plain), median(plain));
    std::vector<double> visible;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer step;
        step.start();
        watcher.buildVisible();
        visible.push_back(elapsedMs(step));
    }
    std::printf("  of which the visible list and its sort: %.1f ms\n", median(visible));
    SifterStatusController window(watcher);
    window.showWindow();
    QCoreApplication::processEvents();
    std::printf("later listing, nothing new, window shown: %.1f ms (median of 20)\n", medianListingMs(watcher, 20));

    writeFiles(directory.path(), QStringLiteral("new-"), 1000, "x");
    std::printf("later listing with 1000 new names: %.1f ms\n", listingMs(watcher));

    // Bursts while running, handled by the event loop as they come.
    watcher.start();
    QCoreApplication::processEvents();
    long long batches = 0;
    QObject::connect(watcher.monitor(), &SifterDirectoryMonitor::batchReady, [&batches] { ++batches; });
    timer.restart();
    writeFiles(directory.path(), QStringLiteral("burst-"), 1000, "x");
    const qsizetype expected = watcher.entryCount() + 1000;
    waitFor([&] { return watcher.entryCount() == expected; }, 30000);
    std::printf("burst of 1000 non-matching files while running: listed after %.0f ms in %lld batch(es)\n",
        elapsedMs(timer), batches);

    batches = 0;
    timer.restart();
    writeFiles(directory.path(), QStringLiteral("cachegrind.out."), profiles, smallProfile);
    waitFor([&] { return registry.documents().size() == profiles; }, 60000);
    const double burstMs = elapsedMs(timer);
    std::printf("burst of %d matching profiles while running: %lld open after %.0f ms in %lld batch(es),\n"
                "  %.1fx the registry opening them with no watcher (%.0f ms), which waits no batch latency (%lld ms)\n",
        profiles, (long long)registry.documents().size(), burstMs, batches, burstMs / directMs, directMs,
        (long long)SifterDirectoryMonitor::defaultLatency.count());
    const bool allOpen = registry.documents().size() == profiles;

    // A burst of complete profiles far above the default open-file limit
    // (5, then stop opening), moved in at once while the window is shown.
    registry.closeAllDocuments();
    QCoreApplication::processEvents();
    constexpr int burst = 500;
    QTemporaryDir limited;
    QTemporaryDir staging;
    defaults.setObjectForKey(limited.path(), VTCSifterMonitorDirectory);
    for (const QString &key : { VTCSifterMaxLimitOpen, VTCSifterMaxFiles, VTCSifterMaxAction })
        defaults.removeObjectForKey(key);
    writeFiles(staging.path(), QStringLiteral("cachegrind.out."), burst, smallProfile);
    QList<QUrl> five;
    for (int i = 0; i < 5; ++i)
        five.append(QUrl::fromLocalFile(staging.filePath(QStringLiteral("cachegrind.out.%1").arg(i))));
    opening.restart();
    registry.openDocuments(five);
    waitFor([&] { return registry.documents().size() == 5; }, 60000);
    const double fiveMs = elapsedMs(opening);
    registry.closeAllDocuments();
    QCoreApplication::processEvents();
    const double plainBurstMs = plainListingMs(staging.path());
    QCoreApplication::processEvents();
    for (int i = 0; i < burst; ++i) {
        const QString name = QStringLiteral("cachegrind.out.%1").arg(i);
        QFile::rename(staging.filePath(name), limited.filePath(name));
    }
    // Listed at once rather than one batch latency later: the listing's own
    // cost, which the window waits for.
    const double burstListingMs = listingMs(watcher);
    const qsizetype listed = watcher.entryCount();
    const auto [stallMs, settledMs]
        = longestStallUntil([&] { return registry.readsInProgress() == 0 && registry.documents().size() >= 5; }, 60000);
    std::printf("burst of %d complete profiles, default open-file limit: %lld listed in %.1f ms, %.1fx a plain\n"
                "  listing of them (%.1f ms); %lld documents open %.0f ms later; meanwhile the window answered\n"
                "  within %.0f ms at worst, %.1fx the registry opening 5 profiles alone (%.0f ms)\n",
        burst, (long long)listed, burstListingMs, burstListingMs / plainBurstMs, plainBurstMs,
        (long long)registry.documents().size(), settledMs, std::max(stallMs, burstListingMs),
        std::max(stallMs, burstListingMs) / fiveMs, fiveMs);
    const bool limitHeld = registry.documents().size() == 5;

    // Idle: the watcher running on /tmp, against the same wait before there
    // was a watcher.
    registry.closeAllDocuments();
    defaults.setObjectForKey(QStringLiteral("/tmp"), VTCSifterMonitorDirectory);
    QCoreApplication::processEvents();
    const long long watching = idleTicks(idleSeconds);
    std::printf("idle %d s running on /tmp: %lld CPU ticks (%lld ticks in the same wait before the watcher)\n",
        idleSeconds, watching, baselineTicks);
    return allOpen && limitHeld ? 0 : 1;
}
