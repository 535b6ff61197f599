#include "PlainToolTip.h"

QString escapedForRichText(const QString &text)
{
    constexpr qsizetype maximumLength = 1000;
    const QString shown = text.size() > maximumLength ? text.left(maximumLength) + QChar(0x2026) : text;
    return shown.toHtmlEscaped();
}

QString plainToolTip(const QString &text)
{
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(escapedForRichText(text));
}
