#pragma once

#include <QtGlobal>

class ProfiledFunctionCall;

// Where the time went below a call: the chain that goes from the call to
// its child with the largest inclusive time (the first of equal children),
// and on from there, as long as that child holds at least
// `minimumSharePercent` of a total time.
class HotPath
{
public:
    static constexpr quint64 minimumSharePercent = 5;

    // The last call of the chain from `start`; `start` itself when none of
    // its children holds enough of `total`.
    static const ProfiledFunctionCall &end(const ProfiledFunctionCall &start, quint64 total);
};
