// The process-wide settings record shared by the item and the options dialogs, its flags, and the
// fixed tables that give the stored values their meaning.
#pragma once

#include "platform/platform.h"

enum {
    FormatCapacity = 64, // units of a stored format, terminator included
    CustomColorCount = 16
};

// Field order, types and sizes are the persisted format: each field is stored as its bytes.
struct ClockSettingsRecord {
    int FontSel;
    LOGFONTW TimeFont;
    LOGFONTW DateFont;
    int UseColor;
    COLORREF TextColor;
    COLORREF CustColors[CustomColorCount];
    int DispType;
    int DispPos;
    WCHAR TimeFormat[FormatCapacity];
    WCHAR DateFormat[FormatCapacity];
    int Layout;
    int HiddenIcon;
};

extern ClockSettingsRecord ClockSettings;

COMPILE_TIME_CHECK(IntegersAreStoredAs4Bytes, sizeof(int) == 4);
COMPILE_TIME_CHECK(CustColorsIsStoredAs64Bytes, sizeof ClockSettings.CustColors == 64);
COMPILE_TIME_CHECK(TimeFormatIsStoredAs128Bytes, sizeof ClockSettings.TimeFormat == 128);
COMPILE_TIME_CHECK(DateFormatIsStoredAs128Bytes, sizeof ClockSettings.DateFormat == 128);

extern int SettingsLoaded; // EnsureSettingsLoaded has run in this process
extern int SettingsDirty;  // a field changed since the options dialog opened or the last save
extern int MetricsDirty;   // row count and item gap must be measured again
extern int ShowSeconds;    // the time format shows seconds: redraw every second

// FontSel values.
enum { FontSelDefault = 0, FontSelSame = 1, FontSelDifferent = 2 };
// Layout values.
enum { LayoutFlat = 0, LayoutStack = 1 };
// DispPos values.
enum { DispPosLeft = 0, DispPosCenter = 1, DispPosRight = 2 };
// Display-item kinds held in DispTypeTable slots.
enum { ItemTime = 0, ItemDate = 1 };

// Sizes of the tables below.
enum { DispTypeCount = 4, DispItemSlots = 2, TimePresetCount = 8, DatePresetCount = 12 };
enum { LayoutCount = 2, DispPosCount = 3, FontSelCount = 3 };

struct DispTypeRow {
    int Count;
    int Items[DispItemSlots];
};

extern const DispTypeRow DispTypeTable[DispTypeCount];
extern const WCHAR* const TimeFormatPresets[TimePresetCount];
extern const WCHAR* const DateFormatPresets[DatePresetCount];
extern const WCHAR* const LayoutNames[LayoutCount];
extern const WCHAR* const DispTypeNames[DispTypeCount];
extern const WCHAR* const DispPosNames[DispPosCount];
extern const WCHAR* const FontSelNames[FontSelCount];

// The DispTypeTable row for the current DispType. A stored value outside the table (only a
// hand-edited registry holds one) shows the time alone, as the default does.
const DispTypeRow* CurrentDispTypeRow();

// Sets ShowSeconds from TimeFormat: any lower-case 's' before the terminator counts.
void ApplySecondsRule();

// Copies a terminated text into a fixed field, cut to fit and terminated; the units after the
// terminator are left as they were, as the stored format keeps them.
void CopyFormat(WCHAR* field, int capacity, const WCHAR* text);

// Terminates a stored text field in its last unit when it holds no terminator.
void TerminateField(WCHAR* field, int capacity);

// Loads the settings once per process: defaults, then the stored values, then the font policy.
void EnsureSettingsLoaded();

// Applies the font-selection mode: system font for both, or the date font copied from the time
// font.
void ApplyFontSel();
