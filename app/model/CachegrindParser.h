#pragma once

#include "CallEstimate.h"
#include "CallTree.h"
#include "LineScanner.h"
#include "MemoryBudget.h"
#include "NameResolver.h"

#include <QtGlobal>

#include <limits>
#include <memory_resource>
#include <string_view>
#include <vector>

class FunctionModel;
class Profile;
class ProgressController;

class FunctionGraphReader;

// Builds the call tree of a profile in the cachegrind text format, as PHP
// profilers write it, from its text, given in pieces of whole lines that a
// LineScanner has taken apart. Used once per read.
//
// A profile written as a function graph (one record per function, calls
// counted) cannot be read as calls: the reader tells it by its signs, a
// creator that writes graphs ("creator: callgrind..."), positions other
// than "line", a call counted more than once, or a call that the waiting
// records do not answer (there are fewer of them, or of other functions,
// than the calls announced, as when callers come first). Then
// foundGraph() says so and the text must be read again by a reader made to
// read it as a graph (FunctionGraphReader), which finish() hands to the
// profile with its estimated call paths.
class CachegrindParser
{
public:
    // How much the reader may take: what memory and the call numbers allow
    // unless lowered, and a share of a budget that the tree and the names
    // are taken from as they grow.
    struct Limits
    {
        quint64 calls = CallTree::maxCalls;
        qint64 memoryBytes = std::numeric_limits<qint64>::max();
        MemoryBudget::Share *share = nullptr;
    };
    CachegrindParser(Profile &profile, const Limits &limits, bool asGraph = false);
    ~CachegrindParser();

    // Whether a sign of a function graph was found while reading as calls:
    // then what was read is void, and the text is to be read again as a
    // graph. With `atEnd`, after the last piece, the last record counts too.
    bool foundGraph(bool atEnd = false);

    // Tells `progress`, if there is one, how far the read has got: `size`
    // is what positions are measured against.
    void setProgress(ProgressController *progress, qint64 size);
    // The size of the input, plain or gzip-compressed, which the call tree
    // is sized from; positions are measured in its bytes.
    void setInputSize(qint64 size, bool compressed) { m_estimate.setInput(size, compressed); }
    // The next piece of the text, taken apart into `lines`. `position` is
    // where the piece begins, for the progress; with
    // `positionsFollowBytes` false every line of the piece is taken to begin
    // there.
    void feed(LineScanner &lines, qint64 position, bool positionsFollowBytes);
    // After the last piece: the last record takes its callees, as at an
    // empty line, and the root is assembled; answers the root's call
    // number (CallTree::none for none).
    // Throws std::bad_alloc when memory (or the limit) runs short and
    // std::length_error when the calls cannot be numbered.
    quint32 finish();

private:
    enum class State { Prologue, Header, Body, Graph };

    // `datum` is what the scanner worked out for the line, or 0.
    void handleLine(std::string_view line, quint64 datum);
    void handleHeaderLine(std::string_view line, quint64 datum);
    void handleBodyLine(std::string_view line, quint64 datum);
    void handleCostLine(std::string_view line, quint64 datum);
    void readCallSiteLine(quint64 datum);
    void readSummary(std::string_view numbers);
    void startBody();
    void startCall(const FunctionModel &function, std::string_view line);
    // Room in the tree for one more call, read at `position`.
    void makeRoomForCall(qint64 position);
    void claimCallees();
    // At the end of a record: gives the callees its call claimed the lines
    // they were called from.
    void assignCallSites();
    void countCall(std::string_view line);
    void noteCallee(std::string_view name, quint64 datum);
    // The hash of a function's name, as NameTable::hashOf gives it.
    quint32 nameHash(quint32 function)
    {
        if (function < m_nameHashes.size() && m_nameHashes[function] != 0)
            return m_nameHashes[function];
        return newNameHash(function);
    }
    quint32 newNameHash(quint32 function);
    void checkRecord(bool atEnd);
    void finishGraph();
    quint32 assembleRoot();
    qint64 linePosition(std::string_view line) const;
    qint64 memoryUse() const;
    // Throws std::bad_alloc when the read takes more than its limit, or,
    // `withShare`, more than its share of the budget can grow to.
    void checkMemory(bool withShare) const;

    Profile &m_profile;
    const Limits m_limits;
    NameResolver m_names;
    CallEstimate m_estimate;
    ProgressController *m_progress = nullptr;
    qint64 m_progressSize = 0;

    // The lines of the piece being read, and where the piece begins.
    LineScanner *m_lines = nullptr;
    qint64 m_piecePosition = 0;
    bool m_positionsFollowBytes = true;

    State m_state = State::Prologue;
    int m_eventCount = 1;
    std::vector<bool> m_signedEvents;
    // Calls not claimed by a caller yet, as many as a million: huge pages.
    std::pmr::vector<quint32> m_unclaimedCalls;
    quint64 m_announcedCallees = 0;
    // The lines of the current record's "cfn=" lines, in file order, and
    // whether the last one has been read; the callees its call has claimed.
    std::vector<quint32> m_callSiteLines;
    bool m_callSiteLineRead = true;
    std::vector<quint32> m_claimedCallees;
    // Of the record read last: its "calls=" and "cfn=" lines, how many calls
    // it claimed, and the sum of the hashes of the names its "cfn=" lines give
    // less those of the functions of the calls it claimed.
    quint64 m_announcedCalls = 0;
    quint64 m_namedCallees = 0;
    quint64 m_claimedCount = 0;
    quint32 m_calleeBalance = 0;
    quint32 m_recordsToCompare = 100000;
    // Per function id, the hash of its name, or 0 until known.
    std::vector<quint32> m_nameHashes;
    std::unique_ptr<FunctionGraphReader> m_graph;
    quint32 m_currentSource;
};
