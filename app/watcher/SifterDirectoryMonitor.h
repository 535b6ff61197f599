#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QTimer>

#include <chrono>

// Reports changes below one directory in batches: the first change starts a
// batch, and batchReady() follows one latency (normally 1.0 second) later on
// the event loop, however many changes came in between. Changes in the directory itself and
// in its immediate subdirectories count. The directory may be missing at
// first, or be deleted and made again: the monitor picks it up when it
// (re)appears and reports a batch then. Files may be watched too: a change
// to one (written again in place) also starts a batch.
class SifterDirectoryMonitor final : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultLatency { 1000 };

    explicit SifterDirectoryMonitor(
        const QString &directory, std::chrono::milliseconds latency = defaultLatency, QObject *parent = nullptr);

    // Starts a batch now unless one is already under way, so that a caller
    // waiting for files to settle is called again after the latency.
    void scheduleBatch();
    // Watches exactly these files (paths) from now on.
    void setWatchedFiles(const QStringList &paths);

Q_SIGNALS:
    void batchReady();

private:
    void pathChanged(const QString &path);
    void deliverBatch();
    void pollForDirectory();
    // Brings the watches in line with the directory as it is now.
    void updateWatches();
    void updateSubdirectoryWatches();
    void forgetDirectoryWatches();
    bool directoryWatched() const;
    // The watch follows the directory it was made on: the path names that
    // directory only while its identity stays the one seen then.
    bool directoryReplaced() const;
    bool watchDirectory();

    QString m_directory;
    QString m_parentDirectory;
    QFileSystemWatcher m_watcher;
    QSet<QString> m_subdirectories;
    // Device and inode of the directory when its watch was made.
    QPair<quint64, quint64> m_watchedIdentity;
    QTimer m_batchTimer;
    // Runs only while the directory is missing or cannot be watched.
    QTimer m_pollTimer;
    bool m_topLevelChanged = true;
};
