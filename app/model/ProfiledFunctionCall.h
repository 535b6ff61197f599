#pragma once

#include "Cost.h"
#include "ProfiledFunction.h"

#include <QtGlobal>

class CallTree;
class SourceFileModel;

// One recorded call: the handle of a node of its profile's call tree, which
// holds everything about it. Handles are made by the tree, live as long as
// its profile, and never change.
class ProfiledFunctionCall final : public ProfiledFunction
{
public:
    explicit ProfiledFunctionCall(const FunctionModel &function)
        : ProfiledFunction(function)
    { }

    const CallTree &tree() const;
    // The call's number in its tree: the order of the records in the file.
    quint32 callNumber() const;
    quint32 functionId() const;

    // The nearest call above this one, following parents, whose function is
    // `function`; the call itself is never considered.
    const ProfiledFunctionCall *closestAncestorWithFunction(const FunctionModel &function) const;

    // Children in the order the profile lists them; index is 0-based.
    qsizetype childCount() const;
    const ProfiledFunctionCall *getChild(qsizetype index) const;
    const ProfiledFunctionCall *parent() const;
    // The recursion link: the nearest call above of the same function.
    const ProfiledFunctionCall *ancestor() const;
    const SourceFileModel *source() const;
    quint32 sourceLine() const;
    // Position among the parent's children, from 1; 0 for the root.
    quint32 indexInParent() const;

    // The figures of one of the profile's events.
    Cost selfCost(int event) const;
    Cost inclusiveCost(int event) const;
    // The same for the profile's time event, in its own unit.
    quint64 selfTime() const;
    quint64 inclusiveTime() const;

private:
    const ProfiledFunctionCall *callOrNull(quint32 number) const;
};
