#pragma once

#include <QtGlobal>

// The unit times are shown in. The setting "measurement" stores it as its
// number; any other number stored there is Unknown, which shows as "unknown
// measurement format".
enum class TimeUnit { Seconds = 0, Milliseconds = 1, Microseconds = 2, Unknown = -1 };

// The unit a stored "measurement" names.
inline TimeUnit timeUnitFromSetting(qint64 value)
{
    return value >= 0 && value <= 2 ? TimeUnit(value) : TimeUnit::Unknown;
}
