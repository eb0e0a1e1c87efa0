#include "platform/platform.h"
#include "options/options_dialog.h"
#include "item/module_instance.h"
#include "options/dialog_common.h"
#include "options/fonts_dialog.h"
#include "options/format_dialog.h"
#include "options/icon_option_dialog.h"
#include "options/preview.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"

// The Today settings run this template with export 241.
COMPILE_TIME_CHECK(SettingsPageIsTheTemplateTheTodayScreenRuns,
                   IDD_OPTIONS == CustomItemOptionsTemplate);

// SettingsDirty is left as it is: when it is already set, an earlier save failed, and the
// record the item shows still has to reach the registry on this dialog's Done.
static INT_PTR OnInitDialog(HWND dialog) {
    PrepareDialog(dialog, DialogFlags);
    EnsureSettingsLoaded();
    FillList(dialog, IDC_OPTIONS_LAYOUT, LayoutNames, LayoutCount);
    FillList(dialog, IDC_OPTIONS_DISPTYPE, DispTypeNames, DispTypeCount);
    FillList(dialog, IDC_OPTIONS_DISPPOS, DispPosNames, DispPosCount);
    SelectStoredValue(dialog, IDC_OPTIONS_LAYOUT, ClockSettings.Layout);
    SelectStoredValue(dialog, IDC_OPTIONS_DISPTYPE, ClockSettings.DispType);
    SelectStoredValue(dialog, IDC_OPTIONS_DISPPOS, ClockSettings.DispPos);
    UpdatePreview(dialog);
    return TRUE;
}

// A pick shows in the preview at once and is saved on Done.
static void ShowPick(HWND dialog) {
    UpdatePreview(dialog);
    SettingsDirty = 1;
}

static void OnLayoutPicked(HWND dialog) {
    if (!TakePick(dialog, IDC_OPTIONS_LAYOUT, LayoutCount, &ClockSettings.Layout))
        return;
    MetricsDirty = 1;
    ShowPick(dialog);
}

// In the Flat layout the item's height does not depend on what is shown.
static void OnDispTypePicked(HWND dialog) {
    if (!TakePick(dialog, IDC_OPTIONS_DISPTYPE, DispTypeCount, &ClockSettings.DispType))
        return;
    if (ClockSettings.Layout == LayoutStack)
        MetricsDirty = 1;
    ShowPick(dialog);
}

static void OnDispPosPicked(HWND dialog) {
    if (TakePick(dialog, IDC_OPTIONS_DISPPOS, DispPosCount, &ClockSettings.DispPos))
        ShowPick(dialog);
}

static void OnFormat(HWND dialog) {
    RunModuleDialog(IDD_FORMAT, dialog, FormatDlgProc);
    UpdatePreview(dialog);
}

static INT_PTR OnCommand(HWND dialog, int id, int code) {
    switch (id) {
    case IDOK: SaveIfDirtyAndEnd(dialog); return TRUE;
    case IDC_OPTIONS_FORMAT: OnFormat(dialog); break;
    case IDC_OPTIONS_FONTS: RunModuleDialog(IDD_FONTS, dialog, FontsDlgProc); break;
    case IDC_OPTIONS_ICON: RunModuleDialog(IDD_ICON_OPTION, dialog, IconOptionDlgProc); break;
    case IDC_OPTIONS_LAYOUT: OnPick(dialog, code, OnLayoutPicked); break;
    case IDC_OPTIONS_DISPTYPE: OnPick(dialog, code, OnDispTypePicked); break;
    case IDC_OPTIONS_DISPPOS: OnPick(dialog, code, OnDispPosPicked); break;
    default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return RouteDialogMessage(dialog, message, wParam, OnInitDialog, OnCommand);
}
