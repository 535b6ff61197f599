#pragma once

#include "KestruneFoundationExport.h"

#include <QLineEdit>

class QKeyEvent;

// A line edit that performs the standard editing shortcuts by itself, so
// that they work where no menu item carries them: Control with x, c, v or a
// sends cut, copy, paste or selectAll to the focused widget of its window.
class KESTRUNEFOUNDATION_EXPORT KUIPasteTextField : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    // Handles a key press: true if it was handled, here or by the standard
    // handling of the line edit.
    bool performKeyEquivalent(QKeyEvent *event);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
