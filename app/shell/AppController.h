#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class DocumentController;
class FileDropFilter;
class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QWidget;

// The application's controller: start-up (settings defaults, then the
// update check, then the watcher), the main menu every window carries,
// opening files from the command line, the file dialog and drops, and
// writing the settings at exit. Owns the document registry.
class AppController final : public QObject
{
    Q_OBJECT
public:
    // Asks the user for files to open; the default shows a file dialog.
    using OpenPanel = std::function<QList<QUrl>(QWidget *parent)>;
    // Adds further menus to a window's menu bar.
    using MenuExtension = std::function<void(QMenuBar &menuBar)>;

    explicit AppController(QObject *parent = nullptr);
    ~AppController() override;

    // What runs at launch when its setting asks for it: the update check
    // ("updatesCheckAutomatically") and the watcher ("sifterStartOnLaunch").
    void setUpdateCheck(std::function<void()> startUpdateCheck);
    void setSifterLaunch(std::function<void()> startSifter);
    void addMenuExtension(MenuExtension extension);
    void setOpenPanel(OpenPanel openPanel);

    // Start-up, in order: registers the settings defaults, starts the update
    // check if asked to, then the watcher if asked to.
    void awakeFromNib();
    // Writes the settings store to disk.
    void applicationWillTerminate();

    // Opens each file in its own window; with none (or none that opened)
    // shows the start window.
    void openStartupFiles(const QStringList &paths);
    void openFiles(const QList<QUrl> &files);

    DocumentController &documentController() const { return *m_documentController; }
    // The empty window shown while no document is open; null when hidden.
    QMainWindow *startWindow() const { return m_startWindow.get(); }
    void showStartWindow();

    // Gives a window the main menu and lets it take dropped files.
    void decorateWindow(QMainWindow &window);

    // Menu actions.
    void openDocument();
    void closeFrontWindow();
    void quit();
    QAction *openAction() const { return m_openAction; }
    QAction *closeAction() const { return m_closeAction; }
    QAction *quitAction() const { return m_quitAction; }

private:
    void fillRecentMenu(QMenu &menu);
    void closeStartWindow();

    std::unique_ptr<DocumentController> m_documentController;
    std::unique_ptr<QMainWindow> m_startWindow;
    std::unique_ptr<FileDropFilter> m_dropFilter;
    QAction *m_openAction;
    QAction *m_closeAction;
    QAction *m_quitAction;
    std::function<void()> m_startUpdateCheck;
    std::function<void()> m_startSifter;
    QList<MenuExtension> m_menuExtensions;
    OpenPanel m_openPanel;
};
