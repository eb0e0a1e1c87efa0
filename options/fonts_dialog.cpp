#include "platform/platform.h"
#include "options/fonts_dialog.h"
#include "item/module_instance.h"
#include "options/dialog_common.h"
#include "options/select_font_dialog.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"

#include <string.h>

enum {
    ColorRequestFlags = CC_RGBINIT | CC_ANYCOLOR,
    FontRequestFlags = FontRequestScreenFonts | FontRequestInitToLogFont
};

// Which Font... buttons each mode enables: time, date.
static const BOOL FontButtonsEnabled[FontSelCount][2] = {
    {FALSE, FALSE}, // both fonts are the system font
    {TRUE, FALSE},  // the date font follows the time font
    {TRUE, TRUE},   // two fonts of their own
};

// Selects the mode in the list and enables the Font... buttons the mode lets the user change.
static void SyncFontControls(HWND dialog) {
    SelectStoredValue(dialog, IDC_FONTS_MODE, ClockSettings.FontSel);
    unsigned mode = (unsigned)ClockSettings.FontSel;
    if (mode >= FontSelCount)
        return;
    EnableWindow(GetDlgItem(dialog, IDC_FONTS_TIME_FONT), FontButtonsEnabled[mode][0]);
    EnableWindow(GetDlgItem(dialog, IDC_FONTS_DATE_FONT), FontButtonsEnabled[mode][1]);
}

// Checks the colour box by UseColor and enables Color... only while it is checked.
static void SyncColorControls(HWND dialog) {
    BOOL useColor = ClockSettings.UseColor != 0;
    SendDlgItemMessageW(dialog, IDC_FONTS_USE_COLOR, BM_SETCHECK,
                        useColor ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(GetDlgItem(dialog, IDC_FONTS_COLOR), useColor);
}

static INT_PTR OnInitDialog(HWND dialog) {
    PrepareDialog(dialog, DialogFlags);
    FillList(dialog, IDC_FONTS_MODE, FontSelNames, FontSelCount);
    SyncFontControls(dialog);
    SyncColorControls(dialog);
    return TRUE;
}

static void OnModePicked(HWND dialog) {
    if (!TakePick(dialog, IDC_FONTS_MODE, FontSelCount, &ClockSettings.FontSel))
        return;
    ApplyFontSel();
    MetricsDirty = 1;
    SyncFontControls(dialog);
    SettingsDirty = 1;
}

static void OnUseColor(HWND dialog) {
    ClockSettings.UseColor = ClockSettings.UseColor == 0 ? 1 : 0;
    SyncColorControls(dialog);
    SettingsDirty = 1;
}

// The chooser edits the record's own custom colours in place; they are saved with the next save.
static void OnChooseColor(HWND dialog) {
    CHOOSECOLOR request;
    memset(&request, 0, sizeof request);
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    SetHandleField(&request.hInstance, ModuleInstance);
    request.rgbResult = ClockSettings.TextColor;
    request.lpCustColors = ClockSettings.CustColors;
    request.Flags = ColorRequestFlags;
    if (ChooseColor(&request)) {
        SettingsDirty = 1;
        ClockSettings.TextColor = request.rgbResult;
    }
}

// Edits a copy, so a cancelled or failed choice leaves the record alone.
static void OnChooseFont(HWND dialog, LOGFONTW* font) {
    LOGFONTW edited = *font;
    FontRequest request;
    memset(&request, 0, sizeof request);
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpLogFont = &edited;
    request.Flags = FontRequestFlags;
    request.hInstance = ModuleInstance;
    // Only a positive result is a change: -1 means the dialog could not run.
    if (SelectFontDialog(&request) <= 0)
        return;
    *font = edited;
    ApplyFontSel();
    MetricsDirty = 1;
    SettingsDirty = 1;
}

static INT_PTR OnCommand(HWND dialog, int id, int code) {
    switch (id) {
    case IDOK: SaveIfDirtyAndEnd(dialog); return TRUE;
    case IDC_FONTS_MODE: OnPick(dialog, code, OnModePicked); break;
    case IDC_FONTS_USE_COLOR: OnUseColor(dialog); break;
    case IDC_FONTS_COLOR: OnChooseColor(dialog); break;
    case IDC_FONTS_TIME_FONT: OnChooseFont(dialog, &ClockSettings.TimeFont); break;
    case IDC_FONTS_DATE_FONT: OnChooseFont(dialog, &ClockSettings.DateFont); break;
    default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK FontsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return RouteDialogMessage(dialog, message, wParam, OnInitDialog, OnCommand);
}
