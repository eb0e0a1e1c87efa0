// A Today item without a settings page: export 240 makes a plain window, and there is no 241.
#include "platform/platform.h"
#include "platform/today_host.h"

extern "C" HWND InitializeCustomItem(TODAYLISTITEM*, HWND parent) {
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, DeviceScreenWidth,
                           DeviceNavBarHeight, parent, NULL, NULL, NULL);
}
