#include "DocumentWindow.h"

#include <QAction>
#include <QCloseEvent>

namespace {

// The platform's keys for a standard action, with `key` first if they lack it.
QList<QKeySequence> keysWith(QKeySequence::StandardKey standard, const QKeySequence &key)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
    keys.removeAll(key);
    keys.prepend(key);
    return keys;
}

} // namespace

DocumentWindow::DocumentWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_findAction(addWindowAction(tr("&Find\u2026"), keysWith(QKeySequence::Find, QKeySequence(Qt::CTRL | Qt::Key_F))))
    , m_findNextAction(addWindowAction(tr("Find &Next"), keysWith(QKeySequence::FindNext, QKeySequence(Qt::Key_F3))))
    , m_findPreviousAction(addWindowAction(
          tr("Find Pre&vious"), keysWith(QKeySequence::FindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3))))
    , m_goToCallerAction(addWindowAction(tr("Go to &Caller"), { QKeySequence(Qt::ALT | Qt::Key_Up) }))
    , m_expandHotPathAction(addWindowAction(tr("Expand &Hot Path"), { QKeySequence(Qt::CTRL | Qt::Key_E) }))
{ }

QAction *DocumentWindow::addWindowAction(const QString &text, const QList<QKeySequence> &shortcuts)
{
    auto *action = new QAction(text, this);
    action->setShortcuts(shortcuts);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void DocumentWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        Q_EMIT closed();
}

void DocumentWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Q_EMIT activated();
}
