#include "AlertPresenter.h"

#include <QCoreApplication>

QString AlertPresenter::openFailureMessage(const QString &path)
{
    return QCoreApplication::translate("AlertPresenter", "The file \u201c%1\u201d could not be opened.").arg(path);
}
