#include "platform/platform.h"
#include "options/format_dialog.h"
#include "options/dialog_common.h"
#include "options/preview.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"

#include <string.h>

// Which format boxes each display type shows: time box, date box.
static const BOOL FormatBoxesShown[DispTypeCount][2] = {
    {TRUE, FALSE}, // "Time"
    {FALSE, TRUE}, // "Date"
    {TRUE, TRUE},  // "Time Date"
    {TRUE, TRUE},  // "Date Time"
};

// Index of the first of count presets equal to text (exact, case counts), or -1.
static int FindPreset(const WCHAR* text, const WCHAR* const* presets, int count) {
    for (int i = 0; i < count; ++i) {
        if (SameText(text, presets[i]))
            return i;
    }
    return -1;
}

// Selects entry index of the combo box; a negative index looks text up among the presets first.
static void SelectPreset(HWND combo, int index, const WCHAR* text, const WCHAR* const* presets,
                         int count) {
    if (index < 0)
        index = FindPreset(text, presets, count);
    SendMessageW(combo, CB_SETCURSEL, (WPARAM)index, 0);
}

// Enables the format boxes the display type shows; an unknown display type changes neither.
static void EnableFormatCombos(HWND dialog) {
    unsigned type = (unsigned)ClockSettings.DispType;
    if (type >= DispTypeCount)
        return;
    EnableWindow(GetDlgItem(dialog, IDC_FORMAT_TIME), FormatBoxesShown[type][0]);
    EnableWindow(GetDlgItem(dialog, IDC_FORMAT_DATE), FormatBoxesShown[type][1]);
}

// A current format that is no preset comes first, so it stays selectable; returns its entry, or
// -1 when the format is a preset.
static int FillFormatList(HWND combo, const WCHAR* format, const WCHAR* const* presets, int count) {
    int selection = -1;
    if (FindPreset(format, presets, count) < 0) {
        SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)format);
        selection = 0;
    }
    for (int i = 0; i < count; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)presets[i]);
    return selection;
}

static INT_PTR OnInitDialog(HWND dialog) {
    PrepareDialog(dialog, DialogFlags);
    HWND time = GetDlgItem(dialog, IDC_FORMAT_TIME);
    HWND date = GetDlgItem(dialog, IDC_FORMAT_DATE);
    int timeSelection =
        FillFormatList(time, ClockSettings.TimeFormat, TimeFormatPresets, TimePresetCount);
    int dateSelection =
        FillFormatList(date, ClockSettings.DateFormat, DateFormatPresets, DatePresetCount);
    SelectPreset(time, timeSelection, ClockSettings.TimeFormat, TimeFormatPresets, TimePresetCount);
    SelectPreset(date, dateSelection, ClockSettings.DateFormat, DateFormatPresets, DatePresetCount);
    EnableFormatCombos(dialog);
    UpdatePreview(dialog);
    return TRUE;
}

// A pick goes into the format field at once; an entry too long for the field is not taken.
static void OnFormatPicked(HWND dialog, int listId, WCHAR* format) {
    HWND list = GetDlgItem(dialog, listId);
    int picked = (int)SendMessageW(list, CB_GETCURSEL, 0, 0);
    GetEntryText(list, picked, format, FormatCapacity);
    if (format == ClockSettings.TimeFormat)
        ApplySecondsRule();
    UpdatePreview(dialog);
    SettingsDirty = 1;
}

static void OnTimePicked(HWND dialog) {
    OnFormatPicked(dialog, IDC_FORMAT_TIME, ClockSettings.TimeFormat);
}

static void OnDatePicked(HWND dialog) {
    OnFormatPicked(dialog, IDC_FORMAT_DATE, ClockSettings.DateFormat);
}

// Typed text counts only here; at most FormatCapacity - 1 units are taken.
static void TakeTypedFormat(HWND dialog, int listId, WCHAR* format) {
    WCHAR typed[FormatCapacity];
    memset(typed, 0, sizeof typed);
    GetDlgItemTextW(dialog, listId, typed, FormatCapacity);
    if (SameText(typed, format))
        return;
    memcpy(format, typed, sizeof typed);
    if (format == ClockSettings.TimeFormat)
        ApplySecondsRule();
    SettingsDirty = 1;
}

static void OnDone(HWND dialog) {
    TakeTypedFormat(dialog, IDC_FORMAT_TIME, ClockSettings.TimeFormat);
    TakeTypedFormat(dialog, IDC_FORMAT_DATE, ClockSettings.DateFormat);
    SaveIfDirtyAndEnd(dialog);
}

static INT_PTR OnCommand(HWND dialog, int id, int code) {
    switch (id) {
    case IDOK: OnDone(dialog); return TRUE;
    case IDC_FORMAT_TIME: OnPick(dialog, code, OnTimePicked); break;
    case IDC_FORMAT_DATE: OnPick(dialog, code, OnDatePicked); break;
    default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK FormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return RouteDialogMessage(dialog, message, wParam, OnInitDialog, OnCommand);
}
