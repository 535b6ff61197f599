#pragma once

#include "ProfiledFunction.h"

#include <QtGlobal>

#include <cstddef>
#include <memory>
#include <vector>

class SourceFileModel;

// One recorded call: a node of the call tree. A node owns its children; the
// parent, recursion-link and source references never own.
class ProfiledFunctionCall final : public ProfiledFunction
{
public:
    explicit ProfiledFunctionCall(const FunctionModel &function, const SourceFileModel *source = nullptr);
    // Releases the subtree without recursing as deep as the tree.
    ~ProfiledFunctionCall();

    // Nodes come from a pool of their own (see CallNodePool).
    static void *operator new(std::size_t size);
    static void operator delete(void *node, std::size_t size) noexcept;

    ProfiledFunctionCall(const ProfiledFunctionCall &) = delete;
    ProfiledFunctionCall &operator=(const ProfiledFunctionCall &) = delete;

    // Puts `call` in front of the children and makes this node its parent.
    void insertCall(std::unique_ptr<ProfiledFunctionCall> call);
    // Makes room for `count` more children, so that inserting them does not
    // reallocate.
    void reserveCalls(qsizetype count) { m_reversedChildren.reserve(m_reversedChildren.size() + size_t(count)); }

    // The nearest node above this one, following parents, whose function is
    // `function`; the node itself is never considered.
    ProfiledFunctionCall *closestAncestorWithFunction(const FunctionModel &function) const;

    // Children in the order the profile lists them; index is 0-based.
    qsizetype childCount() const { return qsizetype(m_reversedChildren.size()); }
    ProfiledFunctionCall *getChild(qsizetype index) const
    {
        return m_reversedChildren[m_reversedChildren.size() - 1 - size_t(index)].get();
    }
    std::vector<const ProfiledFunctionCall *> children() const;

    ProfiledFunctionCall *parent() const { return m_parent; }
    void setParent(ProfiledFunctionCall *parent) { m_parent = parent; }
    ProfiledFunctionCall *ancestor() const { return m_ancestor; }
    void setAncestor(ProfiledFunctionCall *ancestor);
    // True once some node below has named this one as its recursion link;
    // summaries use it to keep their membership test small.
    bool isRecursionAncestor() const { return m_isRecursionAncestor; }
    const SourceFileModel *source() const { return m_source; }
    // The function's dense id, kept here so that walks over the whole tree
    // need not visit the function.
    quint32 functionId() const { return m_functionId; }

    quint32 sourceLine() const { return m_sourceLine; }
    void setSourceLine(quint32 line) { m_sourceLine = line; }
    // Position among the parent's children, from 1; 0 for the root.
    quint32 indexInParent() const { return m_indexInParent; }
    void setIndexInParent(quint32 index) { m_indexInParent = index; }
    // Costs in the profile's own unit.
    quint64 selfTime() const { return m_selfTime; }
    void setSelfTime(quint64 time) { m_selfTime = time; }
    quint64 inclusiveTime() const { return m_inclusiveTime; }

    // Computes inclusive times, sibling positions and recursion links for the
    // whole subtree, in one pass whose cost is linear in its size.
    void analyse();

private:
    // Stored last-to-first, so that prepending (insertCall) is constant time.
    std::vector<std::unique_ptr<ProfiledFunctionCall>> m_reversedChildren;
    ProfiledFunctionCall *m_parent = nullptr;
    ProfiledFunctionCall *m_ancestor = nullptr;
    const SourceFileModel *m_source = nullptr;
    quint64 m_selfTime = 0;
    quint64 m_inclusiveTime = 0;
    quint32 m_sourceLine = 0;
    quint32 m_indexInParent = 0;
    bool m_isRecursionAncestor = false;
    quint32 m_functionId = 0;
};
