#pragma once

#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

#include <QList>

#include <vector>

// The calls of one profile, numbered in the order the file lists their
// records: callees before their callers, so that every call's subtree is the
// run of calls that ends with it, and walking the numbers backwards walks
// down the tree. Each field is an array indexed by the call number and each
// event's costs an array of their own, so that a profile costs a few dozen
// bytes per call and no allocation of its own per call. Built by the reader,
// then analysed once and only read.
class CallTree
{
public:
    static constexpr quint32 none = 0xffffffff;
    // Call numbers and the synthetic root must stay below `none`.
    static constexpr quint64 maxCalls = none - 1;

    CallTree() = default;
    explicit CallTree(const std::vector<bool> &signedEvents);

    // Building: a call of `function`, read while `source` was current; its
    // line and costs are 0 until set.
    quint32 append(const FunctionModel &function, quint32 source);
    void setLine(quint32 call, quint32 line) { m_line[call] = line; }
    void setSelfBits(int event, quint32 call, quint64 bits) { m_self[size_t(event)][call] = bits; }
    void setParent(quint32 call, quint32 parent) { m_parent[call] = parent; }
    // Works out every call's children and inclusive costs; the tree is
    // read-only afterwards.
    void finish(quint32 root);

    quint32 size() const { return quint32(m_calls.size()); }
    int eventCount() const { return int(m_self.size()); }
    bool isSigned(int event) const { return m_signed[size_t(event)]; }
    const ProfiledFunctionCall *root() const { return m_root == none ? nullptr : &m_calls[m_root]; }
    quint32 rootNumber() const { return m_root; }
    const ProfiledFunctionCall &call(quint32 number) const { return m_calls[number]; }
    quint32 numberOf(const ProfiledFunctionCall &call) const { return quint32(&call - m_calls.data()); }

    quint32 function(quint32 call) const { return m_calls[call].function().id(); }
    quint32 source(quint32 call) const { return m_source[call]; }
    quint32 line(quint32 call) const { return m_line[call]; }
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

    qint64 memoryUse() const;

private:
    void linkChildren();
    void addInclusiveCosts();

    QList<quint32> m_source;
    QList<quint32> m_line;
    QList<quint32> m_parent;
    // Children of call c: m_children[m_childBegin[c]] up to m_childBegin[c + 1],
    // in the file's order.
    QList<quint32> m_childBegin;
    QList<quint32> m_children;
    std::vector<QList<quint64>> m_self;
    std::vector<QList<quint64>> m_inclusive;
    std::vector<bool> m_signed;
    // The handles the views hold, one per call: its function.
    QList<ProfiledFunctionCall> m_calls;
    quint32 m_root = none;
};
