#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QMainWindow;
class QWidget;
class SifterWatcher;

namespace Ui {
class Sifter;
}

// The watcher window "Sifter", loaded the first time it is shown: the table
// of the watched files, a label for running, stopped or why the directory
// cannot be watched (or why the pattern cannot be used), the start/stop
// button, the watched directory (a click chooses another), the filter
// pop-up, and buttons to open the selected files and to go to the watcher's
// preferences. Open is offered while a selected file can be opened. Closing
// it only hides it; the watcher goes on. The watcher must outlive it.
class SifterStatusController final : public QObject
{
    Q_OBJECT
public:
    // Asks the user for a directory; an empty result means cancelled.
    using DirectoryChooser = std::function<QString(QWidget *parent)>;

    explicit SifterStatusController(SifterWatcher &watcher, QObject *parent = nullptr);
    ~SifterStatusController() override;

    // Loads the window the first time, then shows it and brings it forward.
    void showWindow();
    // Called with the window once it is built, e.g. to give it the menu.
    void setWindowDecorator(std::function<void(QMainWindow &)> decorator);
    // A directory dialog unless another chooser is given.
    void setDirectoryChooser(DirectoryChooser chooser);
    // Null until the window is loaded.
    QMainWindow *window() const { return m_window.get(); }

Q_SIGNALS:
    // The window's preferences button: show the watcher's preferences.
    void preferencesClicked();

private:
    void windowDidLoad();
    // Opens (or brings forward) the selected rows' files, lowest row first.
    void openSelectedRows();
    void startStopClicked();
    void showPopSelected(int index);
    void statusLabelUpdate();
    void directoryClicked();
    void tableViewSelectionDidChange();
    // A refill of the file list loses the table's selection: the selected
    // names are noted before and selected again after.
    void rememberSelection();
    void restoreSelection();

    SifterWatcher &m_watcher;
    std::function<void(QMainWindow &)> m_windowDecorator;
    DirectoryChooser m_directoryChooser;
    QStringList m_selectedNames;
    QString m_currentName;
    std::unique_ptr<Ui::Sifter> m_ui;
    std::unique_ptr<QMainWindow> m_window;
};
