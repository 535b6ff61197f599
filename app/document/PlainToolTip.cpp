#include "PlainToolTip.h"

#include "DisplayText.h"

QString plainToolTip(const QString &text)
{
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(DisplayText::forRichText(text));
}
