#pragma once

#include "ReportOptions.h"

class OutputStream;
class ProfileComparison;

// Two profiles side by side: per function its calls and its total self and
// inclusive cost before and after, largest change of inclusive cost first.
// Aligned for people, with the changes and the roots' figures, or
// tab-separated with raw figures for scripts.
class DiffReport
{
public:
    DiffReport(const ProfileComparison &comparison, const ReportOptions &options);

    void print(OutputStream &out) const;

private:
    const ProfileComparison &m_comparison;
    const ReportOptions &m_options;
};
