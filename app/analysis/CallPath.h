#pragma once

#include <QString>

#include <vector>

class MergedCallTree;
class Profile;
class ProfiledFunctionCall;

// Where a call sits in its tree, told by names rather than by node: the
// function of each call from the root down, with its position among the
// siblings of the same function. Finds the same place in another tree of the
// same program, such as the profile read again.
class CallPath
{
public:
    // The path of `call`; empty for none.
    static CallPath of(const ProfiledFunctionCall *call);

    // The call at this path below `root`, or null when the tree has no such
    // path (or the path is empty).
    const ProfiledFunctionCall *find(const ProfiledFunctionCall *root) const;
    // The same for a path of `paths`, a call tree of `profile`'s functions
    // (such as one estimated, whose paths have no calls); none when the
    // tree has no such path.
    static CallPath ofPath(const Profile &profile, const MergedCallTree &paths, quint32 path);
    quint32 findPath(const Profile &profile, const MergedCallTree &paths) const;
    bool isEmpty() const { return m_steps.empty(); }

private:
    struct Step
    {
        QString function;
        // Among the parent's children of the same function, from 0.
        qsizetype occurrence;
    };
    // From the root down.
    std::vector<Step> m_steps;
};
