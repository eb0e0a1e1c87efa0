// The library's process-wide state put back as it is right after the library loads, for suites
// whose cases share one process: the settings record and its flags, and the item's metrics, last
// painted time and clock.
#pragma once

#include "platform/platform.h"
#include "item/item_metrics.h"
#include "item/item_paint.h"
#include "item/local_time.h"
#include "settings/clock_settings.h"

#include <string.h>

inline void ResetSettingsState() {
    memset(&ClockSettings, 0, sizeof ClockSettings);
    SettingsLoaded = 0;
    SettingsDirty = 0;
    MetricsDirty = 0;
    ShowSeconds = 0;
}

inline void ResetItemState() {
    ResetSettingsState();
    RowCount = 0;
    ItemGap = 0;
    memset(&LastPaintedTime, 0, sizeof LastPaintedTime);
    LocalTimeSource = GetLocalTime;
}
