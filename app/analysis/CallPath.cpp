#include "CallPath.h"

#include "FunctionModel.h"
#include "ProfiledFunctionCall.h"

#include <algorithm>

CallPath CallPath::of(const ProfiledFunctionCall *call)
{
    CallPath path;
    for (; call; call = call->parent()) {
        qsizetype occurrence = 0;
        if (const ProfiledFunctionCall *parent = call->parent()) {
            for (qsizetype i = 0; parent->getChild(i) != call; ++i) {
                if (&parent->getChild(i)->function() == &call->function())
                    ++occurrence;
            }
        }
        path.m_steps.push_back({ call->function().name(), occurrence });
    }
    std::reverse(path.m_steps.begin(), path.m_steps.end());
    return path;
}

const ProfiledFunctionCall *CallPath::find(const ProfiledFunctionCall *root) const
{
    if (m_steps.empty() || !root || root->function().name() != m_steps.front().function)
        return nullptr;
    const ProfiledFunctionCall *call = root;
    for (auto step = m_steps.begin() + 1; step != m_steps.end(); ++step) {
        const ProfiledFunctionCall *found = nullptr;
        qsizetype seen = 0;
        for (qsizetype i = 0; i < call->childCount() && !found; ++i) {
            const ProfiledFunctionCall *child = call->getChild(i);
            if (child->function().name() == step->function && seen++ == step->occurrence)
                found = child;
        }
        if (!found)
            return nullptr;
        call = found;
    }
    return call;
}
