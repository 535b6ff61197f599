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

// The pattern used unless the user chose a custom one.
const QString defaultPattern = QStringLiteral("cachegrind\\..*");

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
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
    , m_waiter([this](const QByteArray &name) { return entryForNativeName(name); })
    , m_pattern(defaultPattern)
{
    choosePattern();
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
    m_waiter.clear();
    m_tableModel.reloadData();
    Q_EMIT runningChanged(false);
}

qsizetype SifterWatcher::failedCount() const
{
    return std::count_if(m_sifts.begin(), m_sifts.end(),
        [](const auto &named) { return named.second->status() == SifterStatusOpenFailed; });
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

void SifterWatcher::choosePattern()
{
    const QString wanted
        = defaults().boolForKey(VTCSifterRegexUseCustom) ? defaults().stringForKey(VTCSifterRegex) : defaultPattern;
    SifterPattern pattern(wanted);
    if (pattern.isValid()) {
        m_pattern = std::move(pattern);
        m_patternError.clear();
        return;
    }
    m_patternError = tr("The pattern \u201c%1\u201d is not valid (%2): names are matched with \u201c%3\u201d.")
                         .arg(wanted, pattern.errorString(), m_pattern.pattern());
}

void SifterWatcher::buildFileList(bool afterEvent)
{
    const QString directory = defaults().stringForKey(VTCSifterMonitorDirectory);
    const QByteArray nativeDirectory = QFile::encodeName(directory);
    QSet<QByteArray> listed;
    listed.reserve(qsizetype(m_sifts.size()));
    // An empty setting names no directory (not the working directory).
    // Names are taken as the directory holds them, whatever their encoding.
    QString error;
    // Asked once for the whole listing: each new entry finds its document
    // among these.
    const QSet<QByteArray> openPaths = m_documents.openFilePaths();
    if (!directory.isEmpty()) {
        const std::unique_ptr<DIR, DirectoryCloser> handle(::opendir(nativeDirectory.constData()));
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
            auto entry = std::make_unique<SifterFileEntry>(nativeDirectory, name, m_pattern, m_documents, openPaths);
            // Only names that arrived while running are opened.
            if (afterEvent && m_sifterIsRunning && entry->status() == SifterStatusReadyToOpen && !cameBack(*entry))
                m_waiter.await(*entry);
            m_sifts.emplace(name, std::move(entry));
        }
    }
    setDirectoryError(error);
    if (error.isEmpty())
        m_goneWithDirectory.clear();
    for (auto it = m_sifts.begin(); it != m_sifts.end();) {
        SifterFileEntry &entry = *it->second;
        if (listed.contains(it->first)) {
            // Written again since it was opened: a new file.
            if (entry.refreshIfRewritten() && m_sifterIsRunning && entry.fileMatched() && entry.isProfileFile())
                m_waiter.await(entry);
            ++it;
            continue;
        }
        if (!error.isEmpty())
            m_goneWithDirectory.emplace(it->first, entry.stamp());
        m_waiter.forget(it->first);
        m_droppedEntries.push_back(std::move(it->second));
        it = m_sifts.erase(it);
    }
}

bool SifterWatcher::cameBack(const SifterFileEntry &entry) const
{
    const auto gone = m_goneWithDirectory.find(entry.nativeName());
    return gone != m_goneWithDirectory.end() && gone->second == entry.stamp();
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

void SifterWatcher::directoryChangedEvent()
{
    const qsizetype failed = failedCount();
    buildFileList(true);
    buildVisible();
    if (failedCount() != failed)
        Q_EMIT stateChanged();
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
        m_waiter.clear();
    std::vector<SifterFileEntry *> toOpen;
    bool changed = false;
    for (SifterFileEntry *entry : m_waiter.completeEntries()) {
        changed = true;
        if (entry->hasDocument() || entry->isOpening()) {
            m_waiter.forget(entry->nativeName());
            // Read again where it is shown (it was opened by hand while being
            // written, or written again while open), unless its document has
            // read it as it is now.
            if (entry->hasDocument() && (!entry->wasOpened() || entry->refreshIfRewritten())) {
                m_documents.reloadDocument(entry->file());
                entry->noteRead();
            }
            continue;
        }
        toOpen.push_back(entry);
    }
    const SifterOpenLimit::Choice choice = m_limit.choose(qsizetype(toOpen.size()));
    for (const FileIdentity &file : choice.close)
        m_documents.closeDocument(file);
    for (qsizetype i = 0; i < qsizetype(toOpen.size()); ++i) {
        if (i >= choice.first - choice.wait && i < choice.first)
            continue;
        SifterFileEntry &entry = *toOpen[size_t(i)];
        m_waiter.forget(entry.nativeName());
        if (i < choice.first || i >= choice.first + choice.open)
            continue;
        // Counted first: the open may end before the request returns.
        m_limit.opening(entry.file());
        if (!entry.openDocument(false))
            m_limit.finished(entry.file(), false);
    }
    if (changed) {
        listChanged();
        Q_EMIT stateChanged();
    }
    if (!m_waiter.isEmpty() && m_monitor)
        m_monitor->scheduleBatch();
}

void SifterWatcher::showDocuments(const std::vector<SifterFileEntry *> &entries)
{
    for (SifterFileEntry *entry : entries)
        entry->showDocument();
    listChanged();
}

void SifterWatcher::documentOpenFinished(const FileIdentity &file, bool opened, const QString &error)
{
    const bool automatic = m_limit.finished(file, opened);
    const QByteArray &path = file.nativePath();
    SifterFileEntry *entry = entryForNativeName(path.mid(path.lastIndexOf('/') + 1));
    if (entry && entry->file() == file && entry->isOpening())
        entry->openFinished(opened, !error.isEmpty());
    else
        entry = nullptr;
    // The file list shows what failed; the log keeps why.
    if (automatic && !error.isEmpty())
        qCWarning(watcherLog).noquote() << error;
    if (!automatic && !entry)
        return;
    listChanged();
    Q_EMIT stateChanged();
}

void SifterWatcher::listChanged()
{
    m_tableModel.sortEntries();
    m_tableModel.reloadData();
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
    m_droppedEntries.clear();
}

void SifterWatcher::documentsCheck()
{
    // Asked once, not once per entry: a burst of new profiles brings as many
    // changes as it has files, each to be checked against every entry.
    const QSet<QByteArray> openPaths = m_documents.openFilePaths();
    for (const auto &[name, entry] : m_sifts)
        entry->checkDocument(openPaths);
    if (m_limit.documentsChanged(openPaths))
        Q_EMIT stateChanged();
    watchOpenedFiles();
    m_tableModel.reloadData();
}

void SifterWatcher::observeValueForKeyPath(const QString &keyPath, QObject *, const QVariantMap &, void *)
{
    if (keyPath == monitorDirectoryKeyPath)
        directoryDidChange();
    else if (keyPath == regexUseCustomKeyPath || keyPath == regexKeyPath)
        patternDidChange();
    else
        Q_EMIT stateChanged();
}

void SifterWatcher::dropAllEntries()
{
    m_waiter.clear();
    for (auto &[name, entry] : m_sifts)
        m_droppedEntries.push_back(std::move(entry));
    m_sifts.clear();
    m_goneWithDirectory.clear();
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
    choosePattern();
    for (const auto &[name, entry] : m_sifts)
        entry->checkFileMatched(m_pattern);
    buildVisible();
    Q_EMIT stateChanged();
}
