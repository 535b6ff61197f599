#pragma once

#include <QMainWindow>

// The window shown while no document is open: how to open a profile, and
// buttons to open one or show the watcher. Closing it is how the user ends
// the application when no document is open.
class StartWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit StartWindow(QWidget *parent = nullptr);

Q_SIGNALS:
    void openRequested();
    void watcherRequested();
    // The user (or the application) closed the window.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
};
