#include "PlainToolTip.h"

QString escapedForRichText(const QString &text)
{
    // About as much as a screen shows on one line; the middle goes, so that
    // both the class and the method of a long name stay.
    constexpr qsizetype maximumLength = 160;
    const QString shown = text.size() > maximumLength
        ? text.first(maximumLength / 2) + QChar(0x2026) + text.last(maximumLength / 2 - 1)
        : text;
    return shown.toHtmlEscaped();
}

QString plainToolTip(const QString &text)
{
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(escapedForRichText(text));
}
