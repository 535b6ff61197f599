#pragma once

#include "ReportOptions.h"

class OutputStream;
class Profile;

// The call paths of a profile, one per line in pre-order, children in the
// order of their first call, with the number of calls along each and the
// totals of the chosen event's inclusive and self cost over them: indented
// for people, or tab-separated with raw figures for scripts.
class MergedTreeReport
{
public:
    MergedTreeReport(const Profile &profile, const ReportOptions &options);

    void print(OutputStream &out) const;

private:
    const Profile &m_profile;
    const ReportOptions &m_options;
};
