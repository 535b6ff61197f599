#pragma once

#include "CompressedNameTable.h"
#include "LineScanner.h"

#include <QtGlobal>

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Profile;
class ProgressController;

// Builds the call tree of a profile in the cachegrind text format, as PHP
// profilers write it, from its text, given in pieces of any size: a line
// may run across pieces. Used once per read.
class CachegrindParser
{
public:
    // How much the reader may take: what memory and the call numbers allow
    // unless lowered.
    struct Limits
    {
        quint64 calls = std::numeric_limits<quint32>::max() - 1;
        qint64 memoryBytes = std::numeric_limits<qint64>::max();
    };
    // Above this many bytes the reader shows its progress display.
    static constexpr qint64 progressThreshold = 300000;

    CachegrindParser(Profile &profile, const Limits &limits);
    ~CachegrindParser();

    // Shows the progress display made by `factory`, if there is one and the
    // text is long: `size` is what positions are measured against.
    void startProgress(const std::function<std::unique_ptr<ProgressController>()> &factory, qint64 size);
    // The next piece of the text. `position` is where the piece begins, for
    // the progress display; with `positionsFollowBytes` false every line of
    // the piece is taken to begin there.
    void feed(const char *begin, const char *end, qint64 position, bool positionsFollowBytes = true);
    // The same for a piece already split, by reset(), into `lines`.
    void feed(LineScanner &lines, qint64 position, bool positionsFollowBytes);
    // After the last piece: reads its unterminated last line and assembles
    // the root; answers the root's call number (CallTree::none for none).
    // Throws std::bad_alloc when memory (or the limit) runs short and
    // std::length_error when the calls cannot be numbered.
    quint32 finish();

private:
    enum class State { Prologue, Header, Body };

    // `datum` is what the scanner worked out for the line, or 0.
    void handleLine(std::string_view line, quint64 datum = 0);
    void handleHeaderLine(std::string_view line);
    void handleBodyLine(std::string_view line, quint64 datum);
    void handleCostLine(std::string_view line, quint64 datum);
    void readSummary(std::string_view numbers);
    void startBody();
    void startCall(quint32 function, std::string_view line);
    void claimCallees();
    quint32 assembleRoot();
    qint64 linePosition(std::string_view line) const;
    // The profile's interning, as the compressed names want it; the name's
    // hash, if known, is that of `text`.
    auto internFunction(std::string_view text = {}, quint64 hash = 0);
    auto internSource(std::string_view text = {}, quint64 hash = 0);
    void checkMemory() const;

    Profile &m_profile;
    const Limits m_limits;
    std::unique_ptr<ProgressController> m_progressWindow;
    qint64 m_progressSize = 0;

    // Where the current piece begins, and the start of a line carried over
    // from the pieces before it.
    const char *m_pieceBegin = nullptr;
    qint64 m_piecePosition = 0;
    bool m_positionsFollowBytes = true;
    // The lines of the piece being read, and those of pieces given whole.
    LineScanner *m_lines = nullptr;
    LineScanner m_ownLines;
    std::string m_carry;
    // The last file named literally, which the next record often names again.
    std::string m_lastSourceName;
    qint64 m_carryPosition = 0;
    bool m_handlingCarry = false;
    // The last piece ended with "\r": a "\n" that starts the next is its pair.
    bool m_afterCarriageReturn = false;

    State m_state = State::Prologue;
    int m_eventCount = 1;
    std::vector<bool> m_signedEvents;
    std::vector<quint32> m_unclaimedCalls;
    quint64 m_announcedCallees = 0;
    quint32 m_currentSource;
    CompressedNameTable m_functionNumbers;
    CompressedNameTable m_sourceNumbers;
};
