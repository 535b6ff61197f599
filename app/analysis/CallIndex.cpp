#include "CallIndex.h"

#include "CallTree.h"

CallIndex::CallIndex(const CallTree &tree)
    : m_tree(tree)
{
    // Every call lies below the root, the last number.
    if (tree.root())
        m_subtreeBegins = tree.subtreeBegins(0, tree.rootNumber());
}

const ProfiledFunctionCall *CallIndex::root() const
{
    return m_tree.root();
}
