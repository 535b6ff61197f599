#include "Profile.h"

#include "ProfileFileData.h"
#include "ReadAhead.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// The file is read through a few buffers, used again and again: one being
// parsed while the next are read.
constexpr int pieceCount = 3;

} // namespace

Profile::Profile()
{
    clear();
}

Profile::~Profile() = default;

void Profile::clear()
{
    m_events = { ProfileEvent(QStringLiteral("Time")) };
    m_timeEvent = 0;
    m_summaryCosts.clear();
    // Handles refer to identities, so the tree goes first.
    m_tree = CallTree();
    m_aggregated = false;
    m_graph = FunctionGraph();
    m_estimatedTree = MergedCallTree();
    m_functions.clear();
    m_sources.clear();
    m_functionNames = NameTable();
    m_sourceNames = NameTable();
    m_errorString.clear();
}

quint32 Profile::internFunction(std::string_view name, quint64 hash)
{
    const quint32 id = m_functionNames.intern(name, hash);
    if (id == m_functions.size())
        m_functions.emplace_back(*this, id, name);
    return id;
}

quint32 Profile::internSource(std::string_view path, quint64 hash)
{
    const quint32 id = m_sourceNames.intern(path, hash);
    if (id == m_sources.size())
        m_sources.emplace_back(*this, id);
    return id;
}

bool Profile::readFromData(QByteArrayView data, const ProgressFactory &progress)
{
    return read([&](CachegrindParser &parser) {
        parser.startProgress(progress, data.size());
        // In parts that end at line ends; a line longer than a part is a
        // part of its own.
        LineScanner lines;
        const char *const end = data.end();
        for (const char *part = data.begin(); part < end;) {
            const char *limit = std::min(end, part + LineScanner::partSize);
            const char *cut = limit == end ? end : LineScanner::lastLineEnd(part, limit);
            if (!cut) {
                cut = std::find_if(part, end, [](char c) { return c == '\n' || c == '\r'; });
                cut += cut < end ? (*cut == '\r' && cut + 1 < end && cut[1] == '\n' ? 2 : 1) : 0;
            }
            if (cancelled())
                return false;
            lines.scan(part, cut);
            parser.feed(lines, part - data.begin(), true);
            if (parser.foundGraph())
                return true;
            part = cut;
        }
        return true;
    });
}

bool Profile::readFromFile(ProfileFileData &file, const ProgressFactory &progress)
{
    bool again = false;
    return read([&](CachegrindParser &parser) {
        if (std::exchange(again, true) && !file.rewind()) {
            m_errorString = file.errorString();
            return false;
        }
        parser.startProgress(progress, file.size());
        // Positions in a compressed file are known only piece by piece.
        const bool positionsFollowBytes = !file.isCompressed();
        ReadAhead pieces(file, m_options.pieceSize, pieceCount, m_options.limits.memoryBytes);
        for (;;) {
            const ReadAhead::Piece piece = pieces.next();
            if (piece.size < 0) {
                m_errorString = file.errorString();
                return false;
            }
            if (piece.size == 0)
                return true;
            if (cancelled())
                return false;
            parser.feed(*piece.lines, piece.position, positionsFollowBytes);
            if (parser.foundGraph())
                return true;
        }
    });
}

bool Profile::cancelled()
{
    if (!m_options.cancel || !m_options.cancel->load(std::memory_order_relaxed))
        return false;
    m_errorString = QStringLiteral("The read was cancelled");
    return true;
}

std::optional<int> Profile::eventNamed(QStringView name) const
{
    for (int event = 0; event < m_events.size(); ++event) {
        if (m_events[event].isNamed(name))
            return event;
    }
    return std::nullopt;
}

bool Profile::read(const std::function<bool(CachegrindParser &)> &feed)
{
    clear();
    m_state = Reading;
    bool read = false;
    try {
        auto parser = std::make_unique<CachegrindParser>(*this, m_options.limits);
        bool fed = feed(*parser);
        if (fed && parser->foundGraph(true)) {
            // Written as a function graph: read again as one.
            parser.reset();
            clear();
            parser = std::make_unique<CachegrindParser>(*this, m_options.limits, true);
            fed = feed(*parser);
        }
        if (fed) {
            const quint32 root = parser->finish();
            // Names are only looked up while reading.
            m_functionNames.releaseIndex();
            m_sourceNames.releaseIndex();
            m_tree.finish(root);
            read = true;
        }
    } catch (const std::bad_alloc &) {
        m_errorString = QStringLiteral("Not enough memory to read the file");
    } catch (const std::length_error &) {
        m_errorString
            = QStringLiteral("The profile records more calls or names, or a longer line, than can be read (%1)")
                  .arg(m_options.limits.calls);
    }
    if (!read) {
        const QString error = m_errorString;
        clear();
        m_errorString = error;
    }
    m_state = Read;
    return read;
}
