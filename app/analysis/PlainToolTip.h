#pragma once

#include <QString>

// `text` for a place that takes rich text (a tooltip): escaped, and cut in
// the middle to what a screen can show.
QString escapedForRichText(const QString &text);

// A tooltip that shows `text` exactly as written, on one line: tooltips
// take text that looks like markup for rich text, and names from a profile
// may look like anything. Very long texts lose their middle.
QString plainToolTip(const QString &text);
