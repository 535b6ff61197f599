#pragma once

#include <QString>

class QMessageBox;

// Text from outside the program (names from a profile, file names, a
// server's reply) shown exactly as written: never taken for rich text, a
// menu mnemonic or a window title's placeholder. Tooltips have
// plainToolTip.
namespace DisplayText {

// For a window title: "[*]" stays as written.
QString forWindowTitle(const QString &text);
// For a place that takes rich text (a tooltip): escaped, and cut to what a
// screen can show.
QString forRichText(const QString &text);
// For a menu item: "&" stays as written.
QString forMenuItem(const QString &text);
// Sets a message box's text and informative text, both shown as written.
void setMessageBoxTexts(QMessageBox &box, const QString &text, const QString &informativeText);

} // namespace DisplayText
