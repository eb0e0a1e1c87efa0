#include "platform/platform.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"

#include <string.h>

void EnsureSettingsLoaded() {
    if (SettingsLoaded)
        return;

    ClockSettings.FontSel = FontSelDefault;
    memset(&ClockSettings.TimeFont, 0, sizeof ClockSettings.TimeFont);
    memset(&ClockSettings.DateFont, 0, sizeof ClockSettings.DateFont);
    ClockSettings.TextColor = 0;
    ClockSettings.UseColor = 0;
    memset(ClockSettings.CustColors, 0, sizeof ClockSettings.CustColors);
    ClockSettings.DispType = 0;
    ClockSettings.DispPos = DispPosLeft;
    CopyFormat(ClockSettings.TimeFormat, FormatCapacity, TimeFormatPresets[0]);
    CopyFormat(ClockSettings.DateFormat, FormatCapacity, DateFormatPresets[0]);
    ClockSettings.Layout = LayoutFlat;
    ClockSettings.HiddenIcon = 0;
    ShowSeconds = 0;
    MetricsDirty = 1;

    // Whatever was read before a failure stays; the rest keeps the defaults.
    ReadSettings();

    ApplySecondsRule();
    ApplyFontSel();
    SettingsLoaded = 1;
}

static void CopySystemFont(LOGFONTW* font) {
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof *font, font);
    MetricsDirty = 1;
}

void ApplyFontSel() {
    switch (ClockSettings.FontSel) {
    case FontSelDefault:
        CopySystemFont(&ClockSettings.TimeFont);
        CopySystemFont(&ClockSettings.DateFont);
        break;
    case FontSelSame:
        memcpy(&ClockSettings.DateFont, &ClockSettings.TimeFont, sizeof ClockSettings.DateFont);
        break;
    default: break;
    }
}
