#include "ProfiledFunctionCall.h"

#include "CallTree.h"
#include "FunctionModel.h"
#include "Profile.h"

const CallTree &ProfiledFunctionCall::tree() const
{
    return function().profile().callTree();
}

quint32 ProfiledFunctionCall::callNumber() const
{
    return tree().numberOf(*this);
}

quint32 ProfiledFunctionCall::functionId() const
{
    return function().id();
}

const ProfiledFunctionCall *ProfiledFunctionCall::callOrNull(quint32 number) const
{
    return number == CallTree::none ? nullptr : &tree().call(number);
}

const ProfiledFunctionCall *ProfiledFunctionCall::closestAncestorWithFunction(const FunctionModel &function) const
{
    const ProfiledFunctionCall *candidate = parent();
    while (candidate && &candidate->function() != &function)
        candidate = candidate->parent();
    return candidate;
}

qsizetype ProfiledFunctionCall::childCount() const
{
    return tree().childCount(callNumber());
}

const ProfiledFunctionCall *ProfiledFunctionCall::getChild(qsizetype index) const
{
    return &tree().call(tree().child(callNumber(), quint32(index)));
}

const ProfiledFunctionCall *ProfiledFunctionCall::parent() const
{
    return callOrNull(tree().parent(callNumber()));
}

const ProfiledFunctionCall *ProfiledFunctionCall::ancestor() const
{
    return closestAncestorWithFunction(function());
}

const SourceFileModel *ProfiledFunctionCall::source() const
{
    const quint32 source = tree().source(callNumber());
    return source == CallTree::none ? nullptr : &function().profile().source(source);
}

quint32 ProfiledFunctionCall::sourceLine() const
{
    return tree().line(callNumber());
}

quint32 ProfiledFunctionCall::indexInParent() const
{
    return tree().indexInParent(callNumber());
}

Cost ProfiledFunctionCall::selfCost(int event) const
{
    return Cost::fromBits(tree().selfBits(event, callNumber()), tree().isSigned(event));
}

Cost ProfiledFunctionCall::inclusiveCost(int event) const
{
    return Cost::fromBits(tree().inclusiveBits(event, callNumber()), tree().isSigned(event));
}

quint64 ProfiledFunctionCall::selfTime() const
{
    return selfCost(function().profile().timeEvent()).toUnsigned();
}

quint64 ProfiledFunctionCall::inclusiveTime() const
{
    return inclusiveCost(function().profile().timeEvent()).toUnsigned();
}
