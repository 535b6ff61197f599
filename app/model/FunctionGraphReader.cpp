#include "FunctionGraphReader.h"

#include "LineScanner.h"
#include "Profile.h"

#include <limits>
#include <new>
#include <stdexcept>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A number at `pos`: decimal, or hexadecimal after "0x"; saturating.
bool readNumber(std::string_view line, size_t &pos, quint64 &value)
{
    if (pos + 2 < line.size() && line[pos] == '0' && (line[pos + 1] == 'x' || line[pos + 1] == 'X')) {
        const size_t start = pos + 2;
        value = 0;
        for (pos = start; pos < line.size(); ++pos) {
            const char c = line[pos];
            const int digit = isDigit(c) ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
            if (digit < 0)
                break;
            value = value >> 60 ? std::numeric_limits<quint64>::max() : value << 4 | quint64(digit);
        }
        return pos > start;
    }
    return LineScanner::readNumber(line, pos, value);
}

// A subposition at `pos`: absolute, or relative to `last` ("+N", "-N", "*").
bool readSubposition(std::string_view line, size_t &pos, quint64 last, quint64 &value)
{
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (pos == line.size())
        return false;
    const char sign = line[pos];
    if (sign == '*') {
        ++pos;
        value = last;
        return true;
    }
    if (sign != '+' && sign != '-')
        return readNumber(line, pos, value);
    ++pos;
    quint64 step = 0;
    if (!readNumber(line, pos, step))
        return false;
    if (sign == '-')
        value = step > last ? 0 : last - step;
    else
        value = Cost::addBits(last, step, false);
    return true;
}

bool isKeyCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_';
}

} // namespace

FunctionGraphReader::FunctionGraphReader(Profile &profile, qint64 memoryLimit, quint64 itemLimit)
    : m_profile(profile)
    , m_memoryLimit(memoryLimit)
    , m_itemLimit(itemLimit)
    , m_names(profile, memoryLimit)
{ }

void FunctionGraphReader::feed(LineScanner &lines)
{
    std::string_view line;
    quint64 datum = 0;
    while (lines.next(line, datum))
        handleLine(line, datum);
}

FunctionGraph FunctionGraphReader::finish()
{
    if (!m_body)
        startBody();
    m_graph.finish();
    const QList<ProfileEvent> &events = m_profile.m_events;
    const std::vector<quint64> &figures = m_hasSummary ? m_summary : m_totals;
    m_profile.m_summaryCosts.clear();
    if (m_hasSummary || m_hasTotals) {
        // A line with fewer figures than events (or events declared again
        // after it) leaves the rest at 0.
        for (qsizetype event = 0; event < events.size(); ++event)
            m_profile.m_summaryCosts.append(
                events[event].cost(size_t(event) < figures.size() ? figures[size_t(event)] : 0));
    }
    return std::move(m_graph);
}

void FunctionGraphReader::startBody()
{
    m_body = true;
    const QList<ProfileEvent> &events = m_profile.m_events;
    std::vector<bool> signedEvents;
    m_profile.m_timeEvent = 0;
    for (qsizetype event = events.size(); event-- > 0;) {
        signedEvents.insert(signedEvents.begin(), events[event].isSigned());
        if (events[event].kind() == ProfileEvent::Kind::Time)
            m_profile.m_timeEvent = int(event);
    }
    m_graph = FunctionGraph(signedEvents);
}

void FunctionGraphReader::handleLine(std::string_view line, quint64 datum)
{
    if (line.empty())
        return;
    const char first = line.front();
    if (isDigit(first) || first == '+' || first == '-' || first == '*') {
        if (!m_body)
            startBody();
        handleCostLine(line);
        return;
    }
    size_t length = 0;
    while (length < line.size() && isKeyCharacter(line[length]))
        ++length;
    if (length == 0 || length == line.size())
        return;
    if (line[length] == ':') {
        handleHeaderLine(line);
        return;
    }
    if (line[length] != '=')
        return;
    if (!m_body)
        startBody();
    const std::string_view key = line.substr(0, length);
    const std::string_view value = line.substr(length + 1);
    if (key == "fn") {
        startFunction(value, datum);
    } else if (key == "cfn") {
        m_calleeFunction = m_names.function(value, datum)->id();
    } else if (key == "calls") {
        readCall(value);
    } else if (key == "fl") {
        m_source = m_codeSource = m_names.source(value, datum);
    } else if (key == "fi" || key == "fe") {
        m_codeSource = m_names.source(value, 0);
    } else if (key == "cfi" || key == "cfl") {
        m_calleeSource = m_names.source(value, 0);
    } else if (key == "ob") {
        m_object = object(value);
    } else if (key == "cob") {
        m_calleeObject = object(value);
    } else if (key == "jfi") {
        m_names.defineSource(value);
    } else if (key == "jfn") {
        m_names.defineFunction(value);
    }
    // Jumps ("jump=", "jcnd=") and keys the format does not know are read
    // past.
}

void FunctionGraphReader::handleHeaderLine(std::string_view line)
{
    const size_t colon = line.find(':');
    const std::string_view key = line.substr(0, colon);
    const std::string_view value = line.substr(colon + 1);
    if (key == "events") {
        // Several parts name their events again; the first names them all.
        if (!m_body)
            m_profile.m_events = ProfileEvent::fromEventsLine(QByteArrayView(value.data(), qsizetype(value.size())));
    } else if (key == "positions") {
        setPositions(value);
    } else if (key == "part") {
        m_lastPosition.assign(m_lastPosition.size(), 0);
    } else if (key == "summary") {
        addFigures(value, 0, m_summary);
        m_hasSummary = true;
    } else if (key == "totals") {
        addFigures(value, 0, m_totals);
        m_hasTotals = true;
    }
}

void FunctionGraphReader::setPositions(std::string_view names)
{
    m_positionCount = 0;
    m_linePosition = -1;
    size_t pos = 0;
    while (pos < names.size()) {
        while (pos < names.size() && isBlank(names[pos]))
            ++pos;
        const size_t start = pos;
        while (pos < names.size() && !isBlank(names[pos]))
            ++pos;
        if (pos == start)
            break;
        if (names.substr(start, pos - start) == "line")
            m_linePosition = m_positionCount;
        ++m_positionCount;
    }
    if (m_positionCount == 0) {
        m_positionCount = 1;
        m_linePosition = 0;
    }
    m_lastPosition.assign(size_t(m_positionCount), 0);
}

void FunctionGraphReader::addFigures(std::string_view line, size_t pos, std::vector<quint64> &sums) const
{
    const QList<ProfileEvent> &events = m_profile.m_events;
    sums.resize(size_t(events.size()), 0);
    for (qsizetype event = 0; event < events.size(); ++event) {
        bool negative = false;
        quint64 magnitude = 0;
        if (!LineScanner::readFigure(line, pos, negative, magnitude))
            break;
        const bool isSigned = events[event].isSigned();
        sums[size_t(event)]
            = Cost::addBits(sums[size_t(event)], Cost::bitsOfFigure(negative, magnitude, isSigned), isSigned);
    }
}

void FunctionGraphReader::handleCostLine(std::string_view line)
{
    size_t pos = 0;
    quint64 sourceLine = 0;
    for (int position = 0; position < m_positionCount; ++position) {
        quint64 value = 0;
        if (!readSubposition(line, pos, m_lastPosition[size_t(position)], value))
            break;
        m_lastPosition[size_t(position)] = value;
        if (position == m_linePosition)
            sourceLine = value;
    }
    if (m_node == FunctionGraph::none)
        return;
    const quint32 lineNumber = quint32(qMin<quint64>(sourceLine, std::numeric_limits<quint32>::max()));
    m_figures.assign(size_t(m_graph.eventCount()), 0);
    for (int event = 0; event < m_graph.eventCount(); ++event) {
        bool negative = false;
        quint64 magnitude = 0;
        if (!LineScanner::readFigure(line, pos, negative, magnitude))
            break;
        m_figures[size_t(event)] = Cost::bitsOfFigure(negative, magnitude, m_graph.isSigned(event));
    }
    if (!m_callPending) {
        if (!m_lineKnown) {
            m_graph.setRecorded(m_node, lineNumber);
            m_lineKnown = true;
        }
        for (int event = 0; event < m_graph.eventCount(); ++event)
            m_graph.addSelfBits(event, m_node, m_figures[size_t(event)]);
        return;
    }
    // The cost of the call just announced.
    m_callPending = false;
    const quint64 before = quint64(m_graph.size()) + m_graph.edgeCount();
    const quint32 callee
        = m_graph.node(m_calleeFunction, m_calleeSource != FunctionGraph::none ? m_calleeSource : m_codeSource,
            m_calleeObject != FunctionGraph::none ? m_calleeObject : m_object);
    const quint32 edge = m_graph.edge(m_node, callee, lineNumber);
    m_graph.addCalls(edge, m_callCount);
    for (int event = 0; event < m_graph.eventCount(); ++event)
        m_graph.addInclusiveBits(event, edge, m_figures[size_t(event)]);
    // The callee's file and object are given again for each call; its name
    // stays.
    m_calleeSource = m_calleeObject = FunctionGraph::none;
    checkSize(before);
}

void FunctionGraphReader::startFunction(std::string_view name, quint64 datum)
{
    const quint64 before = quint64(m_graph.size()) + m_graph.edgeCount();
    m_node = m_graph.node(m_names.function(name, datum)->id(), m_source, m_object);
    m_graph.setRecorded(m_node, 0);
    m_lineKnown = false;
    m_callPending = false;
    m_calleeSource = m_calleeObject = FunctionGraph::none;
    checkSize(before);
}

void FunctionGraphReader::readCall(std::string_view numbers)
{
    size_t pos = 0;
    while (pos < numbers.size() && isBlank(numbers[pos]))
        ++pos;
    quint64 count = 0;
    // The target position after the count is the callee's: not needed.
    if (!readNumber(numbers, pos, count) || m_node == FunctionGraph::none || m_calleeFunction == FunctionGraph::none)
        return;
    m_callCount = count;
    m_callPending = true;
}

quint32 FunctionGraphReader::object(std::string_view name)
{
    return m_objectNumbers.resolve(name, [this](std::string_view text) { return m_graph.internObject(text); });
}

void FunctionGraphReader::checkSize(quint64 itemsBefore)
{
    const quint64 items = quint64(m_graph.size()) + m_graph.edgeCount();
    if (items == itemsBefore)
        return;
    if (items > m_itemLimit)
        throw std::length_error("too many functions");
    if (m_memoryLimit != std::numeric_limits<qint64>::max() && m_graph.memoryUse() > m_memoryLimit)
        throw std::bad_alloc();
}
