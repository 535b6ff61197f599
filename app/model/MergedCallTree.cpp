#include "MergedCallTree.h"

#include <algorithm>
#include <stdexcept>

MergedCallTree::MergedCallTree(const std::vector<bool> &signedEvents)
    : m_self(signedEvents.size())
    , m_inclusive(signedEvents.size())
    , m_signed(signedEvents)
{ }

quint32 MergedCallTree::addPath(quint32 parent, quint32 function)
{
    Q_ASSERT((parent == none) == m_function.empty());
    if (m_function.size() >= maxPaths)
        throw std::length_error("too many call paths");
    const quint32 path = size();
    m_function.push_back(function);
    m_parent.push_back(parent);
    m_calls.push_back(0);
    m_firstCall.push_back(none);
    if (!m_node.empty())
        m_node.push_back(none);
    for (std::vector<quint64> &costs : m_self)
        costs.push_back(0);
    for (std::vector<quint64> &costs : m_inclusive)
        costs.push_back(0);
    return path;
}

void MergedCallTree::setNode(quint32 path, quint32 node)
{
    if (m_node.empty())
        m_node.assign(size(), none);
    m_node[path] = node;
}

void MergedCallTree::finish()
{
    linkChildren();
    // Paths without a first call, and ties, in the order they were added.
    const auto before = [&](quint32 a, quint32 b) {
        return m_firstCall[a] < m_firstCall[b] || (m_firstCall[a] == m_firstCall[b] && a < b);
    };
    for (quint32 path = 0; path < size(); ++path) {
        const auto begin = m_children.begin() + m_childBegin[path];
        const auto end = m_children.begin() + m_childBegin[path + 1];
        if (!std::is_sorted(begin, end, before))
            std::sort(begin, end, before);
    }
    numberInPreOrder();
    // Numbered in pre-order, every path's children are in ascending order.
    linkChildren();
}

void MergedCallTree::linkChildren()
{
    const quint32 count = size();
    m_childBegin.assign(size_t(count) + 1, 0);
    for (quint32 path = 1; path < count; ++path)
        ++m_childBegin[m_parent[path] + 1];
    for (quint32 path = 0; path < count; ++path)
        m_childBegin[path + 1] += m_childBegin[path];
    m_children.resize(count == 0 ? 0 : count - 1);
    std::vector<quint32> next(m_childBegin.begin(), m_childBegin.end() - 1);
    for (quint32 path = 1; path < count; ++path)
        m_children[next[m_parent[path]]++] = path;
}

void MergedCallTree::numberInPreOrder()
{
    const quint32 count = size();
    // The paths in pre-order, by their present numbers, without recursion:
    // children are pushed last first.
    std::vector<quint32> order;
    order.reserve(count);
    std::vector<quint32> pending;
    if (count > 0)
        pending.push_back(0);
    while (!pending.empty()) {
        const quint32 path = pending.back();
        pending.pop_back();
        order.push_back(path);
        for (quint32 i = childCount(path); i-- > 0;)
            pending.push_back(child(path, i));
    }
    std::vector<quint32> numberOf(count);
    for (quint32 number = 0; number < count; ++number)
        numberOf[order[number]] = number;

    const auto permute = [&](auto &values) {
        auto permuted = values;
        for (quint32 number = 0; number < count; ++number)
            permuted[number] = values[order[number]];
        values = std::move(permuted);
    };
    permute(m_function);
    permute(m_calls);
    permute(m_firstCall);
    if (!m_node.empty())
        permute(m_node);
    for (std::vector<quint64> &costs : m_self)
        permute(costs);
    for (std::vector<quint64> &costs : m_inclusive)
        permute(costs);
    permute(m_parent);
    for (quint32 number = 1; number < count; ++number)
        m_parent[number] = numberOf[m_parent[number]];

    // Parents come before their children, and subtrees are runs.
    m_depth.assign(count, 0);
    for (quint32 path = 1; path < count; ++path)
        m_depth[path] = m_depth[m_parent[path]] + 1;
    m_subtreeEnd.assign(count, 0);
    for (quint32 path = count; path-- > 0;) {
        m_subtreeEnd[path] += path + 1;
        if (path > 0)
            m_subtreeEnd[m_parent[path]] += m_subtreeEnd[path] - path;
    }
}

quint32 MergedCallTree::childWithFunction(quint32 path, quint32 function) const
{
    for (quint32 i = 0; i < childCount(path); ++i) {
        if (m_function[child(path, i)] == function)
            return child(path, i);
    }
    return none;
}

qint64 MergedCallTree::memoryUse() const
{
    qint64 bytes = 0;
    for (const auto *list :
        { &m_function, &m_parent, &m_depth, &m_subtreeEnd, &m_childBegin, &m_children, &m_firstCall, &m_node })
        bytes += qint64(list->capacity() * sizeof(quint32));
    bytes += qint64(m_calls.capacity() * sizeof(quint64));
    for (const auto *costs : { &m_self, &m_inclusive }) {
        for (const std::vector<quint64> &list : *costs)
            bytes += qint64(list.capacity() * sizeof(quint64));
    }
    return bytes;
}
