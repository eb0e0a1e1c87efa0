#include "platform/platform.h"
#include "item/module.h"
#include "item/item_window.h"
#include "item/screen_scale.h"
#include "item/shell_ready.h"
#include "resources/resource.h"

enum { ItemWidth = DeviceScreenWidth, ItemInitialHeight = 0 };

HWND ItemWindow;

void ModuleAttach(HINSTANCE instance) {
    ModuleInstance = instance;
    LoadItemIcon(instance);
    ItemClassName[0] = 0;
    LoadStringW(instance, IDS_CLASS_NAME, ItemClassName, ClassNameCapacity);
    // A class left behind by an earlier load of this module would make registration fail.
    UnregisterClassW(ItemClassName, instance);

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ItemWndProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszClassName = ItemClassName;
    RegisterClassW(&windowClass);
    ItemWindow = NULL;
}

void ModuleDetach() {
    DestroyItemIcon();
    ForgetShellReady();
    UnregisterClassW(ItemClassName, ModuleInstance);
    ModuleInstance = NULL;
}

// An item the user unchecked in the Today settings makes no window; a host that gives no record at
// all still gets one.
extern "C" HWND InitializeCustomItem(TODAYLISTITEM* item, HWND parent) {
    if (item && !item->fEnabled)
        return NULL;
    ItemWindow = CreateWindowExW(0, ItemClassName, ItemClassName, WS_CHILD | WS_VISIBLE,
                                 CW_USEDEFAULT, CW_USEDEFAULT, ItemWidth, ItemInitialHeight, parent,
                                 NULL, ModuleInstance, NULL);
    ShowWindow(ItemWindow, SW_SHOWNORMAL);
    UpdateWindow(ItemWindow);
    return ItemWindow;
}
