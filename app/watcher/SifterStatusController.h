#pragma once

#include "SifterTableModel.h"

#include <KFSharedDefaultsObserver.h>

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class DocumentController;
class QComboBox;
class QLabel;
class QMainWindow;
class QPushButton;
class QTableView;
class SifterDirectoryMonitor;
class SifterFileEntry;

namespace Ui {
class Sifter;
}

// The watcher: keeps one entry per name in the watched directory (the
// setting "sifterMonitorDirectory"), follows the directory through batched
// change reports, keeps the entries in step with the open documents and
// the pattern settings, and while running opens each newly arrived matching
// file once it has finished growing. Also the controller of the watcher
// window "Sifter", loaded the first time it is shown.
class SifterStatusController final : public QObject, public KFSharedDefaultsObserver
{
    Q_OBJECT
public:
    // Watches the directory and lists it at once; nothing is opened and the
    // watcher is not running.
    explicit SifterStatusController(DocumentController &documents, QObject *parent = nullptr);
    ~SifterStatusController() override;

    void start();
    void stop();
    bool sifterIsRunning() const { return m_sifterIsRunning; }

    // Loads the window the first time, then shows it and brings it forward.
    void showWindow();
    // Called with the window once it is built, e.g. to give it the menu.
    void setWindowDecorator(std::function<void(QMainWindow &)> decorator);

    // The full list: the entry listed under `fileName`, or null.
    SifterFileEntry *entryForName(const QString &fileName) const;
    qsizetype entryCount() const { return qsizetype(m_sifts.size()); }
    // The visible list the table shows, in display order.
    const std::vector<SifterFileEntry *> &fileAndAttributeArray() const { return m_tableModel.entries(); }
    SifterTableModel &tableModel() { return m_tableModel; }
    SifterDirectoryMonitor *monitor() const { return m_monitor.get(); }

    // The window's parts; null until the window is loaded.
    QMainWindow *window() const { return m_window.get(); }
    QTableView *theDirectoryTable() const;
    QLabel *statusLabel() const;
    QPushButton *startStopButton() const;
    QPushButton *openButton() const;
    QComboBox *showPop() const;
    QPushButton *preferencesButton() const;

    void monitorConstruct();
    void monitorDeconstruct();
    // Lists the directory: new names get entries, vanished names lose
    // theirs. After a change report (`afterEvent`) and while running, new
    // matching names are set to open once their size has settled.
    void buildFileList(bool afterEvent);
    void directoryChangedEvent();
    // Rebuilds the visible list from the full list by "sifterFilter".
    void buildVisible();
    // Sorts the visible list by the table's order.
    void sort();
    // An open document came or went: every entry looks its document up.
    void documentsCheck();
    void observeValueForKeyPath(
        const QString &keyPath, QObject *object, const QVariantMap &change, void *context) override;

    void tableDoubleClick();
    void openClicked();
    // Opens (or brings forward) the selected rows' files, lowest row first.
    void openSelectedRows();
    void startStopClicked();
    void showPopSelected();
    void statusLabelUpdate();

Q_SIGNALS:
    // The window's preferences button: show the watcher's preferences.
    void preferencesClicked();

private:
    void windowDidLoad();
    void tableViewSelectionDidChange();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void directoryDidChange();
    void patternDidChange();
    // Opens the files waiting to settle whose size has not changed since
    // the last look, and asks for another look while any are still waiting.
    void openSettledFiles();
    // Runs `work`, which may open documents and so run nested event loops
    // (alerts, progress windows); changes to the lists that arrive meanwhile
    // wait until it is done.
    void whileOpening(const std::function<void()> &work);
    void runDeferredWork();
    // The visible list rebuilt and sorted, keeping the table's selection.
    void rebuildVisibleKeepingSelection();
    void dropAllEntries();

    DocumentController &m_documents;
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
    bool m_opening = false;
    bool m_batchDeferred = false;
    bool m_directoryChangeDeferred = false;
    bool m_patternChangeDeferred = false;
    SifterTableModel m_tableModel;
    std::function<void(QMainWindow &)> m_windowDecorator;
    std::unique_ptr<Ui::Sifter> ui;
    // Declared last: the window goes before the model it shows.
    std::unique_ptr<QMainWindow> m_window;
};
