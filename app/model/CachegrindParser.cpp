#include "CachegrindParser.h"

#include "CallPathEstimator.h"
#include "FunctionGraphReader.h"
#include "LineScanner.h"
#include "Profile.h"
#include "ProgressController.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>
#include <unistd.h>

namespace {

// Whether the line begins with the literal `prefix`, compared byte by byte.
template <size_t N> bool hasPrefix(std::string_view line, const char (&prefix)[N])
{
    return line.size() >= N - 1 && line.compare(0, N - 1, prefix, N - 1) == 0;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Whether a header line tells a profile written as a function graph: by
// valgrind's callgrind, or with positions other than source lines.
bool tellsGraph(std::string_view line)
{
    if (hasPrefix(line, "creator:"))
        return hasPrefix(trimmed(line.substr(8)), "callgrind");
    return hasPrefix(line, "positions:") && trimmed(line.substr(10)) != "line";
}

} // namespace

CachegrindParser::CachegrindParser(Profile &profile, const Limits &limits, bool asGraph)
    : m_profile(profile)
    , m_limits(limits)
    , m_names(profile, limits.memoryBytes)
    , m_unclaimedCalls(profile.m_options.memory)
    , m_currentSource(CallTree::none)
{
    if (asGraph)
        m_graph = std::make_unique<FunctionGraphReader>(profile, limits.memoryBytes, limits.calls);
}

CachegrindParser::~CachegrindParser() = default;

void CachegrindParser::setProgress(ProgressController *progress, qint64 size)
{
    m_progress = progress;
    m_progressSize = size;
    if (m_progress)
        m_progress->setProgress(0.0);
}

void CachegrindParser::feed(LineScanner &lines, qint64 position, bool positionsFollowBytes)
{
    m_lines = &lines;
    m_piecePosition = position;
    m_positionsFollowBytes = positionsFollowBytes;
    if (m_graph) {
        m_graph->feed(lines);
        if (m_progress && m_progressSize > 0)
            m_progress->setProgress(std::min(1.0, double(position) / double(m_progressSize)));
        return;
    }
    std::string_view line;
    quint64 datum = 0;
    // The names some lines ahead are asked for early, their slots first and
    // then what the slots lead to: looking them up otherwise waits for
    // memory when a profile has many functions.
    constexpr qsizetype slotsAhead = 60;
    constexpr qsizetype namesAhead = 30;
    while (lines.next(line, datum)) {
        const quint64 slotAhead = lines.datumAhead(slotsAhead);
        if (slotAhead & (LineScanner::functionName | LineScanner::sourceName))
            m_names.prefetchSlot(slotAhead & LineScanner::functionName, slotAhead);
        const quint64 nameAhead = lines.datumAhead(namesAhead);
        if (nameAhead & (LineScanner::functionName | LineScanner::sourceName))
            m_names.prefetchName(nameAhead & LineScanner::functionName, nameAhead);
        handleLine(line, datum);
    }
    // Names grow without calls: the budget is asked once a piece as well.
    checkMemory(true);
}

quint32 CachegrindParser::finish()
{
    if (m_graph)
        finishGraph();
    else if (m_state != State::Body)
        startBody();
    quint32 root = CallTree::none;
    if (!m_graph) {
        // The end of the text ends the last record as an empty line would.
        claimCallees();
        assignCallSites();
        checkMemory(true);
        root = assembleRoot();
    }
    if (m_progress)
        m_progress->setProgress(1.0);
    return root;
}

qint64 CachegrindParser::linePosition(std::string_view line) const
{
    return m_piecePosition + (m_positionsFollowBytes ? qint64(line.data() - m_lines->begin()) : 0);
}

qint64 CachegrindParser::memoryUse() const
{
    return m_profile.m_tree.memoryUse()
        + qint64(
            (m_unclaimedCalls.capacity() + m_callSiteLines.capacity() + m_claimedCallees.capacity()) * sizeof(quint32));
}

void CachegrindParser::checkMemory(bool withShare) const
{
    withShare = withShare && m_limits.share;
    if (m_limits.memoryBytes == std::numeric_limits<qint64>::max() && !withShare)
        return;
    const qint64 used = memoryUse();
    if (used > m_limits.memoryBytes)
        throw std::bad_alloc();
    if (withShare
        && !m_limits.share->grow(used + m_profile.m_functionNames.memoryUse() + m_profile.m_sourceNames.memoryUse()))
        throw std::bad_alloc();
}

void CachegrindParser::makeRoomForCall(qint64 position)
{
    CallTree &tree = m_profile.m_tree;
    if (tree.size() < tree.capacity())
        return;
    // No more room than the limits leave, nor than the machine's memory
    // could fill, as the system may refuse to map more.
    static const qint64 physicalMemory = qint64(sysconf(_SC_PHYS_PAGES)) * qint64(sysconf(_SC_PAGESIZE));
    const qint64 memoryLimit = physicalMemory > 0 ? qMin(m_limits.memoryBytes, physicalMemory) : m_limits.memoryBytes;
    const quint64 calls = m_limits.calls - qMin(m_limits.calls, tree.capacity()) + 1;
    const quint64 memory = quint64(qMax<qint64>(0, memoryLimit - memoryUse())) / quint64(tree.bytesPerCall());
    tree.addChunk(m_estimate.nextChunk(tree.capacity(), position, qMin(calls, memory)));
}

// Inline: it runs for every line of the profile.
Q_ALWAYS_INLINE void CachegrindParser::handleLine(std::string_view line, quint64 datum)
{
    if (m_state == State::Body)
        handleBodyLine(line, datum);
    else
        handleHeaderLine(line, datum);
}

void CachegrindParser::finishGraph()
{
    Profile &profile = m_profile;
    profile.m_graph = m_graph->finish();
    profile.m_aggregated = true;
    profile.m_estimatedTree = CallPathEstimator::estimate(profile.m_graph, profile.m_timeEvent,
        profile.internFunction("root"), profile.internFunction(Profile::moreCallsName));
}

void CachegrindParser::handleHeaderLine(std::string_view line, quint64 datum)
{
    if (m_state == State::Graph || hasPrefix(line, "#"))
        return;
    if (tellsGraph(line)) {
        m_state = State::Graph;
        return;
    }
    if (m_state == State::Prologue) {
        if (hasPrefix(line, "version:") || hasPrefix(line, "creator:"))
            return;
        m_state = State::Header;
    }
    if (hasPrefix(line, "events:")) {
        m_profile.m_events = ProfileEvent::fromEventsLine(QByteArrayView(line.data(), qsizetype(line.size())));
        return;
    }
    if (hasPrefix(line, "summary:")) {
        readSummary(line.substr(8));
        return;
    }
    if (hasPrefix(line, "cmd:") || hasPrefix(line, "part:") || line.find('=') == std::string_view::npos)
        return;
    startBody();
    handleBodyLine(line, datum);
}

void CachegrindParser::startBody()
{
    m_state = State::Body;
    const QList<ProfileEvent> &events = m_profile.m_events;
    m_eventCount = int(events.size());
    m_signedEvents.clear();
    for (const ProfileEvent &event : events)
        m_signedEvents.push_back(event.isSigned());
    m_profile.m_timeEvent = 0;
    for (int event = 0; event < m_eventCount; ++event) {
        if (events[event].kind() == ProfileEvent::Kind::Time) {
            m_profile.m_timeEvent = event;
            break;
        }
    }
    const Profile::ReadOptions &options = m_profile.m_options;
    m_profile.m_tree = CallTree(m_signedEvents, options.chunkPageShift, options.memory);
}

Q_ALWAYS_INLINE void CachegrindParser::handleBodyLine(std::string_view line, quint64 datum)
{
    // The first byte picks the few keys worth comparing; the order of the
    // tests among lines that could match several keys is kept.
    const char first = line.empty() ? '\0' : line.front();
    switch (first) {
    case 'f':
        if (line.size() >= 3 && line[2] == '=') {
            const std::string_view rest = line.substr(3);
            switch (line[1]) {
            case 'n':
                startCall(*m_names.function(rest, datum), line);
                return;
            case 'l':
                m_currentSource = m_names.source(rest, datum);
                return;
            case 'i':
            case 'e':
                // The file of inlined code may define a compressed number;
                // like every other line it makes a claim step.
                m_names.defineSource(rest);
                break;
            }
        }
        break;
    case 'c':
        if (hasPrefix(line, "calls=")) {
            countCall(line);
            return;
        }
        if (hasPrefix(line, "cfn=")) {
            noteCallee(line.substr(4), datum);
            ++m_announcedCallees;
            // A record's lines are assigned to the callees it claimed and
            // may claim, never more than those and the calls below it: the
            // oldest lines beyond are never assigned.
            if (const size_t kept = m_unclaimedCalls.size() + m_claimedCallees.size();
                m_callSiteLines.size() > 2 * kept + 64)
                m_callSiteLines.erase(m_callSiteLines.begin(), m_callSiteLines.end() - qsizetype(kept));
            m_callSiteLines.push_back(0);
            m_callSiteLineRead = false;
            return;
        }
        if (hasPrefix(line, "cfl=") || hasPrefix(line, "cfi="))
            m_names.defineSource(line.substr(4));
        break;
    case '#':
        return;
    case 's':
        if (hasPrefix(line, "summary:")) {
            readSummary(line.substr(8));
            return;
        }
        break;
    default:
        if (isDigit(first) && line.size() >= 3) {
            // A cost line; while callees are announced it is a callee's.
            if (m_announcedCallees == 0)
                handleCostLine(line, datum);
            else
                readCallSiteLine(datum);
            return;
        }
        break;
    }
    if (m_announcedCallees != 0)
        claimCallees();
}

// A record whose calls are counted must claim its callees before the next
// record, some of them at least, and when it claims them all, calls of the
// functions it names (their names' hashes add up alike; compared in the
// first records only, where a profile written per function shows itself,
// as comparing costs a large profile a few percent of its reading). At the
// end of the text its last claim may be missing, as a file cut short has it.
Q_ALWAYS_INLINE void CachegrindParser::checkRecord(bool atEnd)
{
    if (m_announcedCalls > 0) {
        const bool graph = m_announcedCallees > 0 ? !atEnd
            : m_claimedCount == m_namedCallees    ? m_announcedCalls > m_claimedCount || m_calleeBalance != 0
                                                  : m_claimedCount == 0;
        if (graph)
            m_state = State::Graph;
        if (m_recordsToCompare > 0)
            --m_recordsToCompare;
    }
    m_announcedCalls = m_namedCallees = m_claimedCount = 0;
    m_calleeBalance = 0;
}

void CachegrindParser::startCall(const FunctionModel &function, std::string_view line)
{
    if (!m_claimedCallees.empty() || m_callSiteLines.size() > m_announcedCallees)
        assignCallSites();
    if (m_announcedCalls != 0) {
        checkRecord(false);
        if (m_state == State::Graph)
            return;
    } else {
        m_namedCallees = m_claimedCount = 0;
        m_calleeBalance = 0;
    }
    CallTree &tree = m_profile.m_tree;
    if (tree.size() >= m_limits.calls)
        throw std::length_error("too many calls");
    makeRoomForCall(linePosition(line));
    m_unclaimedCalls.push_back(tree.append(function, m_currentSource));
    // The shared budget, which also counts the names, is asked every 1024
    // calls, at the end of each piece and at the end of the text.
    checkMemory(tree.size() % 1024 == 0);
    if (m_progress && m_progressSize > 0)
        m_progress->setProgress(std::min(1.0, double(linePosition(line)) / double(m_progressSize)));
}

void CachegrindParser::handleCostLine(std::string_view line, quint64 datum)
{
    // The newest call on the stack is the one read last.
    if (m_unclaimedCalls.empty())
        return;
    CallTree &tree = m_profile.m_tree;
    const quint32 call = tree.size() - 1;
    const auto setLine = [&](quint64 number) {
        tree.setLine(call, quint32(qMin<quint64>(number, std::numeric_limits<quint32>::max())));
    };
    // A figure that is missing counts 0, and so do those after it.
    if ((datum & LineScanner::costFigures) && m_eventCount <= LineScanner::maxFigures) {
        const LineScanner::Figures figures = m_lines->figures(datum);
        setLine(figures.line());
        for (int event = 0; event < m_eventCount; ++event) {
            tree.setSelfBits(event, call,
                event < figures.count() ? Cost::bitsOfFigure(
                    figures.isNegative(event), figures.magnitude(event), m_signedEvents[size_t(event)])
                                        : 0);
        }
        return;
    }
    size_t pos = 0;
    quint64 number = 0;
    LineScanner::readNumber(line, pos, number);
    setLine(number);
    bool more = true;
    for (int event = 0; event < m_eventCount; ++event) {
        bool negative = false;
        more = more && LineScanner::readFigure(line, pos, negative, number);
        tree.setSelfBits(event, call, more ? Cost::bitsOfFigure(negative, number, m_signedEvents[size_t(event)]) : 0);
    }
}

void CachegrindParser::readSummary(std::string_view numbers)
{
    QList<Cost> costs;
    size_t pos = 0;
    for (const ProfileEvent &event : std::as_const(m_profile.m_events)) {
        bool negative = false;
        quint64 magnitude = 0;
        if (!LineScanner::readFigure(numbers, pos, negative, magnitude))
            break;
        costs.append(event.cost(Cost::bitsOfFigure(negative, magnitude, event.isSigned())));
    }
    m_profile.m_summaryCosts = costs;
}

Q_ALWAYS_INLINE void CachegrindParser::countCall(std::string_view line)
{
    // Each call of a profile written call by call is counted once.
    if (line.size() < 7 || line[6] != '1' || (line.size() > 7 && line[7] != ' ')) {
        size_t pos = 6;
        quint64 count = 0;
        if (LineScanner::readNumber(line, pos, count) && count > 1) {
            m_state = State::Graph;
            return;
        }
    }
    ++m_announcedCalls;
}

Q_ALWAYS_INLINE void CachegrindParser::noteCallee(std::string_view name, quint64 datum)
{
    ++m_namedCallees;
    if (m_recordsToCompare == 0) {
        m_names.defineFunction(name);
        return;
    }
    if (datum & LineScanner::calleeName) {
        m_calleeBalance += quint32(datum);
        return;
    }
    // A compressed name may define a number.
    const quint32 function = m_names.compressedFunction(name);
    m_calleeBalance += function != CompressedNameTable::none ? nameHash(function) : quint32(NameTable::hashOf(name));
}

quint32 CachegrindParser::newNameHash(quint32 function)
{
    if (function >= m_nameHashes.size())
        m_nameHashes.resize(size_t(m_profile.functionCount()), 0);
    return m_nameHashes[function] = quint32(NameTable::hashOf(m_profile.m_functionNames.bytes(function)));
}

bool CachegrindParser::foundGraph(bool atEnd)
{
    if (atEnd && m_state == State::Body)
        checkRecord(true);
    return m_state == State::Graph;
}

void CachegrindParser::claimCallees()
{
    if (m_announcedCallees == 0)
        return;
    // The newest call takes the calls just below it; if fewer are there than
    // were announced, it takes those there are.
    const size_t below = m_unclaimedCalls.empty() ? 0 : m_unclaimedCalls.size() - 1;
    const size_t taken = size_t(qMin<quint64>(m_announcedCallees, below));
    m_announcedCallees = 0;
    if (taken == 0)
        return;
    const quint32 caller = m_unclaimedCalls.back();
    const auto callees = m_unclaimedCalls.end() - 1 - qsizetype(taken);
    CallTree &tree = m_profile.m_tree;
    for (auto callee = callees; callee != m_unclaimedCalls.end() - 1; ++callee) {
        tree.setParent(*callee, caller);
        if (m_recordsToCompare > 0)
            m_calleeBalance -= nameHash(tree.appendedFunction(*callee));
    }
    // Newest first: a record's later claims take older calls.
    for (auto callee = m_unclaimedCalls.end() - 1; callee != callees;)
        m_claimedCallees.push_back(*--callee);
    m_unclaimedCalls.erase(callees, m_unclaimedCalls.end() - 1);
    m_claimedCount += taken;
}

void CachegrindParser::readCallSiteLine(quint64 datum)
{
    // The first cost line after a "cfn=" line: its first number is the line
    // the call was made from.
    if (m_callSiteLineRead)
        return;
    m_callSiteLineRead = true;
    const quint64 number = (datum & LineScanner::costFigures) ? m_lines->figures(datum).line() : 0;
    m_callSiteLines.back() = quint32(qMin<quint64>(number, std::numeric_limits<quint32>::max()));
}

void CachegrindParser::assignCallSites()
{
    // The i-th "cfn=" line names the i-th callee in file order, the order of
    // their numbers; the claimed callees are held newest first, as a record
    // that writes "cfl=" before each "cfn=" claims them one at a time, the
    // last first. Lines whose callees are still announced stay for the call
    // that claims them; when fewer callees were claimed than lines given,
    // they match the last.
    const size_t announced = size_t(qMin<quint64>(m_announcedCallees, m_callSiteLines.size()));
    const size_t lines = m_callSiteLines.size() - announced;
    const size_t count = qMin(lines, m_claimedCallees.size());
    for (size_t i = 0; i < count; ++i)
        m_profile.m_tree.setCallSiteLine(m_claimedCallees[count - 1 - i], m_callSiteLines[lines - count + i]);
    m_claimedCallees.clear();
    if (announced == 0)
        m_callSiteLines.clear();
    else
        m_callSiteLines.erase(m_callSiteLines.begin(), m_callSiteLines.begin() + qsizetype(lines));
}

quint32 CachegrindParser::assembleRoot()
{
    quint32 root = CallTree::none;
    if (m_unclaimedCalls.size() == 1) {
        root = m_unclaimedCalls.front();
    } else if (m_unclaimedCalls.size() > 1) {
        // A synthetic root over every unclaimed call, in the file's order.
        makeRoomForCall(m_progressSize);
        root = m_profile.m_tree.append(
            m_profile.function(m_profile.internFunction("root")), m_profile.internSource("-"));
        for (const quint32 call : m_unclaimedCalls)
            m_profile.m_tree.setParent(call, root);
    }
    std::pmr::vector<quint32>(m_unclaimedCalls.get_allocator()).swap(m_unclaimedCalls);
    return root;
}
