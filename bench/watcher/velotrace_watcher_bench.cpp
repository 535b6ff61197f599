// Measures the watcher: velotrace_watcher_bench [FILES]
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
#include <QElapsedTimer>
#include <QFile>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QByteArray smallProfile = "version: 1\ncreator: bench\ncmd: /x.php\npart: 1\n\nevents: Time\n\n"
                                "fl=/x.php\nfn=main\n1 5\n\n";

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

template <typename Condition> void waitFor(Condition condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
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

double medianListingMs(SifterWatcher &watcher, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(listingMs(watcher));
    return median(times);
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

    QTemporaryDir directory;
    defaults.setObjectForKey(directory.path(), VTCSifterMonitorDirectory);
    if (!writeFiles(directory.path(), QStringLiteral("request-"), files, "x")) {
        std::fprintf(stderr, "cannot write the files\n");
        return 1;
    }
    DocumentController registry;
    SifterDocumentRegistry documents(registry);

    QElapsedTimer timer;
    timer.start();
    SifterWatcher watcher(documents);
    watcher.buildVisible();
    std::printf("first listing of %d files (entries, visible list, sort): %.1f ms\n", files, elapsedMs(timer));

    std::printf("later listing, nothing new, no window: %.1f ms (median of 20)\n", medianListingMs(watcher, 20));
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

    constexpr int profiles = 100;
    batches = 0;
    timer.restart();
    writeFiles(directory.path(), QStringLiteral("cachegrind.out."), profiles, smallProfile);
    waitFor([&] { return registry.documents().size() == profiles; }, 60000);
    std::printf("burst of %d matching profiles while running: all open after %.0f ms in %lld batch(es)\n", profiles,
        elapsedMs(timer), batches);
    return registry.documents().size() == profiles ? 0 : 1;
}
