#pragma once

#include <QMainWindow>

// A document's window: tells its document when it closes and when it comes
// to the front.
class DocumentWindow final : public QMainWindow
{
    Q_OBJECT
public:
    using QMainWindow::QMainWindow;

Q_SIGNALS:
    void closed();
    void activated();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
};
