#include "DisplayText.h"

#include <QMessageBox>
#include <QTextDocument>

namespace {

// More than a screen holds; a longer text is cut with an ellipsis, so that
// a huge name cannot make a huge tooltip.
constexpr qsizetype richTextWidgetLimit = 4000;

} // namespace

namespace DisplayText {

QString forRichTextWidget(const QString &text)
{
    if (text.isEmpty())
        return text;
    QString shown = text;
    if (shown.size() > richTextWidgetLimit) {
        shown.truncate(richTextWidgetLimit);
        shown += QChar(0x2026);
    }
    return Qt::convertFromPlainText(shown, Qt::WhiteSpaceNormal);
}

QString forWindowTitle(const QString &text)
{
    // A title shows "[*]" only when it is doubled.
    QString title = text;
    return title.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
}

QString forMenuItem(const QString &text)
{
    QString item = text;
    return item.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void setMessageBoxTexts(QMessageBox &box, const QString &text, const QString &informativeText)
{
    // The informative text has no format of its own: it is escaped instead.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setInformativeText(forRichTextWidget(informativeText));
}

} // namespace DisplayText
