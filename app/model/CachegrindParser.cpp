#include "CachegrindParser.h"

#include "LineSplitter.h"
#include "ProfiledFunctionCall.h"
#include "ProgressController.h"
#include "SharedText.h"

#include <limits>

namespace {

// How many bytes are read between two reports to the consumed handler.
constexpr qsizetype consumedReportStep = qsizetype(1) << 20;

// Whether the line begins with the literal `prefix`, compared byte by byte.
template <size_t N> bool hasPrefix(std::string_view line, const char (&prefix)[N])
{
    if (line.size() < N - 1)
        return false;
    for (size_t i = 0; i < N - 1; ++i) {
        if (line[i] != prefix[i])
            return false;
    }
    return true;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Reads an unsigned decimal at `pos`, saturating at the largest value; false
// when there is no digit there.
bool readNumber(std::string_view line, size_t &pos, quint64 &value)
{
    const size_t start = pos;
    value = 0;
    constexpr quint64 max = std::numeric_limits<quint64>::max();
    while (pos < line.size() && isDigit(line[pos])) {
        const quint64 digit = quint64(line[pos] - '0');
        value = value > (max - digit) / 10 ? max : value * 10 + digit;
        ++pos;
    }
    return pos > start;
}

} // namespace

CachegrindParser::CachegrindParser(QByteArrayView data, Profile &document, Profile::ProgressFactory progress)
    : m_data(data)
    , m_document(document)
    , m_progress(std::move(progress))
{ }

CachegrindParser::~CachegrindParser() = default;

std::unique_ptr<ProfiledFunctionCall> CachegrindParser::takeRootFunction()
{
    return std::move(m_rootFunction);
}

bool CachegrindParser::parse()
{
    const char *const begin = m_data.data();
    const qsizetype size = m_data.size();
    const char *const end = begin + size;

    if (size > progressThreshold && m_progress)
        m_progressWindow = m_progress();
    if (m_progressWindow) {
        m_progressWindow->showWindow();
        const qint32 shownSize = qint32(qMin<qsizetype>(size, std::numeric_limits<qint32>::max()));
        m_progressWindow->setStatusLine(QStringLiteral("File size: ") + stringFromFileSize(shownSize));
        m_progressWindow->setMaxValue(double(size));
        m_progressWindow->setRemainingValue(double(size));
    }

    qsizetype nextConsumedReport = consumedReportStep;
    LineSplitter lines(begin, end);
    std::string_view line;
    while (lines.next(line)) {
        const qsizetype lineStart = line.data() - begin;
        handleLine(line, lineStart);
        if (m_consumed && lineStart >= nextConsumedReport) {
            m_consumed(lineStart);
            nextConsumedReport = lineStart + consumedReportStep;
        }
    }

    if (m_progressWindow)
        m_progressWindow->setRemainingValue(0.0);
    assembleRoot();
    if (m_progressWindow) {
        m_progressWindow->close();
        m_progressWindow.reset();
    }
    if (m_consumed)
        m_consumed(size);
    return true;
}

void CachegrindParser::handleLine(std::string_view line, qsizetype lineStart)
{
    if (hasPrefix(line, "#"))
        return;
    if (m_state == State::Prologue) {
        if (hasPrefix(line, "version:") || hasPrefix(line, "creator:"))
            return;
        m_state = State::Header;
    }
    if (m_state == State::Header) {
        if (hasPrefix(line, "events:")) {
            m_costUnit = CostUnit::fromEventsLine(QByteArrayView(line.data(), qsizetype(line.size())));
            return;
        }
        if (hasPrefix(line, "cmd:") || hasPrefix(line, "part:"))
            return;
        if (line.find('=') == std::string_view::npos)
            return;
        m_state = State::Body;
    }
    handleBodyLine(line, lineStart);
}

void CachegrindParser::handleBodyLine(std::string_view line, qsizetype lineStart)
{
    // The first byte picks the few keys worth comparing; the order of the
    // tests among lines that could match several keys is kept.
    const char first = line.empty() ? '\0' : line.front();
    if (first == 'f') {
        if (hasPrefix(line, "fl=")) {
            const std::string_view path = m_fileIds.expand(line.substr(3));
            if (!m_currentSource || path != m_lastSourcePath) {
                m_currentSource = &source(path);
                m_lastSourcePath.assign(path);
            }
            return;
        }
        if (hasPrefix(line, "fn=")) {
            m_unclaimedCalls.push_back(std::make_unique<ProfiledFunctionCall>(
                function(m_functionIds.expand(line.substr(3))), m_currentSource));
            if (m_progressWindow)
                m_progressWindow->setRemainingValue(double(m_data.size() - lineStart));
            return;
        }
        // Lines that name the file of inlined code may define compressed
        // file ids; like every other line they make a claim step.
        if (hasPrefix(line, "fi=") || hasPrefix(line, "fe="))
            m_fileIds.expand(line.substr(3));
    } else if (first == 'c') {
        if (hasPrefix(line, "calls="))
            return;
        if (hasPrefix(line, "cfn=")) {
            // The callee's name is not needed, but it may define a compressed id.
            m_functionIds.expand(line.substr(4));
            ++m_announcedCallees;
            return;
        }
        // The callee's file: it may define a compressed file id.
        if (hasPrefix(line, "cfl=") || hasPrefix(line, "cfi="))
            m_fileIds.expand(line.substr(4));
    } else if (isDigit(first) && line.size() >= 3) {
        if (m_announcedCallees == 0)
            handleCostLine(line);
        return;
    } else if (first == 's' && hasPrefix(line, "summary:")) {
        return;
    }
    claimCallees();
}

void CachegrindParser::handleCostLine(std::string_view line)
{
    if (m_unclaimedCalls.empty())
        return;
    size_t pos = 0;
    quint64 sourceLine = 0;
    readNumber(line, pos, sourceLine);
    while (pos < line.size() && isSpace(line[pos]))
        ++pos;
    if (pos < line.size() && line[pos] == '+')
        ++pos;
    // A line without a second number records no cost for the call.
    quint64 cost = 0;
    readNumber(line, pos, cost);
    ProfiledFunctionCall &call = *m_unclaimedCalls.back();
    call.setSourceLine(quint32(qMin<quint64>(sourceLine, std::numeric_limits<quint32>::max())));
    call.setSelfTime(cost);
}

void CachegrindParser::claimCallees()
{
    if (m_announcedCallees == 0)
        return;
    // The newest call takes the calls just below it, newest first, each to
    // the front of its children; if fewer are there than were announced, it
    // takes those there are.
    const size_t below = m_unclaimedCalls.empty() ? 0 : m_unclaimedCalls.size() - 1;
    const size_t taken = size_t(qMin<quint64>(m_announcedCallees, below));
    m_announcedCallees = 0;
    if (taken == 0)
        return;
    std::unique_ptr<ProfiledFunctionCall> caller = std::move(m_unclaimedCalls.back());
    m_unclaimedCalls.pop_back();
    caller->reserveCalls(qsizetype(taken));
    for (size_t i = 0; i < taken; ++i) {
        caller->insertCall(std::move(m_unclaimedCalls.back()));
        m_unclaimedCalls.pop_back();
    }
    m_unclaimedCalls.push_back(std::move(caller));
}

namespace {

// The cache's answer for `key`, or the profile's, which is then remembered.
template <typename T, typename Intern> T &interned(InternCache<T> &cache, std::string_view key, Intern intern)
{
    const quint64 hash = InternCache<T>::hashOf(key);
    if (T *known = cache.find(key, hash))
        return *known;
    T &object = intern(key);
    cache.insert(key, hash, &object);
    return object;
}

} // namespace

FunctionModel &CachegrindParser::function(std::string_view name)
{
    return interned(m_functions, name,
        [this](std::string_view key) -> FunctionModel & { return m_document.objectInFunctionsForKey(key); });
}

SourceFileModel &CachegrindParser::source(std::string_view path)
{
    return interned(m_sources, path,
        [this](std::string_view key) -> SourceFileModel & { return m_document.objectInSourcesForKey(key); });
}

void CachegrindParser::assembleRoot()
{
    if (m_unclaimedCalls.size() == 1) {
        m_rootFunction = std::move(m_unclaimedCalls.front());
    } else if (m_unclaimedCalls.size() > 1) {
        auto root = std::make_unique<ProfiledFunctionCall>(
            m_document.objectInFunctionsForKey("root"), &m_document.objectInSourcesForKey("-"));
        root->reserveCalls(qsizetype(m_unclaimedCalls.size()));
        while (!m_unclaimedCalls.empty()) {
            root->insertCall(std::move(m_unclaimedCalls.back()));
            m_unclaimedCalls.pop_back();
        }
        m_rootFunction = std::move(root);
    }
    m_unclaimedCalls.clear();
}
