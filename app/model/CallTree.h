#pragma once

#include "ChunkedArray.h"
#include "FixedArray.h"
#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

#include <memory_resource>
#include <vector>

// The calls of one profile, numbered in the order the file lists their
// records: callees before their callers, so that every call's subtree is the
// run of calls that ends with it, and walking the numbers backwards walks
// down the tree. Each field is an array indexed by the call number and each
// event's costs an array of their own, so that a profile costs a few dozen
// bytes per call and no allocation of its own per call. Built by the reader,
// then analysed once and only read.
//
// The fields the reader sets grow by chunks that never move (the reader
// sizes them from what it expects); those worked out afterwards are sized
// once.
class CallTree
{
public:
    static constexpr quint32 none = 0xffffffff;
    // Call numbers and the synthetic root must stay below `none`.
    static constexpr quint64 maxCalls = none - 1;

    CallTree() = default;
    // The fields the reader sets grow by chunks of whole pages of
    // 2^pageShift calls, taken from `memory` as all the tree's arrays are.
    CallTree(const std::vector<bool> &signedEvents, unsigned pageShift, std::pmr::memory_resource *memory);

    // Building: room for calls, then a call of `function`, read while
    // `source` was current; its line and costs are 0 until set.
    quint64 capacity() const { return m_capacity; }
    // Room for at least `calls` more calls. Throws std::bad_alloc.
    void addChunk(quint64 calls);
    quint32 append(const FunctionModel &function, quint32 source);
    void setLine(quint32 call, quint32 line) { m_line[call] = line; }
    void setCallSiteLine(quint32 call, quint32 line) { m_callSiteLine[call] = line; }
    void setSelfBits(int event, quint32 call, quint64 bits) { m_self[size_t(event)][call] = bits; }
    void setParent(quint32 call, quint32 parent) { m_parent[call] = parent; }
    // The function of a call appended and not finished yet.
    quint32 appendedFunction(quint32 call) const { return m_handles[call].function().id(); }
    // Works out every call's children and inclusive costs; the tree is
    // read-only afterwards. Throws std::bad_alloc.
    void finish(quint32 root);

    quint32 size() const { return m_size; }
    int eventCount() const { return int(m_self.size()); }
    bool isSigned(int event) const { return m_signed[size_t(event)]; }
    const ProfiledFunctionCall *root() const { return m_root == none ? nullptr : &m_calls[m_root]; }
    quint32 rootNumber() const { return m_root; }
    const ProfiledFunctionCall &call(quint32 number) const { return m_calls[number]; }
    quint32 numberOf(const ProfiledFunctionCall &call) const { return quint32(&call - m_calls.data()); }

    quint32 function(quint32 call) const { return m_calls[call].function().id(); }
    quint32 source(quint32 call) const { return m_source[call]; }
    quint32 line(quint32 call) const { return m_line[call]; }
    // The line the call was made from, in its caller's file; 0 when the
    // profile does not say (the root, calls no record claimed).
    quint32 callSiteLine(quint32 call) const { return m_callSiteLine[call]; }
    quint32 parent(quint32 call) const { return m_parent[call]; }
    quint32 childCount(quint32 call) const { return m_childBegin[call + 1] - m_childBegin[call]; }
    quint32 child(quint32 call, quint32 index) const { return m_children[m_childBegin[call] + index]; }
    // Position among the parent's children, from 1; 0 for the root.
    quint32 indexInParent(quint32 call) const;
    // The first call of the subtree that ends with `call`.
    quint32 subtreeBegin(quint32 call) const;
    // The same for every call from `first` to `last`, in one pass: element i
    // is call first + i's. The subtrees of those calls must lie in that run.
    std::vector<quint32> subtreeBegins(quint32 first, quint32 last) const;
    quint64 selfBits(int event, quint32 call) const { return m_self[size_t(event)][call]; }
    quint64 inclusiveBits(int event, quint32 call) const { return m_inclusive[size_t(event)][call]; }

    // Bytes the tree's calls take: room made for calls not read yet is
    // address space only until they are.
    qint64 memoryUse() const;
    // Bytes each call takes while the tree is built.
    qint64 bytesPerCall() const { return m_bytesPerCall; }

private:
    // Calls `apply` with each field the reader sets: a field is added by
    // declaring its array and naming it here.
    template <typename Apply> static void forEachReadField(CallTree &tree, Apply &&apply)
    {
        apply(tree.m_handles);
        apply(tree.m_source);
        apply(tree.m_line);
        apply(tree.m_callSiteLine);
        apply(tree.m_parent);
        for (ChunkedArray<quint64> &costs : tree.m_self)
            apply(costs);
    }
    void linkChildren();
    void addInclusiveCosts();

    std::pmr::memory_resource *m_memory = &HugePageResource::instance();
    quint32 m_size = 0;
    quint64 m_capacity = 0;
    qint64 m_bytesPerCall = 0;
    // Set by the reader, call by call; the handles, which the views hold,
    // are kept in one block once all are read.
    ChunkedArray<ProfiledFunctionCall> m_handles;
    ChunkedArray<quint32> m_source;
    ChunkedArray<quint32> m_line;
    ChunkedArray<quint32> m_callSiteLine;
    ChunkedArray<quint32> m_parent;
    std::vector<ChunkedArray<quint64>> m_self;
    std::vector<bool> m_signed;
    // Worked out by finish(). Children of call c: m_children[m_childBegin[c]]
    // up to m_childBegin[c + 1], in the file's order.
    FixedArray<quint32> m_childBegin;
    FixedArray<quint32> m_children;
    std::vector<FixedArray<quint64>> m_inclusive;
    FixedArray<ProfiledFunctionCall> m_calls;
    quint32 m_root = none;
};
