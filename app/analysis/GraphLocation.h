#pragma once

#include <QtGlobal>

class Profile;
class SourceFileModel;

// Where a function of a profile's function graph is written: its file and
// the line of its first cost. For a path of the profile's estimated call
// tree, that of the path's function; nothing for a synthetic root or for
// calls taken together, which stand for no one function.
struct GraphLocation
{
    const SourceFileModel *source = nullptr;
    // 0 when unknown.
    quint32 line = 0;

    static GraphLocation ofNode(const Profile &profile, quint32 node);
    static GraphLocation ofPath(const Profile &profile, quint32 path);
};
