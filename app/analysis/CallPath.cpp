#include "CallPath.h"

#include "FunctionModel.h"
#include "MergedCallTree.h"
#include "Profile.h"
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

CallPath CallPath::ofPath(const Profile &profile, const MergedCallTree &paths, quint32 path)
{
    CallPath found;
    for (; path != MergedCallTree::none; path = paths.parent(path)) {
        qsizetype occurrence = 0;
        if (const quint32 parent = paths.parent(path); parent != MergedCallTree::none) {
            for (quint32 i = 0; paths.child(parent, i) != path; ++i) {
                if (paths.function(paths.child(parent, i)) == paths.function(path))
                    ++occurrence;
            }
        }
        found.m_steps.push_back({ profile.function(paths.function(path)).name(), occurrence });
    }
    std::reverse(found.m_steps.begin(), found.m_steps.end());
    return found;
}

quint32 CallPath::findPath(const Profile &profile, const MergedCallTree &paths) const
{
    const auto nameOf = [&](quint32 path) { return profile.function(paths.function(path)).name(); };
    quint32 path = paths.root();
    if (m_steps.empty() || path == MergedCallTree::none || nameOf(path) != m_steps.front().function)
        return MergedCallTree::none;
    for (auto step = m_steps.begin() + 1; step != m_steps.end(); ++step) {
        quint32 found = MergedCallTree::none;
        qsizetype seen = 0;
        for (quint32 i = 0; i < paths.childCount(path) && found == MergedCallTree::none; ++i) {
            if (nameOf(paths.child(path, i)) == step->function && seen++ == step->occurrence)
                found = paths.child(path, i);
        }
        if (found == MergedCallTree::none)
            return MergedCallTree::none;
        path = found;
    }
    return path;
}
