#include "KUIPasteTextField.h"

#include <QKeyEvent>

namespace {

// The editing action of a shortcut, or null if the event is none of them.
// Only Control alone counts: not with Shift, Alt or Meta, nor keys of the
// keypad.
const char *editingActionForEvent(const QKeyEvent &event)
{
    if (event.modifiers() != Qt::ControlModifier)
        return nullptr;
    switch (event.key()) {
    case Qt::Key_X:
        return "cut";
    case Qt::Key_C:
        return "copy";
    case Qt::Key_V:
        return "paste";
    case Qt::Key_A:
        return "selectAll";
    default:
        return nullptr;
    }
}

} // namespace

bool KUIPasteTextField::performKeyEquivalent(QKeyEvent *event)
{
    if (const char *action = editingActionForEvent(*event)) {
        // The action goes to whatever holds the focus in this window, which
        // need not be this field; handled if that widget has the action.
        QWidget *target = window()->focusWidget();
        if (!target || target->metaObject()->indexOfMethod(QByteArray(action) + "()") < 0)
            return false;
        return QMetaObject::invokeMethod(target, action);
    }
    event->setAccepted(true);
    QLineEdit::keyPressEvent(event);
    return event->isAccepted();
}

bool KUIPasteTextField::event(QEvent *event)
{
    // Claim the shortcuts before any action of the window does.
    if (event->type() == QEvent::ShortcutOverride && editingActionForEvent(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void KUIPasteTextField::keyPressEvent(QKeyEvent *event)
{
    event->setAccepted(performKeyEquivalent(event));
}
