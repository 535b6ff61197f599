#include "DisplayText.h"

#include "PlainToolTip.h"

#include <QMessageBox>
#include <QTextDocument>

namespace DisplayText {

QString forWindowTitle(const QString &text)
{
    // A title shows "[*]" only when it is doubled.
    QString title = text;
    return title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

QString forRichText(const QString &text)
{
    return escapedForRichText(text);
}

QString forMenuItem(const QString &text)
{
    QString item = text;
    return item.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void setMessageBoxTexts(QMessageBox &box, const QString &text, const QString &informativeText)
{
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    // The informative text has no format of its own: it is escaped instead,
    // and wraps like plain text.
    box.setInformativeText(informativeText.isEmpty() ? informativeText : Qt::convertFromPlainText(informativeText));
}

} // namespace DisplayText
