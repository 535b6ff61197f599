#pragma once

#include "SifterDirectoryMonitor.h"
#include "SifterTableModel.h"

#include <KFSharedDefaultsObserver.h>

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class SifterDocuments;
class SifterFileEntry;

// The watcher: keeps one entry per name in the watched directory (the
// setting "sifterMonitorDirectory"), follows the directory through batched
// change reports, keeps the entries in step with the open documents and
// the pattern settings, and while running opens each newly arrived matching
// file once it has finished growing. It fills the file list model that its
// window shows, and needs no window to run.
class SifterWatcher final : public QObject, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    // Watches the directory and lists it at once; nothing is opened and the
    // watcher is not running. Change reports come in batches one latency
    // after their first change.
    explicit SifterWatcher(SifterDocuments &documents,
        std::chrono::milliseconds batchLatency = SifterDirectoryMonitor::defaultLatency, QObject *parent = nullptr);
    ~SifterWatcher() override;

    void start();
    void stop();
    bool sifterIsRunning() const { return m_sifterIsRunning; }

    // The full list: the entry listed under `fileName`, or null.
    SifterFileEntry *entryForName(const QString &fileName) const;
    qsizetype entryCount() const { return qsizetype(m_sifts.size()); }
    // The visible list, in display order.
    SifterTableModel &tableModel() { return m_tableModel; }
    const SifterDirectoryMonitor *monitor() const { return m_monitor.get(); }

    // Lists the directory as after a change report: new names get entries,
    // vanished names lose theirs, and new matching names are opened once
    // settled while running.
    void directoryChangedEvent();
    // Rebuilds the visible list from the full list by "sifterFilter", in
    // the model's order.
    void buildVisible();
    // Opens (or brings forward) the entries' files in the given order; list
    // changes that arrive meanwhile wait until all have opened or failed.
    void showDocuments(const std::vector<SifterFileEntry *> &entries);
    // Whether the watcher is opening files: opens it asked for are still
    // being read, or their outcome is being shown. List changes wait.
    bool isOpening() const { return m_working || !m_pendingOpens.isEmpty(); }

Q_SIGNALS:
    void runningChanged(bool running);

private:
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;
    void monitorConstruct();
    // Lists the directory: new names get entries, vanished names lose
    // theirs. After a change report (`afterEvent`) and while running, new
    // matching names are set to open once their size has settled.
    void buildFileList(bool afterEvent);
    // An open document came or went: every entry looks its document up.
    void documentsCheck();
    void directoryDidChange();
    void patternDidChange();
    // Opens the files waiting to settle whose size has not changed since
    // the last look, and asks for another look while any are still waiting.
    void openSettledFiles();
    // Runs `work`, which may start opening documents and run nested event
    // loops (alerts); changes to the lists that arrive meanwhile wait until
    // it is done and every open it started has ended.
    void whileOpening(const std::function<void()> &work);
    // Asks the entry to open (`show`: or bring forward) its file, and waits
    // for the end of that open.
    void startOpening(SifterFileEntry &entry, bool show);
    void documentOpenFinished(const QUrl &url, bool opened, const QString &error);
    void runDeferredWork();
    void dropAllEntries();

    SifterDocuments &m_documents;
    const std::chrono::milliseconds m_batchLatency;
    std::unique_ptr<SifterDirectoryMonitor> m_monitor;
    std::unordered_map<QString, std::unique_ptr<SifterFileEntry>> m_sifts;
    // Entries dropped from the full list live until the visible list, which
    // may still show them, is rebuilt.
    std::vector<std::unique_ptr<SifterFileEntry>> m_droppedEntries;
    // A new matching name waiting for its size to settle.
    struct Settling
    {
        qint64 size; // at the last look
        quint64 listing; // the listing that found the name
    };
    QHash<QString, Settling> m_settling;
    quint64 m_listingCount = 0;
    bool m_sifterIsRunning = false;
    // Inside whileOpening's work.
    bool m_working = false;
    // Files the watcher asked to open whose open has not ended.
    QSet<QUrl> m_pendingOpens;
    bool m_batchDeferred = false;
    bool m_directoryChangeDeferred = false;
    bool m_patternChangeDeferred = false;
    SifterTableModel m_tableModel;
};
