#pragma once

#include "CallTree.h"
#include "LineScanner.h"
#include "MemoryBudget.h"
#include "NameResolver.h"

#include <QtGlobal>

#include <functional>
#include <limits>
#include <memory>
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
    // Above this many bytes the reader shows its progress display.
    static constexpr qint64 progressThreshold = 300000;

    CachegrindParser(Profile &profile, const Limits &limits);
    ~CachegrindParser();

    // Shows the progress display made by `factory`, if there is one and the
    // text is long: `size` is what positions are measured against.
    void startProgress(const std::function<std::unique_ptr<ProgressController>()> &factory, qint64 size);
    // The next piece of the text, taken apart into `lines`. `position` is
    // where the piece begins, for the progress display; with
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
    void readSummary(std::string_view numbers);
    void startBody();
    void startCall(const FunctionModel &function, std::string_view line);
    void claimCallees();
    quint32 assembleRoot();
    qint64 linePosition(std::string_view line) const;
    // Throws std::bad_alloc when the read takes more than its limit, or,
    // `withShare`, more than its share of the budget can grow to.
    void checkMemory(bool withShare) const;

    Profile &m_profile;
    const Limits m_limits;
    NameResolver m_names;
    std::unique_ptr<ProgressController> m_progressWindow;
    qint64 m_progressSize = 0;

    // The lines of the piece being read, and where the piece begins.
    LineScanner *m_lines = nullptr;
    qint64 m_piecePosition = 0;
    bool m_positionsFollowBytes = true;

    State m_state = State::Prologue;
    int m_eventCount = 1;
    std::vector<bool> m_signedEvents;
    std::vector<quint32> m_unclaimedCalls;
    quint64 m_announcedCallees = 0;
    quint32 m_currentSource;
};
