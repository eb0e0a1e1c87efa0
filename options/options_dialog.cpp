#include "platform/platform.h"
#include "options/options_dialog.h"
#include "item/module.h"
#include "options/dialog_common.h"
#include "options/fonts_dialog.h"
#include "options/format_dialog.h"
#include "options/icon_option_dialog.h"
#include "options/preview.h"
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

static void OnLayoutPicked(HWND dialog) {
    int picked = PickedEntry(dialog, IDC_OPTIONS_LAYOUT, LayoutCount);
    if (picked < 0)
        return;
    ClockSettings.Layout = picked;
    MetricsDirty = 1;
    UpdatePreview(dialog);
    SettingsDirty = 1;
}

// In the Flat layout the item's height does not depend on what is shown.
static void OnDispTypePicked(HWND dialog) {
    int picked = PickedEntry(dialog, IDC_OPTIONS_DISPTYPE, DispTypeCount);
    if (picked < 0)
        return;
    ClockSettings.DispType = picked;
    if (ClockSettings.Layout == LayoutStack)
        MetricsDirty = 1;
    UpdatePreview(dialog);
    SettingsDirty = 1;
}

static void OnDispPosPicked(HWND dialog) {
    int picked = PickedEntry(dialog, IDC_OPTIONS_DISPPOS, DispPosCount);
    if (picked < 0)
        return;
    ClockSettings.DispPos = picked;
    UpdatePreview(dialog);
    SettingsDirty = 1;
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
    case IDC_OPTIONS_LAYOUT:
        if (code == CBN_SELCHANGE)
            OnLayoutPicked(dialog);
        break;
    case IDC_OPTIONS_DISPTYPE:
        if (code == CBN_SELCHANGE)
            OnDispTypePicked(dialog);
        break;
    case IDC_OPTIONS_DISPPOS:
        if (code == CBN_SELCHANGE)
            OnDispPosPicked(dialog);
        break;
    default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default: return FALSE;
    }
}
