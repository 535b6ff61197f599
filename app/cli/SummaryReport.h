#pragma once

#include <string_view>

#include "ReportOptions.h"

#include <QtGlobal>

class OutputStream;
class Profile;

// One row per function called below the root: calls, and the chosen
// event's total and average self and inclusive cost, largest total
// inclusive cost first. Aligned for people, or tab-separated with raw
// figures for scripts.
class SummaryReport
{
public:
    SummaryReport(const Profile &profile, const ReportOptions &options);

    void print(OutputStream &out) const;

private:
    template <typename Rows, typename Name, typename RootCost>
    void printRows(OutputStream &out, const Rows &summaries, const Name &nameOf, std::string_view rootName,
        const RootCost &rootCost) const;

    const Profile &m_profile;
    const ReportOptions &m_options;
};
