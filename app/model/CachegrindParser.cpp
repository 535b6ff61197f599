#include "CachegrindParser.h"

#include "CallPathEstimator.h"
#include "FunctionGraphReader.h"
#include "LineScanner.h"
#include "Profile.h"
#include "ProgressController.h"
#include "SharedText.h"

#include <limits>
#include <new>
#include <stdexcept>

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
    , m_currentSource(CallTree::none)
{
    if (asGraph)
        m_graph = std::make_unique<FunctionGraphReader>(profile, limits.memoryBytes, limits.calls);
}

CachegrindParser::~CachegrindParser() = default;

void CachegrindParser::startProgress(const std::function<std::unique_ptr<ProgressController>()> &factory, qint64 size)
{
    m_progressSize = size;
    if (size > progressThreshold && factory)
        m_progressWindow = factory();
    if (!m_progressWindow)
        return;
    m_progressWindow->showWindow();
    const qint32 shownSize = qint32(qMin<qint64>(size, std::numeric_limits<qint32>::max()));
    m_progressWindow->setStatusLine(QStringLiteral("File size: ") + stringFromFileSize(shownSize));
    m_progressWindow->setMaxValue(double(size));
    m_progressWindow->setRemainingValue(double(size));
}

void CachegrindParser::feed(LineScanner &lines, qint64 position, bool positionsFollowBytes)
{
    m_lines = &lines;
    m_piecePosition = position;
    m_positionsFollowBytes = positionsFollowBytes;
    if (m_graph) {
        m_graph->feed(lines);
        if (m_progressWindow)
            m_progressWindow->setRemainingValue(double(qMax<qint64>(0, m_progressSize - position)));
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
}

quint32 CachegrindParser::finish()
{
    if (m_graph)
        finishGraph();
    else if (m_state != State::Body)
        startBody();
    if (m_progressWindow)
        m_progressWindow->setRemainingValue(0.0);
    const quint32 root = m_graph ? CallTree::none : assembleRoot();
    if (m_progressWindow) {
        m_progressWindow->close();
        m_progressWindow.reset();
    }
    return root;
}

qint64 CachegrindParser::linePosition(std::string_view line) const
{
    return m_piecePosition + (m_positionsFollowBytes ? qint64(line.data() - m_lines->begin()) : 0);
}

void CachegrindParser::checkMemory() const
{
    if (m_limits.memoryBytes == std::numeric_limits<qint64>::max())
        return;
    const qint64 used = m_profile.m_tree.memoryUse() + qint64(m_unclaimedCalls.capacity() * sizeof(quint32));
    if (used > m_limits.memoryBytes)
        throw std::bad_alloc();
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
    m_profile.m_tree = CallTree(m_signedEvents);
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
            : m_claimedCallees == m_namedCallees  ? m_announcedCalls > m_claimedCallees || m_calleeBalance != 0
                                                  : m_claimedCallees == 0;
        if (graph)
            m_state = State::Graph;
        if (m_recordsToCompare > 0)
            --m_recordsToCompare;
    }
    m_announcedCalls = m_namedCallees = m_claimedCallees = 0;
    m_calleeBalance = 0;
}

void CachegrindParser::startCall(const FunctionModel &function, std::string_view line)
{
    if (m_announcedCalls != 0) {
        checkRecord(false);
        if (m_state == State::Graph)
            return;
    } else {
        m_namedCallees = m_claimedCallees = 0;
        m_calleeBalance = 0;
    }
    CallTree &tree = m_profile.m_tree;
    if (tree.size() >= m_limits.calls)
        throw std::length_error("too many calls");
    m_unclaimedCalls.push_back(tree.append(function, m_currentSource));
    checkMemory();
    if (m_progressWindow)
        m_progressWindow->setRemainingValue(double(qMax<qint64>(0, m_progressSize - linePosition(line))));
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
            m_calleeBalance -= nameHash(tree.function(*callee));
    }
    m_unclaimedCalls.erase(callees, m_unclaimedCalls.end() - 1);
    m_claimedCallees += taken;
}

quint32 CachegrindParser::assembleRoot()
{
    quint32 root = CallTree::none;
    if (m_unclaimedCalls.size() == 1) {
        root = m_unclaimedCalls.front();
    } else if (m_unclaimedCalls.size() > 1) {
        // A synthetic root over every unclaimed call, in the file's order.
        root = m_profile.m_tree.append(
            m_profile.function(m_profile.internFunction("root")), m_profile.internSource("-"));
        for (const quint32 call : m_unclaimedCalls)
            m_profile.m_tree.setParent(call, root);
    }
    std::vector<quint32>().swap(m_unclaimedCalls);
    return root;
}
