#pragma once

#include <QtGlobal>

#include <optional>
#include <vector>

class FunctionModel;
class ProfiledFunctionCall;

// Every call of a tree in pre-order, numbered from 0, with each call's
// function and the end of its subtree. Find and the callers table scan
// these arrays instead of walking the tree. Built in one pass that never
// recurses, whatever the depth.
class CallIndex
{
public:
    // An empty index for a null root.
    explicit CallIndex(const ProfiledFunctionCall *root);

    const ProfiledFunctionCall *root() const { return m_calls.empty() ? nullptr : m_calls.front(); }
    quint32 size() const { return quint32(m_calls.size()); }
    const ProfiledFunctionCall &call(quint32 position) const { return *m_calls[position]; }
    quint32 functionIdAt(quint32 position) const { return m_functionIds[position]; }
    // One past the last position inside the subtree at `position`.
    quint32 subtreeEnd(quint32 position) const { return m_subtreeEnds[position]; }
    // The position of `call`, if it belongs to the tree.
    std::optional<quint32> positionOf(const ProfiledFunctionCall &call) const;

    // The functions met in the tree, by their id; null for an id no call has.
    quint32 functionIdCount() const { return quint32(m_functions.size()); }
    const FunctionModel *function(quint32 id) const { return m_functions[id]; }

private:
    std::vector<const ProfiledFunctionCall *> m_calls;
    std::vector<quint32> m_functionIds;
    std::vector<quint32> m_subtreeEnds;
    std::vector<const FunctionModel *> m_functions;
};
