#include "Profile.h"

#include "MemoryBudget.h"
#include "ProfileFileData.h"
#include "ProfileLineCheck.h"
#include "ReadAhead.h"

#include <algorithm>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace {

// The file is read through a few buffers, used again and again: one being
// parsed while the next are read.
constexpr int pieceCount = 3;

// How much text a compressed profile is taken to hold per byte, before it
// is read.
constexpr qint64 compressionRatio = 8;

// What reading `textBytes` of a profile is expected to take: its tree and
// names take about half the text's size.
qint64 expectedMemory(qint64 textBytes)
{
    return textBytes / 2;
}

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
    m_functions = ChunkedArray<FunctionModel>(10, m_options.memory);
    m_sources = ChunkedArray<SourceFileModel>(10, m_options.memory);
    m_functionNames = NameTable(m_options.memory);
    m_sourceNames = NameTable(m_options.memory);
    m_errorString.clear();
}

quint32 Profile::internFunction(std::string_view name, quint64 hash)
{
    const quint32 known = m_functionNames.size();
    m_functions.reserve(quint64(known) + 1);
    const quint32 id = m_functionNames.intern(name, hash);
    if (id == known)
        new (&m_functions[id]) FunctionModel(*this, id, name);
    return id;
}

quint32 Profile::internSource(std::string_view path, quint64 hash)
{
    const quint32 known = m_sourceNames.size();
    m_sources.reserve(quint64(known) + 1);
    const quint32 id = m_sourceNames.intern(path, hash);
    if (id == known)
        new (&m_sources[id]) SourceFileModel(*this, id);
    return id;
}

const CostUnit &Profile::costUnit() const
{
    static const CostUnit counts = CostUnit::count();
    const ProfileEvent &event = m_events[m_timeEvent];
    return event.kind() == ProfileEvent::Kind::Time ? event.unit() : counts;
}

bool Profile::readFromData(QByteArrayView data)
{
    return read(expectedMemory(data.size()), [&](CachegrindParser &parser) {
        ProfileLineCheck profileLines;
        profileLines.feed(data.begin(), data.end());
        profileLines.finish();
        parser.setProgress(m_options.progress, data.size());
        parser.setInputSize(data.size(), false);
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

bool Profile::readFromFile(ProfileFileData &file)
{
    const qint64 textSize = file.isCompressed() ? file.size() * compressionRatio : file.size();
    bool again = false;
    return read(expectedMemory(textSize), [&](CachegrindParser &parser) {
        if (std::exchange(again, true) && !file.rewind()) {
            m_errorString = file.errorString();
            return false;
        }
        parser.setProgress(m_options.progress, file.size());
        parser.setInputSize(file.size(), file.isCompressed());
        // Positions in a compressed file are known only piece by piece.
        const bool positionsFollowBytes = !file.isCompressed();
        // A long line takes no more than the budget either.
        const qint64 lineLimit = std::min(
            m_options.limits.memoryBytes, m_options.budget ? m_options.budget->total() : m_options.limits.memoryBytes);
        ReadAhead pieces(file, m_options.pieceSize, pieceCount, lineLimit);
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

int Profile::memoryEvent() const
{
    for (int event = 0; event < m_events.size(); ++event) {
        if (m_events[event].kind() == ProfileEvent::Kind::Memory)
            return event;
    }
    return -1;
}

bool Profile::read(qint64 expectedMemory, const std::function<bool(CachegrindParser &)> &feed)
{
    clear();
    m_state = Reading;
    bool read = false;
    // Given back when the read ends: the budget is for reads in flight.
    std::optional<MemoryBudget::Share> share;
    try {
        CachegrindParser::Limits limits = m_options.limits;
        if (m_options.budget) {
            share.emplace(*m_options.budget);
            limits.share = &*share;
        }
        if (!share || share->reserve(expectedMemory, m_options.cancel, m_options.waitingForMemory)) {
            auto parser = std::make_unique<CachegrindParser>(*this, limits);
            bool fed = feed(*parser) && !cancelled();
            if (fed && parser->foundGraph(true)) {
                // Written as a function graph: read again as one.
                parser.reset();
                clear();
                parser = std::make_unique<CachegrindParser>(*this, limits, true);
                fed = feed(*parser) && !cancelled();
            }
            if (fed) {
                const quint32 root = parser->finish();
                // Names are only looked up while reading.
                m_functionNames.releaseIndex();
                m_sourceNames.releaseIndex();
                m_tree.finish(root);
                read = !cancelled();
            }
        } else {
            cancelled();
        }
    } catch (const std::bad_alloc &) {
        m_errorString = share && share->refusedForOthers()
            ? QStringLiteral("Not enough memory to read the file beside the other files being read")
            : QStringLiteral("Not enough memory to read the file");
    } catch (const std::length_error &) {
        m_errorString
            = QStringLiteral("The profile records more calls or names, or a longer line, than can be read (%1)")
                  .arg(m_options.limits.calls);
    } catch (const ProfileLineCheck::NotAProfile &notAProfile) {
        m_errorString = QString::fromUtf8(notAProfile.what());
    } catch (const std::system_error &error) {
        m_errorString = QStringLiteral("The system gives no thread to read the file (%1)")
                            .arg(QString::fromLocal8Bit(error.code().message()));
    }
    if (!read) {
        const QString error = m_errorString;
        clear();
        m_errorString = error;
    }
    m_state = Read;
    return read;
}
