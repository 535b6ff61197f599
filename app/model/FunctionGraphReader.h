#pragma once

#include "CompressedNameTable.h"
#include "FunctionGraph.h"
#include "NameResolver.h"

#include <QtGlobal>

#include <string_view>
#include <vector>

class LineScanner;
class Profile;

// Reads a profile written as a function graph into a FunctionGraph: the
// whole callgrind format as valgrind describes it. Cost lines begin with a
// position of one or more subpositions ("positions: instr line"), each
// absolute (decimal or "0x" hex) or relative to the last cost line ("+N",
// "-N", "*"), then a figure per event. "fl=", "fi=", "fe=" and "ob=" set
// the file, the file of inlined code and the object; "fn=" starts a
// function's record. A call is "cfn=" (after any "cfi="/"cfl=" and "cob=",
// which default to the caller's file and object), "calls=N target", and the
// one cost line after it: the calls' inclusive cost. Every other cost line
// is the function's own and adds up. Names of every kind may be compressed
// ("(N) name", then "(N)"). Jumps, target positions and lines the format
// does not know are read past; several parts add up.
class FunctionGraphReader
{
public:
    // Names and functions taking more than `memoryLimit` bytes fail as
    // memory running short; more than `itemLimit` functions and call edges
    // as a profile too large to number.
    FunctionGraphReader(Profile &profile, qint64 memoryLimit, quint64 itemLimit);

    // The next lines of the text.
    void feed(LineScanner &lines);
    // After the last line: the finished graph. The profile's events and
    // summary are set as the file gives them.
    FunctionGraph finish();

private:
    void handleLine(std::string_view line, quint64 datum);
    void handleHeaderLine(std::string_view line);
    void handleCostLine(std::string_view line);
    void startBody();
    void setPositions(std::string_view names);
    void startFunction(std::string_view name, quint64 datum);
    void readCall(std::string_view numbers);
    // Adds the figures after `pos` to `sums`, one per event.
    void addFigures(std::string_view line, size_t pos, std::vector<quint64> &sums) const;
    quint32 object(std::string_view name);
    void checkSize(quint64 itemsBefore);

    Profile &m_profile;
    const qint64 m_memoryLimit;
    const quint64 m_itemLimit;
    NameResolver m_names;
    CompressedNameTable m_objectNumbers;
    FunctionGraph m_graph;
    bool m_body = false;

    // Subpositions of a cost line, which of them is the source line (-1:
    // none), and those of the last cost line.
    int m_positionCount = 1;
    int m_linePosition = 0;
    std::vector<quint64> m_lastPosition = { 0 };
    std::vector<quint64> m_figures;

    quint32 m_object = FunctionGraph::none;
    quint32 m_source = FunctionGraph::none;
    // The file of the code the cost lines are about: inlined code's, or
    // the function's.
    quint32 m_codeSource = FunctionGraph::none;
    quint32 m_node = FunctionGraph::none;
    bool m_lineKnown = false;

    // The call being read: its callee and count; the next cost line is its
    // cost.
    quint32 m_calleeObject = FunctionGraph::none;
    quint32 m_calleeSource = FunctionGraph::none;
    quint32 m_calleeFunction = FunctionGraph::none;
    quint64 m_callCount = 0;
    bool m_callPending = false;

    // The profiler's own figures, of every part.
    std::vector<quint64> m_summary;
    std::vector<quint64> m_totals;
    bool m_hasSummary = false;
    bool m_hasTotals = false;
};
