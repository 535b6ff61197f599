#include "DialogFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace {

QString &lastFolder()
{
    static QString folder;
    return folder;
}

} // namespace

namespace DialogFolder {

QString startFor(const QWidget *parent)
{
    if (!lastFolder().isEmpty() && QFileInfo(lastFolder()).isDir())
        return lastFolder();
    // A document's window names its profile's file.
    const QString shown = parent ? parent->window()->windowFilePath() : QString();
    if (!shown.isEmpty() && QFileInfo(shown).absoluteDir().exists())
        return QFileInfo(shown).absolutePath();
    return QDir::homePath();
}

void remember(const QString &chosenFile)
{
    if (!chosenFile.isEmpty())
        lastFolder() = QFileInfo(chosenFile).absolutePath();
}

} // namespace DialogFolder
