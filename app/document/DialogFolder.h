#pragma once

#include <QString>

class QWidget;

// Where the file dialogs (open, compare, save a picture) start: the folder
// of the last file chosen in one of them, else the folder of the profile
// the dialog's window shows, else the home folder.
namespace DialogFolder {

QString startFor(const QWidget *parent);
// Remembers the folder of a file chosen in a dialog.
void remember(const QString &chosenFile);

} // namespace DialogFolder
