#pragma once

#include "SifterCompletionCheck.h"
#include "SifterDirectoryMonitor.h"
#include "SifterFileEntry.h"
#include "SifterTableModel.h"

#include <KFSharedDefaultsObserver.h>

#include <QByteArray>
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

// The watcher: keeps one entry per name in the watched directory (the
// setting "sifterMonitorDirectory"), follows the directory through batched
// change reports, keeps the entries in step with the open documents and
// the pattern settings, and while running opens each newly arrived matching
// profile file once it has been written to its end (or has stayed unchanged
// for a while), and each one written again after it was opened. It keeps to
// the open-file limit the settings set. It fills the file list model that
// its window shows, and needs no window to run.
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

    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // A file that never shows its end is taken as complete once its size
    // and modification time have stayed the same this long.
    static constexpr std::chrono::seconds quietPeriod { 10 };
    // The clock quiet periods are measured by; the system's unless set.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    void start();
    void stop();
    bool sifterIsRunning() const { return m_sifterIsRunning; }

    // Why the watched directory cannot be listed ("Cannot watch /tmp:
    // Permission denied"); empty while it can.
    QString directoryError() const { return m_directoryError; }
    // The watcher opens no more files: as many as the open-file limit
    // allows, opened by the watcher, are open.
    bool limitReached() const;
    // The open-file limit, as the settings set it.
    qint64 maxOpenFiles() const;

    // The full list: the entry listed under `fileName`, or null.
    SifterFileEntry *entryForName(const QString &fileName) const;
    SifterFileEntry *entryForNativeName(const QByteArray &nativeName) const;
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
    // The directory's error, the limit or the watched directory changed.
    void stateChanged();

private:
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;
    void monitorConstruct();
    // Lists the directory: new names get entries, vanished names lose
    // theirs. After a change report (`afterEvent`) and while running, new
    // matching names are set to open once complete, as are files written
    // again since they were opened.
    void buildFileList(bool afterEvent);
    void setDirectoryError(const QString &error);
    // The file of the entry is followed until it is complete.
    void awaitCompletion(SifterFileEntry &entry);
    void stopAwaiting();
    // An open document came or went: every entry looks its document up.
    void documentsCheck();
    void directoryDidChange();
    void patternDidChange();
    // Opens (or reads again) the awaited files that are complete, and asks
    // for another look while any are still awaited.
    void openCompleteFiles();
    void openCompleteFile(SifterFileEntry &entry);
    // Keeps to the open-file limit after the watcher opened `url`.
    void watcherOpened(const QUrl &url, const SifterFileIdentity &identity);
    // Files opened are watched for being written again.
    void watchOpenedFiles();
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
    std::unordered_map<QByteArray, std::unique_ptr<SifterFileEntry>> m_sifts;
    // Entries dropped from the full list live until the visible list, which
    // may still show them, is rebuilt.
    std::vector<std::unique_ptr<SifterFileEntry>> m_droppedEntries;
    // A matching file awaited until it is complete.
    struct Awaited
    {
        SifterFileStamp stamp; // at the last look
        std::chrono::steady_clock::time_point since; // of the last change seen
        std::unique_ptr<SifterCompletionCheck> check;
    };
    std::unordered_map<QByteArray, Awaited> m_awaited;
    Clock m_clock;
    QString m_directoryError;
    // Files the watcher asked to open of its own accord.
    QSet<QUrl> m_automaticOpens;
    // Documents the watcher opened of its own accord, oldest first.
    struct WatcherOpened
    {
        QUrl url;
        SifterFileIdentity identity;
    };
    std::vector<WatcherOpened> m_watcherOpened;
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
