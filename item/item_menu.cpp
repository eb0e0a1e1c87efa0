#include "platform/platform.h"
#include "item/item_menu.h"
#include "item/clock_applet.h"
#include "item/item_metrics.h"
#include "item/module_instance.h"
#include "platform/today_host.h"
#include "resources/resource.h"

enum { MenuTextCapacity = 32 };
enum { MenuFlags = TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD };

static void AppendCommand(HMENU menu, UINT command, UINT text) {
    WCHAR label[MenuTextCapacity];
    label[0] = 0;
    LoadStringW(ModuleInstance, text, label, MenuTextCapacity);
    AppendMenuW(menu, MF_STRING, command, label);
}

// The command picked in the menu shown at the stylus; 0 when the menu was dismissed.
static UINT PickFromMenu(HWND window, POINT at) {
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return 0;
    AppendCommand(menu, IDM_ITEM_CLOCK_ALARMS, IDS_MENU_CLOCK_ALARMS);
    AppendCommand(menu, IDM_ITEM_OPTIONS, IDS_MENU_OPTIONS);
    MapWindowPoints(window, NULL, &at, 1);
    UINT picked = (UINT)TrackPopupMenuEx(menu, MenuFlags, at.x, at.y, window, NULL);
    DestroyMenu(menu);
    return picked;
}

// The settings page as the Today settings run it: template 500 with export 241, owned by the
// Today screen. The item shows the changes at once; a new height only the Today screen can give.
static void RunSettingsPage(HWND window) {
    DLGPROC page =
        ExportByOrdinal<DLGPROC>(ModuleInstance, CustomItemOptionsDlgProcOrdinal, GetProcAddress);
    if (!page)
        return;
    RunModuleDialog(CustomItemOptionsTemplate, GetParent(window), page);
    InvalidateRect(window, NULL, TRUE);
    if (RowHeight(window) != ReportedRowHeight)
        PostMessageW(window, WM_ITEM_RELOADTODAY, 0, 0);
}

void RunItemMenu(HWND window, POINT at) {
    switch (PickFromMenu(window, at)) {
    case IDM_ITEM_CLOCK_ALARMS: OpenClockAndAlarms(); break;
    case IDM_ITEM_OPTIONS: RunSettingsPage(window); break;
    default: break;
    }
}

void RequestTodayReload() {
    SendMessageW(HWND_BROADCAST, WM_WININICHANGE, TodayReloadItemsFlag, 0);
}
