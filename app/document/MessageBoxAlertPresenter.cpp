#include "MessageBoxAlertPresenter.h"

#include "DisplayText.h"

#include <QMessageBox>

void MessageBoxAlertPresenter::showWarning(QWidget *parent, const QString &message, const QString &informativeText)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Velotrace"), QString(), QMessageBox::Ok, parent);
    DisplayText::setMessageBoxTexts(box, message, informativeText);
    box.exec();
}
