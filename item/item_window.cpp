#include "platform/platform.h"
#include "item/item_window.h"
#include "item/item_metrics.h"
#include "item/item_paint.h"
#include "item/local_time.h"
#include "item/screen_scale.h"
#include "platform/today_host.h"
#include "settings/clock_settings.h"

int ShellIsReady() {
    // The only access Windows CE's OpenEvent takes.
    HANDLE ready = OpenEventW(EVENT_ALL_ACCESS, FALSE, SHELL_API_READY_EVENT);
    // Only a time-out means "not yet"; a host that never made the event is taken as ready.
    DWORD wait = ready ? WaitForSingleObject(ready, 0) : WAIT_FAILED;
    if (ready)
        CloseHandle(ready);
    return wait != WAIT_TIMEOUT;
}

static void InvalidateClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    InvalidateRect(window, &client, TRUE);
}

static LRESULT OnCreate(HWND window, WPARAM wParam, LPARAM lParam) {
    EnsureSettingsLoaded();
    if (ShowSeconds)
        SetTimer(window, SecondsTimerId, SecondsTimerPeriod, NULL);
    return DefWindowProcW(window, WM_CREATE, wParam, lParam);
}

static LRESULT OnDestroy(HWND window) {
    // Stopped whatever ShowSeconds says now: it may have changed since the timer started.
    KillTimer(window, SecondsTimerId);
    return 0;
}

static LRESULT OnSize(HWND window, WPARAM wParam, LPARAM lParam) {
    // The window's rectangle, brought into the window's own coordinates: all of it is redrawn.
    RECT bounds;
    GetWindowRect(window, &bounds);
    MapWindowPoints(NULL, window, (POINT*)&bounds, 2);
    InvalidateRect(window, &bounds, TRUE);
    return DefWindowProcW(window, WM_SIZE, wParam, lParam);
}

static LRESULT OnPaint(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    PaintItem(window, dc, client);
    EndPaint(window, &paint);
    return 0;
}

static LRESULT OnEraseBackground(HWND window, HDC dc) {
    TODAYDRAWWATERMARKINFO watermark;
    watermark.hdc = dc;
    GetClientRect(window, &watermark.rc);
    watermark.hwnd = window;
    SendMessageW(GetParent(window), TODAYM_DRAWWATERMARK, 0, (LPARAM)&watermark);
    return 1;
}

static LRESULT OnTimer(HWND window, WPARAM wParam, LPARAM lParam) {
    InvalidateClient(window);
    if (!ShowSeconds)
        KillTimer(window, SecondsTimerId);
    return DefWindowProcW(window, WM_TIMER, wParam, lParam);
}

// Whether the clock moved on since the last paint, by the fields the item shows.
static int TimeChanged(const SYSTEMTIME* now) {
    return now->wHour != LastPaintedTime.wHour || now->wMinute != LastPaintedTime.wMinute ||
           (ShowSeconds && now->wSecond != LastPaintedTime.wSecond);
}

static LRESULT OnQueryRefresh(HWND window, TODAYLISTITEM* item) {
    if (!item)
        return 0;
    if (!ShellIsReady())
        return 0;
    SYSTEMTIME now;
    ReadLocalTime(&now);
    int changed = TimeChanged(&now);

    UpdateMetrics(window);
    int height = ScaleRound(RowCount * RowUnitAt96, ScreenDpi(LOGPIXELSY), ReferenceDpi);
    if (height < 1)
        height = 1;
    // The host sizes the row from the first answer only.
    if (item->cyp == 0) {
        item->cyp = (DWORD)height;
        return 1;
    }
    return changed;
}

LRESULT CALLBACK ItemWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window, wParam, lParam);
    case WM_DESTROY: return OnDestroy(window);
    case WM_SIZE: return OnSize(window, wParam, lParam);
    case WM_PAINT: return OnPaint(window);
    case WM_ERASEBKGND: return OnEraseBackground(window, (HDC)wParam);
    case WM_TIMER: return OnTimer(window, wParam, lParam);
    case WM_TODAYCUSTOM_QUERYREFRESHCACHE: return OnQueryRefresh(window, (TODAYLISTITEM*)wParam);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
