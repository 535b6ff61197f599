#pragma once

#include "ReportOptions.h"

class OutputStream;
class Profile;

// Folded stacks, the input of flame-graph tools: one line per distinct call
// path, the function names from the root down joined by ";" (a ";" within
// a name written as ":"), a blank and the sum of the chosen event's self
// cost over the calls with exactly that path, as a raw integer. Lines are
// sorted by path in byte order; paths whose sum is not positive are left
// out, since the tools take only positive counts. A path of more than
// maxFrames frames is cut, so that a line is never longer than that many
// names: the root, a frame "[N frames]" for the N left out, and the last
// frames; it keeps the place of its whole path.
class FoldedReport
{
public:
    static constexpr size_t maxFrames = 4096;

    FoldedReport(const Profile &profile, const ReportOptions &options);

    void print(OutputStream &out) const;

private:
    const Profile &m_profile;
    const ReportOptions &m_options;
};
