#include "MessageBoxAlertPresenter.h"

#include <QMessageBox>

void MessageBoxAlertPresenter::showWarning(QWidget *parent, const QString &message, const QString &informativeText)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Velotrace"), message, QMessageBox::Ok, parent);
    // Messages name files, whose names are no markup.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(informativeText);
    box.exec();
}
