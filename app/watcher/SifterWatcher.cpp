#include "SifterWatcher.h"

#include "SettingsKeys.h"
#include "SifterDocuments.h"

#include <KFUserDefaultsController.h>

#include <QFile>
#include <QLoggingCategory>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <dirent.h>

namespace {

Q_LOGGING_CATEGORY(watcherLog, "velotrace.watcher")

const QString monitorDirectoryKeyPath = QStringLiteral("values.") + VTCSifterMonitorDirectory;
const QString regexUseCustomKeyPath = QStringLiteral("values.") + VTCSifterRegexUseCustom;
const QString regexKeyPath = QStringLiteral("values.") + VTCSifterRegex;
// The directory and pattern change the list; the limits only the state.
const QStringList observedKeys { VTCSifterMonitorDirectory, VTCSifterRegexUseCustom, VTCSifterRegex,
    VTCSifterMaxLimitOpen, VTCSifterMaxFiles, VTCSifterMaxAction };

// The choices of "sifterMoxAction" once the open-file limit is reached.
enum LimitAction { StopOpening = 0, CloseOldest = 1 };

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

// The file a location names, as the system's bytes.
QByteArray nativePathOf(const QUrl &url)
{
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
}

struct DirectoryCloser
{
    void operator()(DIR *directory) const { ::closedir(directory); }
};

} // namespace

SifterWatcher::SifterWatcher(SifterDocuments &documents, std::chrono::milliseconds batchLatency, QObject *parent)
    : QObject(parent)
    , m_documents(documents)
    , m_batchLatency(batchLatency)
    , m_clock([] { return std::chrono::steady_clock::now(); })
{
    monitorConstruct();
    for (const QString &key : observedKeys)
        addObserverSharedUserDefaults(key);
    connect(&m_documents, &SifterDocuments::documentsChanged, this, &SifterWatcher::documentsCheck);
    connect(&m_documents, &SifterDocuments::openFinished, this, &SifterWatcher::documentOpenFinished);
    buildFileList(false);
}

SifterWatcher::~SifterWatcher()
{
    for (const QString &key : observedKeys)
        removeObserverSharedUserDefaults(key);
}

void SifterWatcher::start()
{
    if (m_sifterIsRunning)
        return;
    m_sifterIsRunning = true;
    Q_EMIT runningChanged(true);
}

void SifterWatcher::stop()
{
    if (!m_sifterIsRunning)
        return;
    m_sifterIsRunning = false;
    // Files still awaited are not opened by a later start either.
    stopAwaiting();
    m_tableModel.reloadData();
    Q_EMIT runningChanged(false);
}

qint64 SifterWatcher::maxOpenFiles() const
{
    return std::max<qint64>(1, defaults().integerForKey(VTCSifterMaxFiles));
}

bool SifterWatcher::limitReached() const
{
    return defaults().boolForKey(VTCSifterMaxLimitOpen) && defaults().integerForKey(VTCSifterMaxAction) != CloseOldest
        && qint64(m_watcherOpened.size()) >= maxOpenFiles();
}

SifterFileEntry *SifterWatcher::entryForName(const QString &fileName) const
{
    return entryForNativeName(QFile::encodeName(fileName));
}

SifterFileEntry *SifterWatcher::entryForNativeName(const QByteArray &nativeName) const
{
    const auto found = m_sifts.find(nativeName);
    return found == m_sifts.end() ? nullptr : found->second.get();
}

void SifterWatcher::monitorConstruct()
{
    m_monitor
        = std::make_unique<SifterDirectoryMonitor>(defaults().stringForKey(VTCSifterMonitorDirectory), m_batchLatency);
    connect(m_monitor.get(), &SifterDirectoryMonitor::batchReady, this, &SifterWatcher::directoryChangedEvent);
}

void SifterWatcher::buildFileList(bool afterEvent)
{
    const QString directory = defaults().stringForKey(VTCSifterMonitorDirectory);
    QSet<QByteArray> listed;
    listed.reserve(qsizetype(m_sifts.size()));
    // An empty setting names no directory (not the working directory).
    // Names are taken as the directory holds them, whatever their encoding.
    QString error;
    // Asked once for the whole listing: each new entry finds its document
    // among these.
    const QSet<QByteArray> openPaths = m_documents.openFilePaths();
    if (!directory.isEmpty()) {
        const std::unique_ptr<DIR, DirectoryCloser> handle(::opendir(QFile::encodeName(directory).constData()));
        if (!handle) {
            const int reason = errno;
            error = tr("Cannot watch %1: %2").arg(directory, qt_error_string(reason));
        }
        while (handle) {
            const dirent *item = ::readdir(handle.get());
            if (!item)
                break;
            const QByteArray name(item->d_name);
            if (name == "." || name == "..")
                continue;
            listed.insert(name);
            if (m_sifts.find(name) != m_sifts.end())
                continue;
            auto entry = std::make_unique<SifterFileEntry>(name, m_documents, openPaths);
            // Only names that arrived while running are opened.
            if (afterEvent && m_sifterIsRunning && entry->status() == SifterStatusReadyToOpen)
                awaitCompletion(*entry);
            m_sifts.emplace(name, std::move(entry));
        }
    }
    setDirectoryError(error);
    for (auto it = m_sifts.begin(); it != m_sifts.end();) {
        if (listed.contains(it->first)) {
            // Written again since it was opened: a new file.
            if (it->second->refreshIfRewritten() && m_sifterIsRunning && it->second->fileMatched()
                && it->second->isProfileFile())
                awaitCompletion(*it->second);
            ++it;
            continue;
        }
        m_awaited.erase(it->first);
        m_droppedEntries.push_back(std::move(it->second));
        it = m_sifts.erase(it);
    }
}

void SifterWatcher::setDirectoryError(const QString &error)
{
    if (error == m_directoryError)
        return;
    if (!error.isEmpty())
        qCWarning(watcherLog).noquote() << error;
    else
        qCInfo(watcherLog).noquote() << tr("Watching %1 again").arg(defaults().stringForKey(VTCSifterMonitorDirectory));
    m_directoryError = error;
    Q_EMIT stateChanged();
}

void SifterWatcher::awaitCompletion(SifterFileEntry &entry)
{
    if (m_awaited.find(entry.nativeName()) != m_awaited.end())
        return;
    entry.setWriting(true);
    m_awaited.emplace(entry.nativeName(), Awaited { {}, m_clock(), std::make_unique<SifterCompletionCheck>() });
}

void SifterWatcher::stopAwaiting()
{
    for (const auto &[name, awaited] : m_awaited) {
        if (SifterFileEntry *entry = entryForNativeName(name))
            entry->setWriting(false);
    }
    m_awaited.clear();
}

void SifterWatcher::directoryChangedEvent()
{
    if (isOpening()) {
        m_batchDeferred = true;
        return;
    }
    buildFileList(true);
    buildVisible();
    openCompleteFiles();
    watchOpenedFiles();
    // While the directory cannot be listed, it is looked at again each
    // latency: it may become readable without a change report.
    if (!m_directoryError.isEmpty() && m_monitor)
        m_monitor->scheduleBatch();
}

void SifterWatcher::openCompleteFiles()
{
    if (!m_sifterIsRunning)
        stopAwaiting();
    const auto now = m_clock();
    std::vector<QByteArray> complete;
    for (auto it = m_awaited.begin(); it != m_awaited.end();) {
        SifterFileEntry *entry = entryForNativeName(it->first);
        Awaited &awaited = it->second;
        const SifterFileStamp stamp = entry ? SifterFileStamp::of(entry->nativePath()) : SifterFileStamp();
        // Gone, no longer matching, or no longer a regular file: not ours
        // to open.
        if (!entry || !entry->fileMatched() || !stamp.isRegular || entry->status() == SifterStatusOpenFailed) {
            if (entry)
                entry->setWriting(false);
            it = m_awaited.erase(it);
            continue;
        }
        if (stamp != awaited.stamp) {
            awaited.stamp = stamp;
            awaited.since = now;
        }
        if (awaited.check->isComplete(entry->nativePath()) || now - awaited.since >= quietPeriod) {
            complete.push_back(it->first);
            it = m_awaited.erase(it);
        } else {
            ++it;
        }
    }
    if (!complete.empty()) {
        std::sort(complete.begin(), complete.end());
        whileOpening([this, &complete] {
            for (const QByteArray &name : complete) {
                if (SifterFileEntry *entry = entryForNativeName(name))
                    openCompleteFile(*entry);
            }
        });
        m_tableModel.sortEntries();
        m_tableModel.reloadData();
    }
    if (!m_awaited.empty() && m_monitor)
        m_monitor->scheduleBatch();
}

void SifterWatcher::openCompleteFile(SifterFileEntry &entry)
{
    entry.setWriting(false);
    if (entry.hasDocument()) {
        // Read again where it is shown (it was opened by hand while being
        // written, or written again while open), unless its document has
        // read it as it is now.
        if (!entry.wasOpened() || entry.refreshIfRewritten()) {
            m_documents.reloadDocumentForURL(entry.url());
            entry.noteRead();
        }
        return;
    }
    if (limitReached())
        return;
    m_automaticOpens.insert(entry.url());
    startOpening(entry, false);
}

void SifterWatcher::showDocuments(const std::vector<SifterFileEntry *> &entries)
{
    whileOpening([this, &entries] {
        for (SifterFileEntry *entry : entries)
            startOpening(*entry, true);
    });
    m_tableModel.sortEntries();
    m_tableModel.reloadData();
}

void SifterWatcher::startOpening(SifterFileEntry &entry, bool show)
{
    // Noted first: the open may end before the request returns.
    const QUrl url = entry.url();
    const bool alreadyPending = m_pendingOpens.contains(url);
    m_pendingOpens.insert(url);
    const bool asked = show ? entry.showDocument() : entry.openDocument();
    if (!asked && !alreadyPending)
        m_pendingOpens.remove(url);
}

void SifterWatcher::documentOpenFinished(const QUrl &url, bool opened, const QString &error)
{
    const bool automatic = m_automaticOpens.remove(url);
    if (!m_pendingOpens.remove(url))
        return; // not one the watcher asked for
    whileOpening([&] {
        // The location carries the name's bytes, whatever their encoding.
        const QByteArray nativePath = nativePathOf(url);
        SifterFileEntry *entry = entryForNativeName(nativePath.mid(nativePath.lastIndexOf('/') + 1));
        if (entry && entry->url() != url)
            entry = nullptr;
        if (entry)
            entry->openFinished(opened, error);
        if (opened && automatic)
            watcherOpened(url, entry ? entry->identity() : SifterFileIdentity(nativePathOf(url)));
    });
    m_tableModel.sortEntries();
    m_tableModel.reloadData();
}

void SifterWatcher::watcherOpened(const QUrl &url, const SifterFileIdentity &identity)
{
    m_watcherOpened.push_back({ url, identity });
    if (defaults().boolForKey(VTCSifterMaxLimitOpen) && defaults().integerForKey(VTCSifterMaxAction) == CloseOldest) {
        while (qint64(m_watcherOpened.size()) > maxOpenFiles()) {
            // Taken off first: closing tells of the change at once.
            const QUrl oldest = m_watcherOpened.front().url;
            m_watcherOpened.erase(m_watcherOpened.begin());
            m_documents.closeDocumentForURL(oldest);
        }
    }
    Q_EMIT stateChanged();
}

void SifterWatcher::watchOpenedFiles()
{
    if (!m_monitor)
        return;
    // Also those whose documents closed: a file written again under its
    // name is new, whether or not it is still shown.
    QStringList paths;
    for (const auto &[name, entry] : m_sifts) {
        if (entry->wasOpened())
            paths.append(entry->filePath());
    }
    m_monitor->setWatchedFiles(paths);
}

void SifterWatcher::whileOpening(const std::function<void()> &work)
{
    if (m_working) {
        work();
        return;
    }
    m_working = true;
    work();
    m_working = false;
    if (m_pendingOpens.isEmpty())
        runDeferredWork();
}

void SifterWatcher::runDeferredWork()
{
    if (std::exchange(m_directoryChangeDeferred, false)) {
        // A new directory makes a fresh list; the other changes are part of it.
        m_patternChangeDeferred = false;
        m_batchDeferred = false;
        directoryDidChange();
    }
    if (std::exchange(m_patternChangeDeferred, false))
        patternDidChange();
    if (std::exchange(m_batchDeferred, false))
        directoryChangedEvent();
}

void SifterWatcher::buildVisible()
{
    const bool matchingOnly = defaults().integerForKey(VTCSifterFilter) == 1;
    std::vector<SifterFileEntry *> visible;
    visible.reserve(m_sifts.size());
    for (const auto &[name, entry] : m_sifts) {
        if (!matchingOnly || entry->fileMatched())
            visible.push_back(entry.get());
    }
    m_tableModel.setEntries(std::move(visible));
    m_tableModel.sortEntries();
    // While documents open, the entries being opened may be among them.
    if (!isOpening())
        m_droppedEntries.clear();
}

void SifterWatcher::documentsCheck()
{
    // Asked once, not once per entry: a burst of new profiles brings as many
    // changes as it has files, each to be checked against every entry.
    const QSet<QByteArray> openPaths = m_documents.openFilePaths();
    for (const auto &[name, entry] : m_sifts)
        entry->checkDocument(openPaths);
    const auto closed = std::remove_if(m_watcherOpened.begin(), m_watcherOpened.end(),
        [&openPaths](const WatcherOpened &opened) { return !opened.identity.isAmong(openPaths); });
    if (closed != m_watcherOpened.end()) {
        m_watcherOpened.erase(closed, m_watcherOpened.end());
        Q_EMIT stateChanged();
    }
    watchOpenedFiles();
    m_tableModel.reloadData();
}

void SifterWatcher::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == monitorDirectoryKeyPath) {
        if (isOpening())
            m_directoryChangeDeferred = true;
        else
            directoryDidChange();
    } else if (keyPath == regexUseCustomKeyPath || keyPath == regexKeyPath) {
        if (isOpening())
            m_patternChangeDeferred = true;
        else
            patternDidChange();
    } else {
        Q_EMIT stateChanged();
    }
}

void SifterWatcher::dropAllEntries()
{
    for (auto &[name, entry] : m_sifts)
        m_droppedEntries.push_back(std::move(entry));
    m_sifts.clear();
    m_awaited.clear();
}

void SifterWatcher::directoryDidChange()
{
    m_monitor.reset();
    dropAllEntries();
    // The files already in the new directory were not made while the
    // watcher looked on, so none of them is opened.
    buildFileList(false);
    buildVisible();
    monitorConstruct();
    watchOpenedFiles();
    if (!m_directoryError.isEmpty())
        m_monitor->scheduleBatch();
    Q_EMIT stateChanged();
}

void SifterWatcher::patternDidChange()
{
    for (const auto &[name, entry] : m_sifts)
        entry->checkFileMatched();
    buildVisible();
}
