#include "FlameGraphLayout.h"

#include "CallTree.h"
#include "MergedCallTree.h"

#include <algorithm>

void FlameGraphLayout::reset(
    const CallTree &tree, quint32 call, int event, double width, ChildOrder order, double hiddenShare)
{
    m_tree = &tree;
    m_paths = nullptr;
    m_pathFilter.reset();
    m_callFilter.reset();
    if (hiddenShare > 0.0)
        m_callFilter.emplace(tree, call, event, hiddenShare);
    start(call, event, width, order);
}

void FlameGraphLayout::reset(
    const MergedCallTree &paths, quint32 path, int event, double width, ChildOrder order, double hiddenShare)
{
    m_tree = nullptr;
    m_paths = &paths;
    m_callFilter.reset();
    m_pathFilter.reset();
    if (hiddenShare > 0.0)
        m_pathFilter.emplace(paths, path, event, hiddenShare);
    start(path, event, width, order);
}

void FlameGraphLayout::start(quint32 top, int event, double width, ChildOrder order)
{
    m_order = order;
    m_event = event;
    m_bars.clear();
    m_bars.push_back({ 0.0, width, 0, top, 0, 0 });
    m_rowStarts = { 0, 1 };
    m_complete = false;
}

void FlameGraphLayout::layOutRows(int rows)
{
    while (!m_complete && rowCount() < rows) {
        // Bars are appended as the row above them is read: index, not
        // reference, since the vector may move.
        const size_t begin = m_rowStarts[m_rowStarts.size() - 2];
        const size_t end = m_rowStarts.back();
        for (size_t i = begin; i < end; ++i) {
            const Bar caller = m_bars[i];
            if (!caller.isBlock() && caller.width >= minimumWidth)
                layOutCallees(caller);
        }
        if (m_bars.size() == end)
            m_complete = true;
        else
            m_rowStarts.push_back(m_bars.size());
    }
}

void FlameGraphLayout::layOutCallees(const Bar &caller)
{
    const std::vector<quint32> children = callees(caller.call);
    const quint32 count = quint32(children.size());
    if (count == 0)
        return;
    // Callees fill their caller at most, even where a negative figure makes
    // the caller smaller than the sum of its callees.
    double total = 0.0;
    for (quint32 i = 0; i < count; ++i)
        total += valueOf(children[i]);
    total = std::max(total, valueOf(caller.call));
    if (total <= 0.0)
        return;
    const double scale = caller.width / total;
    const quint32 depth = caller.depth + 1;
    const quint32 shown = quint32(std::partition_point(children.begin(), children.end(), [&](quint32 callee) {
        return !isHidden(callee);
    }) - children.begin());
    Bar block { 0.0, 0.0, depth, caller.call, 0, 0 };
    const auto endBlock = [&] {
        if (block.isBlock() && block.width > 0.0)
            m_bars.push_back(block);
        block.blockSize = 0;
    };
    double x = caller.x;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 callee = children[i];
        const double width = valueOf(callee) * scale;
        if (i == shown) {
            endBlock();
            block.hidden = true;
        }
        if (i < shown && width >= minimumWidth) {
            endBlock();
            m_bars.push_back({ x, width, depth, callee, 0, 0 });
        } else {
            if (!block.isBlock()) {
                block.x = x;
                block.width = 0.0;
                block.firstCallee = i;
            }
            block.width += width;
            ++block.blockSize;
            if (block.hidden)
                block.hiddenCalls += callCount(callee);
        }
        x += width;
    }
    endBlock();
}

std::span<const FlameGraphLayout::Bar> FlameGraphLayout::row(int depth) const
{
    if (depth < 0 || depth >= rowCount())
        return {};
    return std::span<const Bar>(m_bars).subspan(
        m_rowStarts[size_t(depth)], m_rowStarts[size_t(depth) + 1] - m_rowStarts[size_t(depth)]);
}

const FlameGraphLayout::Bar *FlameGraphLayout::barAt(int depth, double x) const
{
    const std::span<const Bar> bars = row(depth);
    // The last bar that starts at or before x.
    const auto after
        = std::upper_bound(bars.begin(), bars.end(), x, [](double at, const Bar &bar) { return at < bar.x; });
    if (after == bars.begin())
        return nullptr;
    const Bar &bar = *(after - 1);
    return x < bar.right() ? &bar : nullptr;
}

const FlameGraphLayout::Bar *FlameGraphLayout::firstBarBelow(const Bar &bar) const
{
    const std::span<const Bar> bars = row(int(bar.depth) + 1);
    const auto first
        = std::lower_bound(bars.begin(), bars.end(), bar.x, [](const Bar &below, double at) { return below.x < at; });
    return first != bars.end() && first->x < bar.right() ? &*first : nullptr;
}

double FlameGraphLayout::valueOf(quint32 call) const
{
    const quint64 bits = inclusiveBits(m_event, call);
    if (isSigned(m_event))
        return std::max(0.0, double(qint64(bits)));
    return double(bits);
}

double FlameGraphLayout::valueOf(const Bar &block) const
{
    if (!block.isBlock())
        return valueOf(block.call);
    const std::vector<quint32> children = callees(block.call);
    double sum = 0.0;
    for (quint32 i = 0; i < block.blockSize; ++i)
        sum += valueOf(children[block.firstCallee + i]);
    return sum;
}

std::vector<quint32> FlameGraphLayout::callees(quint32 call) const
{
    std::vector<quint32> children = m_paths ? orderedChildren(*m_paths, call, m_order, m_event)
                                            : orderedChildren(*m_tree, call, m_order, m_event);
    if (m_callFilter || m_pathFilter)
        std::stable_partition(children.begin(), children.end(), [&](quint32 callee) { return !isHidden(callee); });
    return children;
}

bool FlameGraphLayout::isHidden(quint32 call) const
{
    if (m_pathFilter)
        return m_pathFilter->hides(call);
    return m_callFilter && m_callFilter->hides(call);
}

quint64 FlameGraphLayout::selfBits(int event, quint32 call) const
{
    return m_paths ? m_paths->selfBits(event, call) : m_tree->selfBits(event, call);
}

quint64 FlameGraphLayout::inclusiveBits(int event, quint32 call) const
{
    return m_paths ? m_paths->inclusiveBits(event, call) : m_tree->inclusiveBits(event, call);
}

bool FlameGraphLayout::isSigned(int event) const
{
    return m_paths ? m_paths->isSigned(event) : m_tree->isSigned(event);
}

quint64 FlameGraphLayout::callCount(quint32 call) const
{
    return m_paths ? m_paths->calls(call) : 1;
}

quint32 FlameGraphLayout::recordedCall(quint32 call) const
{
    return m_paths ? m_paths->firstCall(call) : call;
}

quint32 FlameGraphLayout::functionId(quint32 call) const
{
    return m_paths ? m_paths->function(call) : m_tree->function(call);
}
