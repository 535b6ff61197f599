#include "SifterDirectoryMonitor.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int timeout = 15000;

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

} // namespace

class TestSifterDirectoryMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void burstIsOneBatch()
    {
        QTemporaryDir dir;
        SifterDirectoryMonitor monitor(dir.path());
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);
        for (int i = 0; i < 500; ++i)
            QVERIFY(touch(dir.filePath(QString::number(i))));
        for (int i = 0; i < 250; ++i)
            QVERIFY(QFile::remove(dir.filePath(QString::number(i))));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        // A later change is a batch of its own, so the burst gave one.
        QVERIFY(touch(dir.filePath("later")));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
    }

    void scheduledBatchWithoutChanges()
    {
        QTemporaryDir dir;
        SifterDirectoryMonitor monitor(dir.path());
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);
        monitor.scheduleBatch();
        monitor.scheduleBatch();
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        QVERIFY(touch(dir.filePath("later")));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
    }

    void subdirectoriesAreWatched()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("old/deeper"));
        SifterDirectoryMonitor monitor(dir.path());
        QVERIFY(monitor.watchedPaths().contains(dir.filePath("old")));
        // Only immediate subdirectories.
        QVERIFY(!monitor.watchedPaths().contains(dir.filePath("old/deeper")));
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);

        QVERIFY(touch(dir.filePath("old/file")));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);

        QVERIFY(QDir(dir.path()).mkdir("new"));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
        QVERIFY(monitor.watchedPaths().contains(dir.filePath("new")));
        QVERIFY(touch(dir.filePath("new/file")));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 3, timeout);

        // Deleted and made again within one batch: watched again.
        QVERIFY(QDir(dir.filePath("new")).removeRecursively());
        QVERIFY(QDir(dir.path()).mkdir("new"));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 4, timeout);
        QVERIFY(monitor.watchedPaths().contains(dir.filePath("new")));
        QVERIFY(touch(dir.filePath("new/again")));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 5, timeout);

        QVERIFY(QDir(dir.filePath("old")).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 6, timeout);
        QVERIFY(!monitor.watchedPaths().contains(dir.filePath("old")));
    }

    void directoryDeletedAndMadeAgain()
    {
        QTemporaryDir parent;
        const QString path = parent.filePath("watched");
        QVERIFY(QDir().mkdir(path));
        SifterDirectoryMonitor monitor(path);
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);

        QVERIFY(QDir(path).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        QVERIFY(!monitor.watchedPaths().contains(path));

        QVERIFY(QDir().mkdir(path));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
        QVERIFY(monitor.watchedPaths().contains(path));
        QVERIFY(touch(path + "/file"));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 3, timeout);
    }

    void directoryRenamedAwayAndReplaced()
    {
        QTemporaryDir parent;
        const QString path = parent.filePath("watched");
        QVERIFY(QDir().mkdir(path));
        SifterDirectoryMonitor monitor(path);
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);

        QVERIFY(QDir().rename(path, parent.filePath("old")));
        QVERIFY(QDir().mkdir(path));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        // The new directory is the one watched now.
        QVERIFY(touch(path + "/file"));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
    }

    void missingUntilMadeWithItsParent()
    {
        QTemporaryDir root;
        const QString path = root.filePath("a/b/watched");
        SifterDirectoryMonitor monitor(path);
        QVERIFY(!monitor.watchedPaths().contains(path));
        QSignalSpy batches(&monitor, &SifterDirectoryMonitor::batchReady);
        QVERIFY(QDir().mkpath(path));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 1, timeout);
        QVERIFY(monitor.watchedPaths().contains(path));
        QVERIFY(touch(path + "/file"));
        QTRY_COMPARE_WITH_TIMEOUT(batches.size(), 2, timeout);
    }

    void noDirectory()
    {
        SifterDirectoryMonitor monitor(QString{});
        QVERIFY(monitor.watchedPaths().isEmpty());
        QCOMPARE(monitor.directory(), QString());
    }
};

QTEST_MAIN(TestSifterDirectoryMonitor)
#include "tst_sifterdirectorymonitor.moc"
