// The one way a case sets the formats: straight into the record every formatter, the item and the
// dialogs read, each cut to its field as a stored format is. A null format keeps the one there.
// Pure, so the native suites use it too.
#pragma once

#include "platform/platform.h"
#include "settings/clock_settings.h"

inline void SetFormats(const WCHAR* time, const WCHAR* date) {
    if (time)
        CopyFormat(ClockSettings.TimeFormat, FormatCapacity, time);
    if (date)
        CopyFormat(ClockSettings.DateFormat, FormatCapacity, date);
}
