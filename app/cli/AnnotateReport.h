#pragma once

#include "LineCosts.h"
#include "ReportOptions.h"

#include <span>

class OutputStream;
class PathMapping;
class Profile;
class SourceText;

// The chosen event's costs by source line over the whole profile (see
// LineCosts). As tab-separated values, one row per file and line, files as
// the profile names them in byte order, then lines. Aligned, for people:
// each file found here (after the path mappings), costliest first, its
// lines with costs beside their text with a few lines around them, then
// the files that could not be read and why.
class AnnotateReport
{
public:
    // Lines shown before and after each line with costs.
    static constexpr quint64 contextLines = 2;

    AnnotateReport(const Profile &profile, const ReportOptions &options, const PathMapping &mapping);

    void print(OutputStream &out) const;

private:
    void printTable(OutputStream &out, const LineCosts &costs) const;
    void printSources(OutputStream &out, const LineCosts &costs) const;
    void printSource(OutputStream &out, std::span<const LineCosts::Line> lines, const SourceText &text) const;

    const Profile &m_profile;
    const ReportOptions &m_options;
    const PathMapping &m_mapping;
};
