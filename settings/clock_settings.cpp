#include "platform/platform.h"
#include "settings/clock_settings.h"

ClockSettingsRecord ClockSettings;

int SettingsLoaded;
int SettingsDirty;
int MetricsDirty;
int ShowSeconds;

const DispTypeRow DispTypeTable[DispTypeCount] = {
    {1, {ItemTime, 0}},
    {1, {ItemDate, 0}},
    {2, {ItemTime, ItemDate}},
    {2, {ItemDate, ItemTime}},
};

const WCHAR* const TimeFormatPresets[TimePresetCount] = {
    TEXT("HH:mm"),    TEXT("H:mm"),    TEXT("hh:mm tt"),    TEXT("h:mm tt"),
    TEXT("HH:mm:ss"), TEXT("H:mm:ss"), TEXT("hh:mm:ss TT"), TEXT("h:mm:ss TT"),
};

const WCHAR* const DateFormatPresets[DatePresetCount] = {
    TEXT("M/d"),         TEXT("MM/dd"),     TEXT("M/d (w)"),   TEXT("M/d (ww)"),
    TEXT("M/d W"),       TEXT("yy/M/d"),    TEXT("yyyy/M/d"),  TEXT("yyyy/M/d (Y)"),
    TEXT("yyyy/M/d YY"), TEXT("yyyy IN d"), TEXT("dd-MMM-yy"), TEXT("W, MMMM d, yyyy"),
};

const WCHAR* const LayoutNames[LayoutCount] = {TEXT("Flat"), TEXT("Stack")};

const WCHAR* const DispTypeNames[DispTypeCount] = {TEXT("Time"), TEXT("Date"), TEXT("Time Date"),
                                                   TEXT("Date Time")};

const WCHAR* const DispPosNames[DispPosCount] = {TEXT("Left"), TEXT("Center"), TEXT("Right")};

const WCHAR* const FontSelNames[FontSelCount] = {
    TEXT("Use default font"),
    TEXT("Use same font for time/date"),
    TEXT("Use different font for time/date"),
};

const DispTypeRow* CurrentDispTypeRow() {
    // Compared unsigned so a negative stored value is out of range too.
    unsigned type = (unsigned)ClockSettings.DispType;
    return &DispTypeTable[type < DispTypeCount ? type : 0];
}

void ApplySecondsRule() {
    const WCHAR* format = ClockSettings.TimeFormat;
    int seconds = 0;
    for (int i = 0; i < FormatCapacity && format[i] != 0; ++i) {
        if (format[i] == TEXT('s')) {
            seconds = 1;
            break;
        }
    }
    ShowSeconds = seconds;
}

void CopyFormat(WCHAR* field, int capacity, const WCHAR* text) {
    if (capacity < 1)
        return;
    int i = 0;
    for (; i < capacity - 1 && text[i] != 0; ++i)
        field[i] = text[i];
    field[i] = 0;
}

void TerminateField(WCHAR* field, int capacity) {
    for (int i = 0; i < capacity; ++i) {
        if (field[i] == 0)
            return;
    }
    field[capacity - 1] = 0;
}
