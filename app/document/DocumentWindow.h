#pragma once

#include <QMainWindow>

class QAction;

// A document's window: tells its document when it closes and when it comes
// to the front, and holds the window's own actions (find, and moving about
// the call tree), whose shortcuts work whether or not a menu shows them.
class DocumentWindow final : public QMainWindow
{
    Q_OBJECT
public:
    explicit DocumentWindow(QWidget *parent = nullptr);

    QAction *findAction() const { return m_findAction; }
    QAction *findNextAction() const { return m_findNextAction; }
    QAction *findPreviousAction() const { return m_findPreviousAction; }
    QAction *goToCallerAction() const { return m_goToCallerAction; }
    QAction *expandHotPathAction() const { return m_expandHotPathAction; }

Q_SIGNALS:
    void closed();
    void activated();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QAction *addWindowAction(const QString &text, const QList<QKeySequence> &shortcuts);

    QAction *m_findAction;
    QAction *m_findNextAction;
    QAction *m_findPreviousAction;
    QAction *m_goToCallerAction;
    QAction *m_expandHotPathAction;
};
