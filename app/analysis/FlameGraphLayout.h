#pragma once

#include "CallTree.h"
#include "ChildOrder.h"
#include "MergedCallTree.h"
#include "SmallCallFilter.h"

#include <QtGlobal>

#include <optional>
#include <span>
#include <vector>

// Where the bars of a flame graph go, drawn as an icicle: the chosen call
// is the full-width bar of row 0, and each call's callees lie below it, left
// to right in call order or the heaviest first, as wide as their share of
// the caller's inclusive cost of one event. The tree is that of the calls,
// or that of the call paths (MergedCallTree), where a bar stands for every
// call along its path. Callees narrower than a pixel are not laid out alone:
// each run of them becomes one block owned by their caller, and nothing
// below them is looked at, so the work follows the pixels, not the calls.
// Callees that cost less than a chosen share of the top bar may be hidden:
// under each caller they make one block, after the others, however wide.
// Rows are laid out when asked for, one from the one above.
class FlameGraphLayout
{
public:
    // Callees narrower than this, in pixels, go into blocks.
    static constexpr double minimumWidth = 1.0;

    struct Bar
    {
        double x = 0.0;
        double width = 0.0;
        quint32 depth = 0;
        // The call (or call path) shown; for a block, the caller of the
        // calls in it.
        quint32 call = 0;
        // For a block: the position of its first call among the caller's
        // callees (as callees() lists them), and how many it holds; 0 for a
        // bar of one call.
        quint32 firstCallee = 0;
        quint32 blockSize = 0;
        // For a block: whether it holds the callees hidden as costing
        // little, which callees() lists after the others.
        bool hidden = false;
        // For that block: the calls it stands for.
        quint64 hiddenCalls = 0;

        bool isBlock() const { return blockSize > 0; }
        double right() const { return x + width; }
    };

    // Starts again with the subtree of `call` in `tree`, `width` pixels
    // wide, widths following `event`, hiding the callees that cost less
    // than `hiddenShare` of `call` (SmallCallFilter). Only the top row is
    // laid out.
    void reset(const CallTree &tree, quint32 call, int event, double width, ChildOrder order = ChildOrder::CallOrder,
        double hiddenShare = 0.0);
    // The same with the call paths of `paths`, from `path` down.
    void reset(
        const MergedCallTree &paths, quint32 path, int event, double width, ChildOrder order, double hiddenShare = 0.0);
    // Lays out rows until there are `rows` of them or no more.
    void layOutRows(int rows);
    // Whether every row is laid out.
    bool isComplete() const { return m_complete; }

    int rowCount() const { return int(m_rowStarts.size()) - 1; }
    // The bars of a laid-out row, left to right.
    std::span<const Bar> row(int depth) const;
    // The bar of a laid-out row that covers `x`, or null.
    const Bar *barAt(int depth, double x) const;
    // The first bar of the row below `bar` that lies within it, or null.
    const Bar *firstBarBelow(const Bar &bar) const;
    // Bars by their place in the order rows are laid out: top to bottom,
    // left to right. Places stay until the next reset.
    const Bar &bar(size_t index) const { return m_bars[index]; }
    size_t indexOf(const Bar &bar) const { return size_t(&bar - m_bars.data()); }
    // The size a bar's width stands for: the inclusive cost of `call`, none
    // when negative, as memory can be.
    double valueOf(quint32 call) const;
    // The same for the calls of a block.
    double valueOf(const Bar &block) const;

    // The figures of a bar's call or call path, of the tree laid out.
    bool isMerged() const { return m_paths != nullptr; }
    // Those shown first, then those hidden.
    std::vector<quint32> callees(quint32 call) const;
    quint64 selfBits(int event, quint32 call) const;
    quint64 inclusiveBits(int event, quint32 call) const;
    bool isSigned(int event) const;
    // The calls a bar stands for: 1, or those along its path.
    quint64 callCount(quint32 call) const;
    // The recorded call a bar stands for: the call, or the path's first;
    // none for a path that has no calls (estimated from a function graph).
    quint32 recordedCall(quint32 call) const;
    // The profile's id of the function of a bar's call or call path.
    quint32 functionId(quint32 call) const;

private:
    void layOutCallees(const Bar &caller);

    void start(quint32 top, int event, double width, ChildOrder order);

    bool isHidden(quint32 call) const;

    const CallTree *m_tree = nullptr;
    const MergedCallTree *m_paths = nullptr;
    // Set while callees are hidden.
    std::optional<SmallCallFilter<CallTree>> m_callFilter;
    std::optional<SmallCallFilter<MergedCallTree>> m_pathFilter;
    ChildOrder m_order = ChildOrder::CallOrder;
    int m_event = 0;
    std::vector<Bar> m_bars;
    // Row r is m_bars[m_rowStarts[r]] up to m_bars[m_rowStarts[r + 1]].
    std::vector<size_t> m_rowStarts = { 0 };
    bool m_complete = true;
};
