#include "platform/platform.h"
#include "options/icon_option_dialog.h"
#include "item/module_instance.h"
#include "options/about_dialog.h"
#include "options/dialog_common.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"

static INT_PTR OnInitDialog(HWND dialog) {
    PrepareDialog(dialog, DialogFlagsEmptyMenu);
    SendDlgItemMessageW(dialog, IDC_ICON_HIDE, BM_SETCHECK,
                        ClockSettings.HiddenIcon != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

// The choice counts only here; the save also covers changes other dialogs left unsaved.
static void OnDone(HWND dialog) {
    int hidden = SendDlgItemMessageW(dialog, IDC_ICON_HIDE, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (hidden != ClockSettings.HiddenIcon) {
        SettingsDirty = 1;
        ClockSettings.HiddenIcon = hidden;
    }
    SaveIfDirtyAndEnd(dialog);
}

static INT_PTR OnCommand(HWND dialog, int id, int) {
    switch (id) {
    case IDOK: OnDone(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    case IDC_ICON_ABOUT: RunModuleDialog(IDD_ABOUT, dialog, AboutDlgProc); return FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK IconOptionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return RouteDialogMessage(dialog, message, wParam, OnInitDialog, OnCommand);
}
