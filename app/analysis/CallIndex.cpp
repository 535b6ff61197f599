#include "CallIndex.h"

#include "CallTree.h"

CallIndex::CallIndex(const CallTree &tree)
    : m_tree(tree)
    , m_positions(tree.size())
{
    if (!tree.root())
        return;
    // First each call's subtree begin, callees before their callers...
    const quint32 count = tree.size();
    for (quint32 call = 0; call < count; ++call)
        m_positions[call] = tree.childCount(call) > 0 ? m_positions[tree.child(call, 0)] : call;
    // ...then, callers first, each callee's position: one past its caller's,
    // plus the calls in the subtrees of the callees made before it, which
    // are the numbers from the first callee's subtree begin up to its own.
    m_positions[tree.rootNumber()] = 0;
    for (quint32 call = count; call-- > 0;) {
        const quint32 callees = tree.childCount(call);
        if (callees == 0)
            continue;
        const quint32 begin = m_positions[tree.child(call, 0)];
        for (quint32 i = 0; i < callees; ++i) {
            quint32 &position = m_positions[tree.child(call, i)];
            position = m_positions[call] + 1 + (position - begin);
        }
    }
}

const ProfiledFunctionCall *CallIndex::root() const
{
    return m_tree.root();
}

quint32 CallIndex::positionOf(const ProfiledFunctionCall &call) const
{
    return m_positions[m_tree.numberOf(call)];
}
