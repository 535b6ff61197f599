#pragma once

#include <QtGlobal>

#include <vector>

class CallTree;
class ProfiledFunctionCall;

// Where the subtree of each call of a tree begins. The tree numbers its
// calls callees first, so that a call's subtree is the run of numbers from
// its begin up to the call: which call lies inside which, and which comes
// first in pre-order (a call before its callees, callees in the order they
// were made, the order find goes by), are then a few comparisons. Four
// bytes a call, worked out in one pass that never recurses.
class CallIndex
{
public:
    explicit CallIndex(const CallTree &tree);

    const CallTree &tree() const { return m_tree; }
    // The tree's root: null for a tree without calls.
    const ProfiledFunctionCall *root() const;

    quint32 subtreeBegin(quint32 call) const { return m_subtreeBegins[call]; }
    // Whether call `call` is `ancestor` or lies below it.
    bool contains(quint32 ancestor, quint32 call) const
    {
        return m_subtreeBegins[ancestor] <= call && call <= ancestor;
    }
    // Whether call `left` comes before call `right` in pre-order.
    bool precedes(quint32 left, quint32 right) const
    {
        return left != right && (contains(left, right) || (!contains(right, left) && left < right));
    }

private:
    const CallTree &m_tree;
    std::vector<quint32> m_subtreeBegins;
};
