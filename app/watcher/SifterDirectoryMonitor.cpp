#include "SifterDirectoryMonitor.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Device and inode of the directory at `path`, or zeros.
QPair<quint64, quint64> identityOf(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return { 0, 0 };
    return { quint64(status.st_dev), quint64(status.st_ino) };
}

} // namespace

SifterDirectoryMonitor::SifterDirectoryMonitor(
    const QString &directory, std::chrono::milliseconds latency, QObject *parent)
    : QObject(parent)
    , m_directory(directory.isEmpty() ? QString() : QDir::cleanPath(QDir(directory).absolutePath()))
{
    if (!m_directory.isEmpty() && m_directory != QDir::rootPath())
        m_parentDirectory = QFileInfo(m_directory).absolutePath();

    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(latency);
    connect(&m_batchTimer, &QTimer::timeout, this, &SifterDirectoryMonitor::deliverBatch);
    m_pollTimer.setInterval(latency);
    connect(&m_pollTimer, &QTimer::timeout, this, &SifterDirectoryMonitor::pollForDirectory);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SifterDirectoryMonitor::pathChanged);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SifterDirectoryMonitor::scheduleBatch);

    updateWatches();
}

void SifterDirectoryMonitor::scheduleBatch()
{
    if (!m_batchTimer.isActive())
        m_batchTimer.start();
}

void SifterDirectoryMonitor::setWatchedFiles(const QStringList &paths)
{
    const QStringList watchedList = m_watcher.files();
    const QSet<QString> watched(watchedList.cbegin(), watchedList.cend());
    const QSet<QString> wanted(paths.cbegin(), paths.cend());
    QStringList gone;
    for (const QString &path : watchedList) {
        if (!wanted.contains(path))
            gone.append(path);
    }
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);
    // A file deleted or replaced lost its watch along the way, so every
    // wanted one not watched now is added.
    QStringList added;
    for (const QString &path : paths) {
        if (!watched.contains(path) && QFileInfo(path).isFile())
            added.append(path);
    }
    if (!added.isEmpty())
        m_watcher.addPaths(added);
}

void SifterDirectoryMonitor::pathChanged(const QString &path)
{
    if (path == m_directory) {
        m_topLevelChanged = true;
        scheduleBatch();
    } else if (path == m_parentDirectory) {
        // The parent is watched only to notice the directory itself going,
        // coming back or being replaced; its other changes are not ours.
        if (QFileInfo(m_directory).isDir() != directoryWatched() || directoryReplaced())
            scheduleBatch();
    } else {
        scheduleBatch();
    }
}

void SifterDirectoryMonitor::deliverBatch()
{
    updateWatches();
    Q_EMIT batchReady();
}

void SifterDirectoryMonitor::pollForDirectory()
{
    if (QFileInfo(m_directory).isDir() && watchDirectory()) {
        m_pollTimer.stop();
        scheduleBatch();
    }
}

bool SifterDirectoryMonitor::directoryWatched() const
{
    return m_watcher.directories().contains(m_directory);
}

bool SifterDirectoryMonitor::directoryReplaced() const
{
    return directoryWatched() && identityOf(m_directory) != m_watchedIdentity;
}

bool SifterDirectoryMonitor::watchDirectory()
{
    m_topLevelChanged = true;
    // Tried only when it can work: the system's complaint about a failed
    // watch would otherwise come at every poll.
    if (::access(QFile::encodeName(m_directory).constData(), R_OK | X_OK) != 0 || !m_watcher.addPath(m_directory))
        return false;
    m_watchedIdentity = identityOf(m_directory);
    return true;
}

void SifterDirectoryMonitor::updateWatches()
{
    if (m_directory.isEmpty())
        return;
    if (!m_parentDirectory.isEmpty() && QFileInfo(m_parentDirectory).isDir()
        && !m_watcher.directories().contains(m_parentDirectory))
        m_watcher.addPath(m_parentDirectory);

    if (!QFileInfo(m_directory).isDir()) {
        forgetDirectoryWatches();
        m_pollTimer.start();
        return;
    }
    // Renamed away and another made in its place: the old watch would go on
    // reporting the renamed directory.
    if (directoryReplaced())
        forgetDirectoryWatches();
    if (!directoryWatched()) {
        if (!watchDirectory()) {
            // Unreadable: keep trying, it may become readable.
            m_pollTimer.start();
            return;
        }
    }
    m_pollTimer.stop();
    if (m_topLevelChanged)
        updateSubdirectoryWatches();
    m_topLevelChanged = false;
}

void SifterDirectoryMonitor::updateSubdirectoryWatches()
{
    QSet<QString> present;
    QDirIterator it(m_directory, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    while (it.hasNext())
        present.insert(it.next());

    const QStringList watched = m_watcher.directories();
    QStringList gone;
    for (const QString &path : std::as_const(m_subdirectories)) {
        if (!present.contains(path) && watched.contains(path))
            gone.append(path);
    }
    if (!gone.isEmpty())
        m_watcher.removePaths(gone);

    // Subdirectories that were deleted and made again lost their watch
    // along the way, so every present one not watched now is added.
    const QSet<QString> watchedSet(watched.cbegin(), watched.cend());
    QStringList added;
    for (const QString &path : std::as_const(present)) {
        if (!watchedSet.contains(path))
            added.append(path);
    }
    const QStringList failed = added.isEmpty() ? QStringList() : m_watcher.addPaths(added);
    for (const QString &path : failed)
        present.remove(path);
    m_subdirectories = std::move(present);
}

void SifterDirectoryMonitor::forgetDirectoryWatches()
{
    const QStringList watched = m_watcher.directories();
    QStringList ours;
    for (const QString &path : watched) {
        if (path == m_directory || m_subdirectories.contains(path))
            ours.append(path);
    }
    if (!ours.isEmpty())
        m_watcher.removePaths(ours);
    m_subdirectories.clear();
    m_topLevelChanged = true;
}
