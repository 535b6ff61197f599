#include "CallTree.h"

#include "Cost.h"

#include <algorithm>
#include <limits>

CallTree::CallTree(const std::vector<bool> &signedEvents)
    : m_self(signedEvents.size())
    , m_inclusive(signedEvents.size())
    , m_signed(signedEvents)
{ }

quint32 CallTree::append(const FunctionModel &function, quint32 source)
{
    const quint32 number = size();
    m_calls.append(ProfiledFunctionCall(function));
    m_source.append(source);
    m_line.append(0);
    m_parent.append(none);
    for (QList<quint64> &costs : m_self)
        costs.append(0);
    return number;
}

void CallTree::finish(quint32 root)
{
    m_root = root;
    linkChildren();
    addInclusiveCosts();
}

void CallTree::linkChildren()
{
    const quint32 count = size();
    // Count each call's children one place up, so that the running sums
    // give where each call's children end...
    m_childBegin.fill(0, qsizetype(count) + 1);
    quint32 *begin = m_childBegin.data();
    const quint32 *parent = m_parent.constData();
    for (quint32 call = 0; call < count; ++call) {
        if (parent[call] != none)
            ++begin[parent[call] + 1];
    }
    for (quint32 call = 0; call < count; ++call)
        begin[call + 1] += begin[call];
    // ...then place them from the last, moving each end down to its start,
    // which leaves every call's start one place up.
    m_children.resize(begin[count]);
    quint32 *children = m_children.data();
    for (quint32 call = count; call-- > 0;) {
        if (parent[call] != none)
            children[--begin[parent[call] + 1]] = call;
    }
    for (quint32 call = 0; call < count; ++call)
        begin[call] = begin[call + 1];
    begin[count] = quint32(m_children.size());
}

void CallTree::addInclusiveCosts()
{
    const quint32 count = size();
    const quint32 *parent = m_parent.constData();
    for (size_t event = 0; event < m_self.size(); ++event) {
        const quint64 *self = m_self[event].constData();
        m_inclusive[event].fill(0, count);
        quint64 *inclusive = m_inclusive[event].data();
        // Callees come first: a call's callees have added their inclusive
        // costs to it by the time it is reached.
        if (m_signed[event]) {
            for (quint32 call = 0; call < count; ++call) {
                const quint64 total = Cost::addBits(inclusive[call], self[call], true);
                inclusive[call] = total;
                if (parent[call] != none)
                    inclusive[parent[call]] = Cost::addBits(inclusive[parent[call]], total, true);
            }
        } else {
            constexpr quint64 max = std::numeric_limits<quint64>::max();
            for (quint32 call = 0; call < count; ++call) {
                const quint64 total = inclusive[call] > max - self[call] ? max : inclusive[call] + self[call];
                inclusive[call] = total;
                if (parent[call] != none) {
                    quint64 &above = inclusive[parent[call]];
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
    qint64 bytes = 0;
    for (const QList<quint32> *list : { &m_source, &m_line, &m_parent, &m_childBegin, &m_children })
        bytes += list->capacity() * qint64(sizeof(quint32));
    for (const auto *costs : { &m_self, &m_inclusive }) {
        for (const QList<quint64> &list : *costs)
            bytes += list.capacity() * qint64(sizeof(quint64));
    }
    return bytes + m_calls.capacity() * qint64(sizeof(ProfiledFunctionCall));
}
