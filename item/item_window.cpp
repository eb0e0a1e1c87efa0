#include "platform/platform.h"
#include "item/item_window.h"
#include "item/clock_applet.h"
#include "item/item_metrics.h"
#include "item/item_menu.h"
#include "item/item_paint.h"
#include "item/item_selection.h"
#include "item/item_tap.h"
#include "item/local_time.h"
#include "item/shell_ready.h"
#include "platform/today_host.h"
#include "settings/clock_settings.h"

// Every rectangle below is used only when the call that measured it succeeded: a failed one
// leaves it as it was, which is whatever the stack held.
static void InvalidateClient(HWND window) {
    RECT client;
    if (GetClientRect(window, &client))
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
    SelectItem(window, false);
    ForgetTap(window);
    return 0;
}

static LRESULT OnSize(HWND window, WPARAM wParam, LPARAM lParam) {
    // The window's rectangle, brought into the window's own coordinates: all of it is redrawn.
    RECT bounds;
    if (GetWindowRect(window, &bounds)) {
        MapWindowPoints(NULL, window, (POINT*)&bounds, 2);
        InvalidateRect(window, &bounds, TRUE);
    }
    return DefWindowProcW(window, WM_SIZE, wParam, lParam);
}

// Without a context nothing can be drawn, and an update region left in place would bring the same
// paint request back at once, over and over: it is validated instead, and the next change of the
// clock paints again. Nothing is drawn at a size the window did not report.
static LRESULT OnPaint(HWND window) {
    // Changed settings are measured at the first paint after them: the refresh query measures only
    // for its first answer.
    UpdateMetrics(window);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (!dc) {
        ValidateRect(window, NULL);
        return 0;
    }
    RECT client;
    if (GetClientRect(window, &client))
        PaintItem(window, dc, client);
    EndPaint(window, &paint);
    return 0;
}

// The highlight when the item holds it, else the Today background drawn by the host.
static LRESULT OnEraseBackground(HWND window, HDC dc) {
    COLORREF highlight, text;
    RECT client;
    if (!GetClientRect(window, &client))
        return 1;
    if (ItemHighlight(window, &highlight, &text)) {
        HBRUSH brush = CreateSolidBrush(highlight);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        return 1;
    }
    TODAYDRAWWATERMARKINFO watermark;
    watermark.hdc = dc;
    watermark.rc = client;
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

    // The host sizes the row from the first answer only, so the height is worked out then alone:
    // the query comes every two seconds and mostly finds nothing changed.
    if (item->cyp == 0) {
        int height = RowHeight(window);
        item->cyp = (DWORD)height;
        ReportedRowHeight = height;
        return 1;
    }
    return changed;
}

static LRESULT OnReceivedSelection(HWND window) {
    SelectItem(window, true);
    return TRUE;
}

static LRESULT OnLostSelection(HWND window) {
    SelectItem(window, false);
    return 0;
}

static POINT PointOf(LPARAM lParam) {
    POINT at;
    at.x = (short)LOWORD(lParam);
    at.y = (short)HIWORD(lParam);
    return at;
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
    case WM_TODAYCUSTOM_RECEIVEDSELECTION: return OnReceivedSelection(window);
    case WM_TODAYCUSTOM_LOSTSELECTION: return OnLostSelection(window);
    // The item has no parts of its own to move the highlight between: the Today screen moves on.
    case WM_TODAYCUSTOM_USERNAVIGATION: return FALSE;
    case WM_TODAYCUSTOM_ACTION: OpenClockAndAlarms(); return 0;
    case WM_LBUTTONDOWN: ItemButtonDown(window, PointOf(lParam)); return 0;
    case WM_LBUTTONUP: ItemButtonUp(window, PointOf(lParam)); return 0;
    // The last thing done for this window: the Today screen destroys it in answer.
    case WM_ITEM_RELOADTODAY: RequestTodayReload(); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
