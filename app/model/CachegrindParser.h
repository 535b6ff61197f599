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

// Builds the call tree of a profile in the cachegrind text format, as PHP
// profilers write it, from its text, given in pieces of whole lines that a
// LineScanner has taken apart. Used once per read.
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
    CachegrindParser(Profile &profile, const Limits &limits);
    ~CachegrindParser();

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
    enum class State { Prologue, Header, Body };

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
    quint32 m_currentSource;
};
