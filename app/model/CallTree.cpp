#include "CallTree.h"

#include "Cost.h"

#include <algorithm>
#include <limits>
#include <new>

CallTree::CallTree(const std::vector<bool> &signedEvents, unsigned pageShift, std::pmr::memory_resource *memory)
    : m_memory(memory)
    , m_self(signedEvents.size())
    , m_signed(signedEvents)
{
    forEachReadField(*this, [&](auto &field) {
        field = std::decay_t<decltype(field)>(pageShift, memory);
        m_bytesPerCall += qint64(sizeof(field[0]));
    });
}

void CallTree::addChunk(quint64 calls)
{
    // A field that got its chunk before another failed to keeps it.
    const quint64 wanted = m_capacity + calls;
    forEachReadField(*this, [&](auto &field) {
        if (field.capacity() < wanted)
            field.addChunk(wanted - field.capacity());
    });
    m_capacity = std::numeric_limits<quint64>::max();
    forEachReadField(*this, [&](const auto &field) { m_capacity = qMin(m_capacity, field.capacity()); });
}

quint32 CallTree::append(const FunctionModel &function, quint32 source)
{
    Q_ASSERT(m_size < m_capacity);
    const quint32 number = m_size++;
    new (&m_handles[number]) ProfiledFunctionCall(function);
    m_source[number] = source;
    m_line[number] = 0;
    m_callSiteLine[number] = 0;
    m_parent[number] = none;
    for (ChunkedArray<quint64> &costs : m_self)
        costs[number] = 0;
    return number;
}

void CallTree::finish(quint32 root)
{
    m_root = root;
    m_calls = m_handles.takeAll(m_size);
    linkChildren();
    addInclusiveCosts();
}

void CallTree::linkChildren()
{
    const quint32 count = size();
    // Count each call's children one place up, so that the running sums
    // give where each call's children end...
    m_childBegin = FixedArray<quint32>(size_t(count) + 1, m_memory);
    quint32 *begin = m_childBegin.data();
    for (quint32 call = 0; call < count; ++call) {
        if (const quint32 parent = m_parent[call]; parent != none)
            ++begin[parent + 1];
    }
    for (quint32 call = 0; call < count; ++call)
        begin[call + 1] += begin[call];
    // ...then place them from the last, moving each end down to its start,
    // which leaves every call's start one place up.
    m_children = FixedArray<quint32>(begin[count], m_memory);
    quint32 *children = m_children.data();
    for (quint32 call = count; call-- > 0;) {
        if (const quint32 parent = m_parent[call]; parent != none)
            children[--begin[parent + 1]] = call;
    }
    for (quint32 call = 0; call < count; ++call)
        begin[call] = begin[call + 1];
    begin[count] = quint32(m_children.size());
}

void CallTree::addInclusiveCosts()
{
    const quint32 count = size();
    m_inclusive.clear();
    m_inclusive.reserve(m_self.size());
    for (size_t event = 0; event < m_self.size(); ++event) {
        const ChunkedArray<quint64> &self = m_self[event];
        quint64 *inclusive = m_inclusive.emplace_back(count, m_memory).data();
        // Callees come first: a call's callees have added their inclusive
        // costs to it by the time it is reached.
        if (m_signed[event]) {
            for (quint32 call = 0; call < count; ++call) {
                const quint64 total = Cost::addBits(inclusive[call], self[call], true);
                inclusive[call] = total;
                if (const quint32 parent = m_parent[call]; parent != none)
                    inclusive[parent] = Cost::addBits(inclusive[parent], total, true);
            }
        } else {
            constexpr quint64 max = std::numeric_limits<quint64>::max();
            for (quint32 call = 0; call < count; ++call) {
                const quint64 total = inclusive[call] > max - self[call] ? max : inclusive[call] + self[call];
                inclusive[call] = total;
                if (const quint32 parent = m_parent[call]; parent != none) {
                    quint64 &above = inclusive[parent];
                    above = above > max - total ? max : above + total;
                }
            }
        }
    }
}

quint32 CallTree::indexInParent(quint32 call) const
{
    const quint32 parent = m_parent[call];
    if (parent == none)
        return 0;
    const auto begin = m_children.begin() + m_childBegin[parent];
    const auto end = m_children.begin() + m_childBegin[parent + 1];
    return quint32(std::lower_bound(begin, end, call) - begin) + 1;
}

quint32 CallTree::subtreeBegin(quint32 call) const
{
    while (childCount(call) > 0)
        call = child(call, 0);
    return call;
}

std::vector<quint32> CallTree::subtreeBegins(quint32 first, quint32 last) const
{
    // Callees come first: a call's subtree begins where its first callee's
    // does, worked out already.
    std::vector<quint32> begins(size_t(last - first) + 1);
    for (quint32 call = first; call <= last; ++call)
        begins[call - first] = childCount(call) > 0 ? begins[child(call, 0) - first] : call;
    return begins;
}

qint64 CallTree::memoryUse() const
{
    // The handles are counted with the fields the reader sets.
    qint64 bytes = qint64(m_size) * m_bytesPerCall + m_childBegin.memoryUse() + m_children.memoryUse();
    for (const FixedArray<quint64> &costs : m_inclusive)
        bytes += costs.memoryUse();
    return bytes;
}
