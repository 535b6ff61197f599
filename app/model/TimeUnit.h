#pragma once

#include <QtGlobal>

// The unit times are shown in. The setting "measurement" stores it as its
// number; any other number stored there is Unknown, which shows as "unknown
// measurement format". Automatic shows each figure in the largest unit that
// keeps it at or above 1.
enum class TimeUnit { Seconds = 0, Milliseconds = 1, Microseconds = 2, Nanoseconds = 3, Automatic = 4, Unknown = -1 };

// The unit a stored "measurement" names.
inline TimeUnit timeUnitFromSetting(qint64 value)
{
    return value >= 0 && value <= 4 ? TimeUnit(value) : TimeUnit::Unknown;
}
