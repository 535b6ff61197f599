#include "ProfiledFunctionCall.h"

#include "CallNodePool.h"
#include "FunctionModel.h"

ProfiledFunctionCall::ProfiledFunctionCall(const FunctionModel &function, const SourceFileModel *source)
    : ProfiledFunction(function)
    , m_source(source)
    , m_functionId(function.id())
{ }

void *ProfiledFunctionCall::operator new(std::size_t size)
{
    return CallNodePool::allocate(size);
}

void ProfiledFunctionCall::operator delete(void *node, std::size_t size) noexcept
{
    CallNodePool::deallocate(node, size);
}

ProfiledFunctionCall::~ProfiledFunctionCall()
{
    if (m_reversedChildren.empty())
        return;
    // Detach every subtree into one worklist, so that each node is destroyed
    // with no children left and nothing recurses as deep as the tree.
    std::vector<std::unique_ptr<ProfiledFunctionCall>> worklist = std::move(m_reversedChildren);
    while (!worklist.empty()) {
        std::unique_ptr<ProfiledFunctionCall> node = std::move(worklist.back());
        worklist.pop_back();
        for (auto &child : node->m_reversedChildren)
            worklist.push_back(std::move(child));
        node->m_reversedChildren.clear();
    }
}

void ProfiledFunctionCall::insertCall(std::unique_ptr<ProfiledFunctionCall> call)
{
    call->m_parent = this;
    m_reversedChildren.push_back(std::move(call));
}

ProfiledFunctionCall *ProfiledFunctionCall::closestAncestorWithFunction(const FunctionModel &function) const
{
    ProfiledFunctionCall *candidate = m_parent;
    while (candidate && &candidate->function() != &function)
        candidate = candidate->m_parent;
    return candidate;
}

std::vector<const ProfiledFunctionCall *> ProfiledFunctionCall::children() const
{
    std::vector<const ProfiledFunctionCall *> result;
    result.reserve(m_reversedChildren.size());
    for (auto it = m_reversedChildren.rbegin(); it != m_reversedChildren.rend(); ++it)
        result.push_back(it->get());
    return result;
}

void ProfiledFunctionCall::setAncestor(ProfiledFunctionCall *ancestor)
{
    m_ancestor = ancestor;
    if (ancestor)
        ancestor->m_isRecursionAncestor = true;
}

void ProfiledFunctionCall::analyse()
{
    // The innermost open call of each function (by its dense id) during one
    // depth-first pass: on entering a node it is the node's recursion link,
    // the same node that walking up the parents would find.
    std::vector<ProfiledFunctionCall *> innermost;
    auto slot = [&innermost](const ProfiledFunctionCall &node) -> ProfiledFunctionCall *& {
        const quint32 id = node.m_functionId;
        if (id >= innermost.size())
            innermost.resize(size_t(id) + 1, nullptr);
        return innermost[id];
    };
    // Calls above this node are open too: the nearest of each function wins.
    for (ProfiledFunctionCall *above = m_parent; above; above = above->m_parent) {
        ProfiledFunctionCall *&open = slot(*above);
        if (!open)
            open = above;
    }

    struct Frame
    {
        ProfiledFunctionCall *node;
        ProfiledFunctionCall *outerOpen; // the slot's value before this node
        size_t nextChild;
    };
    std::vector<Frame> stack;
    auto enter = [&](ProfiledFunctionCall *node) {
        const FunctionModel &function = node->function();
        ProfiledFunctionCall *&open = slot(*node);
        // Ids are unique within a profile; should two functions share one,
        // walking up still gives the right answer.
        if (open && &open->function() != &function)
            node->setAncestor(node->closestAncestorWithFunction(function));
        else
            node->setAncestor(open);
        stack.push_back({ node, open, 0 });
        open = node;
        node->m_inclusiveTime = 0;
    };
    enter(this);
    while (!stack.empty()) {
        Frame &frame = stack.back();
        ProfiledFunctionCall *node = frame.node;
        const size_t count = node->m_reversedChildren.size();
        if (frame.nextChild < count) {
            ProfiledFunctionCall *child = node->m_reversedChildren[count - 1 - frame.nextChild].get();
            ++frame.nextChild;
            child->m_indexInParent = quint32(frame.nextChild);
            enter(child); // invalidates `frame`
            continue;
        }
        node->m_inclusiveTime += node->m_selfTime;
        slot(*node) = frame.outerOpen;
        stack.pop_back();
        if (!stack.empty())
            stack.back().node->m_inclusiveTime += node->m_inclusiveTime;
    }
}
