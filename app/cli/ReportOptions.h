#pragma once

#include "TimeUnit.h"

#include <QtGlobal>

#include <optional>

// What the command line's reports show and how: chosen on the command line,
// with the user's display settings behind it.
struct ReportOptions
{
    // The event whose figures are shown and sorted on, and whether it was
    // asked for rather than taken as the first.
    int event = 0;
    bool eventGiven = false;
    bool tsv = false;
    TimeUnit timeUnit = TimeUnit::Milliseconds;
    bool displayDash = true;
    bool showsInternalFunctions = true;
    std::optional<quint64> top;
    std::optional<quint64> depth;
};
