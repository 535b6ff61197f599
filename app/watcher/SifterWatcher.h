#pragma once

#include "SifterCompletionWaiter.h"
#include "SifterDirectoryMonitor.h"
#include "SifterFileEntry.h"
#include "SifterOpenLimit.h"
#include "SifterPattern.h"
#include "SifterTableModel.h"

#include <KFSharedDefaultsObserver.h>

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>
#include <unordered_map>
#include <vector>

class SifterDocuments;

// The watcher: keeps one entry per name in the watched directory (the
// setting "sifterMonitorDirectory"), follows the directory through batched
// change reports, keeps the entries in step with the open documents and
// the pattern settings, and while running opens each newly arrived matching
// profile file once it is complete, and reads again each one written again
// after it was opened, within the open-file limit. It fills the file list
// model that its window shows, and needs no window to run. Nothing it does
// waits for the user: opens end later, through a signal, and their failures
// show in the file list.
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

    // The clock quiet periods are measured by; the system's unless set.
    void setClock(SifterCompletionWaiter::Clock clock) { m_waiter.setClock(std::move(clock)); }

    void start();
    void stop();
    bool sifterIsRunning() const { return m_sifterIsRunning; }

    // Why the watched directory cannot be listed ("Cannot watch /tmp:
    // Permission denied"); empty while it can.
    QString directoryError() const { return m_directoryError; }
    // Why the pattern the settings choose cannot be used; empty while it
    // can. Names are matched with the last valid pattern meanwhile.
    QString patternError() const { return m_patternError; }
    // The watcher opens no more files: as many as the open-file limit
    // allows, opened by the watcher, are open or being read.
    bool limitReached() const { return m_limit.isReached(); }
    // Listed files whose opening failed.
    qsizetype failedCount() const;

    // The full list: the entry listed under `fileName`, or null.
    SifterFileEntry *entryForName(const QString &fileName) const;
    SifterFileEntry *entryForNativeName(const QByteArray &nativeName) const;
    qsizetype entryCount() const { return qsizetype(m_sifts.size()); }
    // The visible list, in display order.
    SifterTableModel &tableModel() { return m_tableModel; }
    const SifterDirectoryMonitor *monitor() const { return m_monitor.get(); }

    // Lists the directory as after a change report: new names get entries,
    // vanished names lose theirs, and new matching names are opened once
    // complete while running.
    void directoryChangedEvent();
    // Rebuilds the visible list from the full list by "sifterFilter", in
    // the model's order.
    void buildVisible();
    // Opens (or brings forward) the entries' files in the given order; a
    // failure is told to the user as well as shown in the list.
    void showDocuments(const std::vector<SifterFileEntry *> &entries);

Q_SIGNALS:
    void runningChanged(bool running);
    // The directory's error, the pattern's, the limit, the failures or the
    // watched directory changed.
    void stateChanged();

private:
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;
    void monitorConstruct();
    // Lists the directory: new names get entries, vanished names lose
    // theirs. After a change report (`afterEvent`) and while running, new
    // matching names are followed until complete, as are files written
    // again since they were opened.
    void buildFileList(bool afterEvent);
    // Whether a name listed anew is the file that was there before the
    // directory could not be listed.
    bool cameBack(const SifterFileEntry &entry) const;
    void setDirectoryError(const QString &error);
    // Takes the pattern the settings choose if it is valid.
    void choosePattern();
    // An open document came or went: every entry looks its document up.
    void documentsCheck();
    void directoryDidChange();
    void patternDidChange();
    // Opens (or reads again) the followed files that are complete, within
    // the limit, and asks for another look while any are still followed.
    void openCompleteFiles();
    void documentOpenFinished(const FileIdentity &file, bool opened, const QString &error);
    // Files opened are watched for being written again.
    void watchOpenedFiles();
    void dropAllEntries();
    void listChanged();

    SifterDocuments &m_documents;
    const std::chrono::milliseconds m_batchLatency;
    std::unique_ptr<SifterDirectoryMonitor> m_monitor;
    std::unordered_map<QByteArray, std::unique_ptr<SifterFileEntry>> m_sifts;
    // Entries dropped from the full list live until the visible list, which
    // may still show them, is rebuilt.
    std::vector<std::unique_ptr<SifterFileEntry>> m_droppedEntries;
    // The files listed when the directory last could not be listed, by
    // name, as they were then; forgotten at the next listing that works.
    std::unordered_map<QByteArray, SifterFileStamp> m_goneWithDirectory;
    SifterCompletionWaiter m_waiter;
    SifterOpenLimit m_limit;
    SifterPattern m_pattern;
    QString m_patternError;
    QString m_directoryError;
    bool m_sifterIsRunning = false;
    SifterTableModel m_tableModel;
};
