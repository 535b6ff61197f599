#include "PlainToolTip.h"

namespace {

constexpr qsizetype maximumLength = 1000;

} // namespace

QString plainToolTip(const QString &text)
{
    const QString shown = text.size() > maximumLength ? text.left(maximumLength) + QChar(0x2026) : text;
    return QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(shown.toHtmlEscaped());
}
