#pragma once

#include <QString>

class ProfileEvent;
class ProfiledFunctionCall;

// Where the cost of one event went below a call: the chain from the call to
// its child with the largest inclusive cost of that event (the first of
// equal children), and on from there down to a call that calls nothing or
// whose children have no cost of the event.
class HotPath
{
public:
    enum class Stop {
        Leaf, // the last call calls nothing
        NoCost, // none of the last call's children has any cost of the event
    };
    struct End
    {
        const ProfiledFunctionCall *call;
        Stop reason;
    };

    // The last call of the chain from `start` following `event`.
    static End end(const ProfiledFunctionCall &start, int event);
    // Where and why the chain stopped, for a status line, e.g. "Hot path of
    // time ends at render: it calls nothing".
    static QString description(const End &end, const ProfileEvent &event);
};
