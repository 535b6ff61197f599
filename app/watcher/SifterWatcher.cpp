#include "SifterWatcher.h"

#include "SettingsKeys.h"
#include "SifterDocuments.h"
#include "SifterFileEntry.h"

#include <KFUserDefaultsController.h>

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

namespace {

const QString monitorDirectoryKeyPath = QStringLiteral("values.") + VTCSifterMonitorDirectory;
const QString regexUseCustomKeyPath = QStringLiteral("values.") + VTCSifterRegexUseCustom;
const QString regexKeyPath = QStringLiteral("values.") + VTCSifterRegex;

KFUserDefaultsController &defaults()
{
    return KFUserDefaultsController::sharedUserDefaultsController();
}

} // namespace

SifterWatcher::SifterWatcher(SifterDocuments &documents, std::chrono::milliseconds batchLatency, QObject *parent)
    : QObject(parent)
    , m_documents(documents)
    , m_batchLatency(batchLatency)
{
    monitorConstruct();
    addObserverSharedUserDefaults(VTCSifterMonitorDirectory);
    addObserverSharedUserDefaults(VTCSifterRegexUseCustom);
    addObserverSharedUserDefaults(VTCSifterRegex);
    connect(&m_documents, &SifterDocuments::documentsChanged, this, &SifterWatcher::documentsCheck);
    connect(&m_documents, &SifterDocuments::openFinished, this, &SifterWatcher::documentOpenFinished);
    buildFileList(false);
}

SifterWatcher::~SifterWatcher()
{
    removeObserverSharedUserDefaults(VTCSifterMonitorDirectory);
    removeObserverSharedUserDefaults(VTCSifterRegexUseCustom);
    removeObserverSharedUserDefaults(VTCSifterRegex);
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
    // Files still settling are not opened by a later start either.
    m_settling.clear();
    Q_EMIT runningChanged(false);
}

SifterFileEntry *SifterWatcher::entryForName(const QString &fileName) const
{
    const auto found = m_sifts.find(fileName);
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
    ++m_listingCount;
    QSet<QString> listed;
    listed.reserve(qsizetype(m_sifts.size()));
    // An empty setting names no directory (not the working directory); a
    // missing or unreadable one lists nothing.
    if (!directory.isEmpty()) {
        QDirIterator it(directory, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QString name = it.fileName();
            listed.insert(name);
            if (m_sifts.find(name) != m_sifts.end())
                continue;
            auto entry = std::make_unique<SifterFileEntry>(name, m_documents);
            // Only names that arrived while running are opened, and only
            // once the profiler has finished writing them.
            if (afterEvent && m_sifterIsRunning && entry->status() == SifterStatusReadyToOpen)
                m_settling.insert(name, { entry->fileSize(), m_listingCount });
            m_sifts.emplace(name, std::move(entry));
        }
    }
    for (auto it = m_sifts.begin(); it != m_sifts.end();) {
        if (listed.contains(it->first)) {
            ++it;
            continue;
        }
        m_settling.remove(it->first);
        m_droppedEntries.push_back(std::move(it->second));
        it = m_sifts.erase(it);
    }
}

void SifterWatcher::directoryChangedEvent()
{
    if (isOpening()) {
        m_batchDeferred = true;
        return;
    }
    buildFileList(true);
    buildVisible();
    openSettledFiles();
}

void SifterWatcher::openSettledFiles()
{
    if (!m_sifterIsRunning)
        m_settling.clear();
    QStringList settled;
    for (auto it = m_settling.begin(); it != m_settling.end();) {
        const SifterFileEntry *entry = entryForName(it.key());
        // Opened elsewhere meanwhile, or no longer matching: not ours to open.
        if (!entry || entry->status() != SifterStatusReadyToOpen) {
            it = m_settling.erase(it);
            continue;
        }
        // Seen for the first time just now: its size is looked at again
        // after the next batch's latency.
        if (it->listing == m_listingCount) {
            ++it;
            continue;
        }
        const QFileInfo info(entry->filePath());
        if (!info.exists()) {
            // Gone; the next listing drops the entry.
            it = m_settling.erase(it);
        } else if (info.size() == it->size) {
            settled.append(it.key());
            it = m_settling.erase(it);
        } else {
            it->size = info.size();
            ++it;
        }
    }
    if (!settled.isEmpty()) {
        settled.sort();
        whileOpening([this, &settled] {
            for (const QString &name : std::as_const(settled)) {
                if (SifterFileEntry *entry = entryForName(name))
                    startOpening(*entry, false);
            }
        });
        m_tableModel.sortEntries();
        m_tableModel.reloadData();
    }
    if (!m_settling.isEmpty() && m_monitor)
        m_monitor->scheduleBatch();
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
    if (!m_pendingOpens.remove(url))
        return; // not one the watcher asked for
    whileOpening([&] {
        SifterFileEntry *entry = entryForName(QFileInfo(url.toLocalFile()).fileName());
        if (entry && entry->url() == url)
            entry->openFinished(opened, error);
    });
    m_tableModel.sortEntries();
    m_tableModel.reloadData();
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
    for (const auto &[name, entry] : m_sifts)
        entry->checkDocument();
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
    }
}

void SifterWatcher::dropAllEntries()
{
    for (auto &[name, entry] : m_sifts)
        m_droppedEntries.push_back(std::move(entry));
    m_sifts.clear();
    m_settling.clear();
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
}

void SifterWatcher::patternDidChange()
{
    for (const auto &[name, entry] : m_sifts)
        entry->checkFileMatched();
    buildVisible();
}
