#pragma once

#include <QString>

// A tooltip that shows `text` exactly as written, on one line: tooltips
// take text that looks like markup for rich text, and names from a profile
// may look like anything. Very long texts are cut to what a screen can show.
QString plainToolTip(const QString &text);
