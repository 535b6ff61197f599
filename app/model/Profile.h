#pragma once

#include "CachegrindParser.h"
#include "CallTree.h"
#include "ChunkedArray.h"
#include "FunctionGraph.h"
#include "FunctionModel.h"
#include "HugePageResource.h"
#include "MergedCallTree.h"
#include "NameTable.h"
#include "ProfileEvent.h"
#include "SourceFileModel.h"

#include <QByteArrayView>
#include <QList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class MemoryBudget;
class ProfileFileData;
class ProgressController;

// The model of one open profile: its events, its interned functions and
// source paths, its call tree and the profiler's own summary. The document
// owns one; the command line uses one on its own.
class Profile
{
public:
    // In the order a profile goes through them; the numbers are the
    // document's load states.
    enum State { Created = 0, Reading = 2, Read = 1 };

    Profile();
    ~Profile();
    Profile(const Profile &) = delete;
    Profile &operator=(const Profile &) = delete;

    // Reads the profile's text into the call tree and analyses it. Text the
    // reader does not understand is skipped; false, with errorString() set
    // and nothing kept, only when the text is no profile (no line begins
    // with "events:" or "fn=" in its first MiB), memory runs short, the
    // profile is too large to number, the system gives no thread or the
    // read is cancelled.
    bool readFromData(QByteArrayView data);
    // The same for an opened file, read piece by piece through a few reused
    // buffers on a second thread; false also when the file cannot be read
    // to its end.
    bool readFromFile(ProfileFileData &file);
    QString errorString() const { return m_errorString; }
    // How files are read: lower limits than memory and the call numbers
    // allow, the size of the pieces read at a time, a flag another thread
    // sets to stop the read, looked at once per piece, whom the reader
    // tells how far it has got, and the memory budget the read shares with
    // others, with what to call when the read waits for it. The large arrays
    // come from `memory`; the call tree grows by chunks of whole pages of
    // 2^chunkPageShift calls.
    struct ReadOptions
    {
        CachegrindParser::Limits limits;
        qsizetype pieceSize = qsizetype(256) << 10;
        const std::atomic_bool *cancel = nullptr;
        ProgressController *progress = nullptr;
        std::pmr::memory_resource *memory = &HugePageResource::instance();
        unsigned chunkPageShift = 12;
        MemoryBudget *budget = nullptr;
        std::function<void()> waitingForMemory {};
    };
    void setReadOptions(const ReadOptions &options) { m_options = options; }

    const ProfiledFunctionCall *rootFunction() const { return m_tree.root(); }
    const CallTree &callTree() const { return m_tree; }

    // Whether the profile was written as a function graph (aggregated: one
    // record per function, calls counted), which records no single calls:
    // then the call tree is empty, the graph holds the exact figures per
    // function and per call edge, and the call paths are estimated.
    bool isAggregated() const { return m_aggregated; }
    const FunctionGraph &functionGraph() const { return m_graph; }
    // The call paths estimated from the graph (see CallPathEstimator).
    const MergedCallTree &estimatedCallTree() const { return m_estimatedTree; }
    // What the views say of an aggregated profile.
    static QString aggregatedNotice()
    {
        return QStringLiteral("Aggregated profile: call paths estimated from call counts");
    }
    // The name of the function that stands for calls left out of the
    // estimated paths, taken together.
    static constexpr std::string_view moreCallsName = "(more calls)";

    // The events of the "events:" line, in its order.
    const QList<ProfileEvent> &events() const { return m_events; }
    // The event the views show as time: the first one named "Time...", or
    // the first of all.
    int timeEvent() const { return m_timeEvent; }
    // The unit of that event's costs: counts where it is no time (a
    // profile of instructions, say).
    const CostUnit &costUnit() const;
    // The first event that `name` names (see ProfileEvent::isNamed).
    std::optional<int> eventNamed(QStringView name) const;
    // The first event that records memory, or -1 when none does.
    int memoryEvent() const;
    // The figures of the profiler's "summary:" line, one per event it gives
    // (total time, peak memory); empty without one.
    const QList<Cost> &summaryCosts() const { return m_summaryCosts; }

    qsizetype functionCount() const { return qsizetype(m_functionNames.size()); }
    const FunctionModel &function(quint32 id) const { return m_functions[id]; }
    const SourceFileModel &source(quint32 id) const { return m_sources[id]; }
    const NameTable &functionNames() const { return m_functionNames; }
    const NameTable &sourceNames() const { return m_sourceNames; }
    State state() const { return m_state; }

private:
    friend class CachegrindParser;
    friend class FunctionGraphReader;
    friend class NameResolver;

    // `expectedMemory`: what the read is likely to take of the budget.
    bool read(qint64 expectedMemory, const std::function<bool(CachegrindParser &)> &feed);
    // True, with errorString() set, once the read has been cancelled.
    bool cancelled();
    void clear();
    // The ids of a function name and a source path, interned on first use.
    // The hash is the names' hashOf, if known, or 0.
    quint32 internFunction(std::string_view name, quint64 hash = 0);
    quint32 internSource(std::string_view path, quint64 hash = 0);

    QList<ProfileEvent> m_events;
    int m_timeEvent = 0;
    QList<Cost> m_summaryCosts;
    NameTable m_functionNames;
    NameTable m_sourceNames;
    // By id, as the names; identities stay where they are while more are added.
    ChunkedArray<FunctionModel> m_functions;
    ChunkedArray<SourceFileModel> m_sources;
    CallTree m_tree;
    bool m_aggregated = false;
    FunctionGraph m_graph;
    MergedCallTree m_estimatedTree;
    ReadOptions m_options;
    QString m_errorString;
    State m_state = Created;
};
