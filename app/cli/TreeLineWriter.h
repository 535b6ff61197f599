#pragma once

#include <QtGlobal>

#include <string_view>

class OutputStream;
class ProfileEvent;
struct ReportOptions;

// The parts the tree reports' lines share: a call's or a path's self and
// inclusive figures of the chosen event, raw for scripts, and for people
// its indentation (capped, deeper lines saying their depth), name and
// costs.
class TreeLineWriter
{
public:
    // Deeper lines are indented no further.
    static constexpr quint64 maxIndentation = 64;

    TreeLineWriter(OutputStream &out, const ProfileEvent &event, const ReportOptions &options);

    // "self<TAB>inclusive" as raw figures.
    void writeFigures(quint64 selfBits, quint64 inclusiveBits);
    // "name  inclusive (self self)", indented for `depth`.
    void writeIndented(quint64 depth, std::string_view name, quint64 selfBits, quint64 inclusiveBits);

private:
    void writeFigure(quint64 bits);

    OutputStream &m_out;
    const ProfileEvent &m_event;
    const ReportOptions &m_options;
};
