#pragma once

#include "ReportOptions.h"

class OutputStream;
class Profile;

// The call tree, one call per line in pre-order, with the chosen event's
// inclusive and self cost: indented for people (deep calls show their depth
// as a number instead of more indentation), or tab-separated with raw
// figures for scripts.
class TreeReport
{
public:
    TreeReport(const Profile &profile, const ReportOptions &options);

    void print(OutputStream &out) const;

private:
    // The call paths estimated for a profile written as a function graph,
    // each with its number of calls.
    void printEstimated(OutputStream &out) const;

    const Profile &m_profile;
    const ReportOptions &m_options;
};
