#include "platform/platform.h"
#include "item/item_tap.h"
#include "item/clock_applet.h"
#include "item/item_menu.h"
#include "item/item_selection.h"
#include "platform/shell_gesture.h"
#include "platform/today_host.h"

static HWND TapWindow; // the item window a tap began on, until the stylus comes up

void ItemButtonDown(HWND window, POINT at) {
    TapWindow = NULL;
    SendMessageW(GetParent(window), TODAYM_TOOKSELECTION, (WPARAM)window, 0);
    // The item asked for the highlight, so it shows it whether or not the host says so again, and
    // at once: the stylus may be held a while.
    SelectItem(window, true);
    UpdateWindow(window);

    SHRGINFO gesture;
    gesture.cbSize = sizeof gesture;
    gesture.hwndClient = window;
    gesture.ptDown = at;
    gesture.dwFlags = SHRG_RETURNCMD;
    if (SHRecognizeGesture(&gesture) == GN_CONTEXTMENU) {
        RunItemMenu(window, at);
        return;
    }
    // Captured, so the stylus coming up anywhere ends the tap here.
    TapWindow = window;
    SetCapture(window);
}

void ItemButtonUp(HWND window, POINT at) {
    bool tapped = TapWindow == window;
    TapWindow = NULL;
    if (GetCapture() == window)
        ReleaseCapture();
    RECT client;
    if (!tapped || !GetClientRect(window, &client))
        return;
    if (at.x >= 0 && at.y >= 0 && at.x < client.right && at.y < client.bottom)
        OpenClockAndAlarms();
}

void ForgetTap(HWND window) {
    if (TapWindow == window)
        TapWindow = NULL;
}
