#include "SifterDirectoryChooser.h"

#include <QFileDialog>

QString chooseSifterDirectory(QWidget *parent)
{
    return QFileDialog::getExistingDirectory(
        parent, QObject::tr("Choose the Directory to Watch"), QString(), QFileDialog::ShowDirsOnly);
}
