#pragma once

#include <QtGlobal>

#include <span>
#include <vector>

class CallTree;
class Profile;

// The costs of one event by line of source. For each file and line: the
// self cost of the calls of functions whose record names that line (their
// first line), and the number and inclusive cost of the calls made from
// that line (in the caller's file). Over the whole profile, or below one
// call: the call itself and everything it called, but not the call as its
// caller made it.
//
// Recursion: a call made from a line while another call made from that same
// line is still running counts as a call of the line, but adds nothing to
// its inclusive cost, which the outer call holds already. A line's inclusive
// cost is thus what the calls made there cost, never more than the whole,
// just as the summary counts a function's nested calls once.
class LineCosts
{
public:
    struct Line
    {
        quint32 line;
        // Calls made from the line.
        quint32 calls;
        // Stored figures of the event (see Cost::fromBits).
        quint64 selfBits;
        quint64 inclusiveBits;
    };
    struct Callee
    {
        quint32 function;
        quint32 calls;
    };

    // Over the whole profile.
    LineCosts(const Profile &profile, int event);
    // Below the call numbered `call`.
    LineCosts(const Profile &profile, int event, quint32 call);

    // The files that have lines, by source id, smallest first.
    const std::vector<quint32> &sources() const { return m_sources; }
    // The lines of a file with a self cost or a call made from them, by
    // line number; none for any other file.
    std::span<const Line> lines(quint32 source) const;
    // The sum of the self costs of a file's lines.
    quint64 selfBits(quint32 source) const;
    // The functions called from a line, each with its number of calls, in
    // the order of their first call.
    std::vector<Callee> callees(quint32 source, quint32 line) const;

private:
    void add();

    const CallTree &m_tree;
    const int m_event;
    // The calls counted: the subtree of m_top, which begins at m_begin.
    quint32 m_top;
    quint32 m_begin = 0;
    // Every file's lines, files in the order of m_sources; those of
    // m_sources[i] begin at m_firstLine[i] and end where the next begin.
    std::vector<quint32> m_sources;
    std::vector<size_t> m_firstLine;
    std::vector<Line> m_lines;
};
