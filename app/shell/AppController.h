#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class ComparisonController;
class DocumentController;
class DocumentWindow;
class FileDropFilter;
class MyDocument;
class PreferenceController;
class SifterDocumentRegistry;
class SifterStatusController;
class SifterWatcher;
class StartWindow;
class UpdateCheck;
class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QWidget;

// The application's controller: start-up (settings defaults, then the
// update check, then the watcher), the main menu every window carries,
// opening files from the command line, the file dialog and drops, comparing
// two profiles, the preference window, the watcher window, the update check, and writing the
// settings at exit. Owns the document registry, the watcher and the update
// check.
class AppController final : public QObject
{
    Q_OBJECT
public:
    // Asks the user for files to open; the default shows a file dialog.
    using OpenPanel = std::function<QList<QUrl>(QWidget *parent)>;

    explicit AppController(QObject *parent = nullptr);
    ~AppController() override;

    void setOpenPanel(OpenPanel openPanel);
    // Asks the user for the profile to compare the front one with; the
    // default shows a file dialog for one file.
    void setComparePanel(OpenPanel comparePanel);

    // Start-up, in order: sets an unreadable settings file aside, registers
    // the settings defaults, starts the update check if asked to, then the
    // watcher if asked to.
    void awakeFromNib();
    // Writes the settings store to disk.
    void applicationWillTerminate();

    // Opens each file in its own window once it has been read; with none
    // (or none that opened) shows the start window.
    void openStartupFiles(const QStringList &paths);
    // Files a later start handed over: opened the same way, then the front
    // window is brought forward.
    void openHandedOverFiles(const QStringList &paths);
    void openFiles(const QList<QUrl> &files);

    DocumentController &documentController() const { return *m_documentController; }
    ComparisonController &comparisonController() const { return *m_comparisonController; }
    UpdateCheck &updateCheck() const { return *m_updateCheck; }
    // The watcher, once it was first needed; null before.
    SifterWatcher *sifterWatcher() const { return m_sifterWatcher.get(); }
    // The watcher's window, once it was first shown; null before.
    SifterStatusController *sifterStatusController() const { return m_sifterStatusController.get(); }
    // The window shown while no document is open; null when hidden.
    QMainWindow *startWindow() const;
    void showStartWindow();
    // The document whose window was last in front; null when none is open.
    MyDocument *frontDocument() const;

    // Gives a window the main menu and lets it take dropped files.
    void decorateWindow(QMainWindow &window);

    // Menu actions.
    void openDocument();
    // Reads the front document's file again.
    void reloadFrontDocument();
    // Asks for a second profile and opens a window comparing the document
    // in front with it; nothing without a document in front.
    void compareWith();
    void closeFrontWindow();
    void quit();
    void showPreferencePanel();
    // The preference window on the watcher's pane, without animation.
    // Shows the Paths preferences with a mapping for the folder of the
    // recorded file `path` to fill in.
    void showPathMappingPreferences(const QString &path);
    void showPreferencesForSifter();
    // Creates the watcher if there is none yet (without starting it) and
    // brings its window forward, creating that too if need be.
    void showSifterStatus();
    void checkForUpdatesMenuItemSelected();
    // The automatic check at launch: silent when it fails.
    void checkForUpdates();
    QAction *openAction() const { return m_openAction; }
    QAction *reloadAction() const { return m_reloadAction; }
    QAction *quitAction() const { return m_quitAction; }
    QAction *closeAction() const { return m_closeAction; }
    QAction *compareAction() const { return m_compareAction; }

private:
    // The menus every window carries, one function each.
    void addFileMenu(QMenuBar &menuBar);
    void addEditMenu(QMenuBar &menuBar, DocumentWindow *document);
    void addGoMenu(QMenuBar &menuBar, DocumentWindow &document);
    void addWindowMenu(QMenuBar &menuBar);
    void addHelpMenu(QMenuBar &menuBar);
    void fillRecentMenu(QMenu &menu);
    // The watcher, then the open documents, the front one checked.
    void fillWindowMenu(QMenu &menu);
    void closeStartWindow();
    // No document open, and none being read.
    bool hasNoDocument() const;
    void startWindowClosed();
    void showStartWindowIfIdle();
    SifterWatcher &sifter();
    // The document whose window is the active one, or null.
    MyDocument *activeDocument() const;
    void updateCompareAction();

    std::unique_ptr<DocumentController> m_documentController;
    std::unique_ptr<ComparisonController> m_comparisonController;
    std::unique_ptr<StartWindow> m_startWindow;
    std::unique_ptr<FileDropFilter> m_dropFilter;
    QAction *m_openAction;
    QAction *m_reloadAction;
    QAction *m_closeAction;
    QAction *m_compareAction;
    QAction *m_quitAction;
    OpenPanel m_openPanel;
    bool m_quitting = false;
    OpenPanel m_comparePanel;
    std::unique_ptr<UpdateCheck> m_updateCheck;
    // The shared preference window; not owned.
    PreferenceController *m_preferenceController = nullptr;
    std::unique_ptr<SifterDocumentRegistry> m_sifterDocuments;
    std::unique_ptr<SifterWatcher> m_sifterWatcher;
    std::unique_ptr<SifterStatusController> m_sifterStatusController;
};
