#include "HotPath.h"

#include "ProfiledFunctionCall.h"

static_assert(100 % HotPath::minimumSharePercent == 0, "the least share is worked out as a whole fraction");

const ProfiledFunctionCall &HotPath::end(const ProfiledFunctionCall &start, quint64 total)
{
    const ProfiledFunctionCall *current = &start;
    while (current->childCount() > 0) {
        const ProfiledFunctionCall *hottest = current->getChild(0);
        for (qsizetype i = 1; i < current->childCount(); ++i) {
            if (current->getChild(i)->inclusiveTime() > hottest->inclusiveTime())
                hottest = current->getChild(i);
        }
        // A call without time is never hot, whatever the total; the least
        // share is rounded up so that no product can overflow.
        const quint64 time = hottest->inclusiveTime();
        const quint64 divisor = 100 / minimumSharePercent;
        const quint64 least = total / divisor + (total % divisor != 0 ? 1 : 0);
        if (time == 0 || time < least)
            break;
        current = hottest;
    }
    return *current;
}
