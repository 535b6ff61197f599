#pragma once

#include <QtGlobal>

#include <vector>

class CallTree;
class ProfiledFunctionCall;

// Where each call of a tree stands in pre-order, the order find goes by: a
// call before its callees, callees in the order they were made. The tree
// numbers its calls callees first, so that a call's subtree is the run of
// numbers that ends with it; the index keeps one position per call number,
// worked out in two passes that never recurse, whatever the depth.
class CallIndex
{
public:
    explicit CallIndex(const CallTree &tree);

    const CallTree &tree() const { return m_tree; }
    // The tree's root: null for a tree without calls.
    const ProfiledFunctionCall *root() const;
    // The position of call number `call`, from 0 at the root.
    quint32 positionOf(quint32 call) const { return m_positions[call]; }
    quint32 positionOf(const ProfiledFunctionCall &call) const;

private:
    const CallTree &m_tree;
    std::vector<quint32> m_positions;
};
