// A Today item without a settings page that never takes the highlight: export 240 makes a window
// that reports a row of 20 pixels and refuses WM_TODAYCUSTOM_RECEIVEDSELECTION; there is no 241.
#include "platform/platform.h"
#include "platform/today_host.h"

extern "C" IMAGE_DOS_HEADER __ImageBase; // this library's module

namespace {

const WCHAR ClassName[] = L"HostNoPageItem";
enum { RowHeight = 20 };

LRESULT CALLBACK ItemProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE: {
        TODAYLISTITEM* item = (TODAYLISTITEM*)wParam;
        if (!item || item->cyp)
            return FALSE;
        item->cyp = RowHeight;
        return TRUE;
    }
    case WM_TODAYCUSTOM_RECEIVEDSELECTION: return FALSE;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

extern "C" HWND InitializeCustomItem(TODAYLISTITEM*, HWND parent) {
    HINSTANCE module = (HINSTANCE)&__ImageBase;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ItemProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = ClassName;
    RegisterClassW(&windowClass); // fails harmlessly once it is registered
    return CreateWindowExW(0, ClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, DeviceScreenWidth, 0,
                           parent, NULL, module, NULL);
}
