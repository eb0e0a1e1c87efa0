#include "platform/platform.h"
#include "platform/screen_resolution.h"
#include "platform/shell_gesture.h"
#include "platform/scaling.h"

// How long the stylus must stay down, in milliseconds: about what a Pocket PC waits before its
// circle of dots closes, and longer for SHRG_LONGDELAY.
enum { HoldTime = 600, LongHoldTime = 1000, PollPeriod = 10 };
// In pixels of a 96-dpi screen: how far the stylus may wander and still be held, and the circle
// of dots drawn around it while it is held.
enum { StillDistanceAt96 = 4, CircleRadiusAt96 = 7, DotSizeAt96 = 3 };
enum { DotCount = 8 };

static const COLORREF DotColor = RGB(208, 0, 0);

struct Hold {
    HWND Client;
    POINT Down;
    int Dpi;
};

static int Scaled(const Hold* hold, int pixels) {
    return ScaleRound(pixels, hold->Dpi, ReferenceDpi);
}

// The box the circle of dots takes.
static RECT CircleBox(const Hold* hold) {
    int reach = Scaled(hold, CircleRadiusAt96) + Scaled(hold, DotSizeAt96);
    RECT box = {hold->Down.x - reach, hold->Down.y - reach, hold->Down.x + reach + 1,
                hold->Down.y + reach + 1};
    return box;
}

// Dot index of the circle, clockwise from the top.
static void DrawDot(const Hold* hold, int index) {
    // The eight compass points, in sixteenths of the radius.
    static const signed char Across[DotCount] = {0, 11, 16, 11, 0, -11, -16, -11};
    static const signed char Down[DotCount] = {-16, -11, 0, 11, 16, 11, 0, -11};
    int radius = Scaled(hold, CircleRadiusAt96);
    int size = Scaled(hold, DotSizeAt96);
    int x = hold->Down.x + Across[index] * radius / 16 - size / 2;
    int y = hold->Down.y + Down[index] * radius / 16 - size / 2;
    RECT dot = {x, y, x + size, y + size};
    HDC dc = GetDC(hold->Client);
    HBRUSH brush = CreateSolidBrush(DotColor);
    FillRect(dc, &dot, brush);
    DeleteObject(brush);
    ReleaseDC(hold->Client, dc);
}

// Whether the point has strayed from where the stylus went down.
static bool Strayed(const Hold* hold, LPARAM position) {
    int reach = Scaled(hold, StillDistanceAt96);
    int dx = (short)LOWORD(position) - hold->Down.x;
    int dy = (short)HIWORD(position) - hold->Down.y;
    return dx > reach || -dx > reach || dy > reach || -dy > reach;
}

// Reads the client's mouse messages that have come in: false once the stylus came up, went down
// again or moved away (that message stays queued for the client), true while it is held still.
static bool StillHeld(const Hold* hold) {
    MSG message;
    while (PeekMessageW(&message, hold->Client, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE)) {
        if (message.message != WM_MOUSEMOVE || Strayed(hold, message.lParam))
            return false;
        PeekMessageW(&message, hold->Client, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE);
    }
    return true;
}

// Waits out the hold, drawing a dot at each eighth of it; returns whether it was held throughout.
static bool WaitForHold(const Hold* hold, DWORD flags) {
    DWORD length = (flags & SHRG_LONGDELAY) ? LongHoldTime : HoldTime;
    bool animated = !(flags & SHRG_NOANIMATION);
    DWORD start = GetTickCount();
    int drawn = 0;
    bool held;
    for (;;) {
        held = StillHeld(hold);
        DWORD elapsed = GetTickCount() - start;
        if (!held || elapsed >= length)
            break;
        for (int due = (int)(elapsed * DotCount / length); animated && drawn < due; ++drawn)
            DrawDot(hold, drawn);
        Sleep(PollPeriod);
    }
    if (drawn > 0) {
        RECT dots = CircleBox(hold);
        InvalidateRect(hold->Client, &dots, TRUE);
    }
    return held;
}

DWORD SHRecognizeGesture(SHRGINFO* info) {
    if (!info || info->cbSize != sizeof(SHRGINFO) || !IsWindow(info->hwndClient))
        return 0;
    Hold hold;
    hold.Client = info->hwndClient;
    hold.Down = info->ptDown;
    hold.Dpi = ScreenResolution(LOGPIXELSX, ReferenceDpi);

    bool captured = GetCapture() != hold.Client;
    if (captured)
        SetCapture(hold.Client);
    bool held = WaitForHold(&hold, info->dwFlags);
    if (captured && GetCapture() == hold.Client)
        ReleaseCapture();
    if (!held)
        return 0;
    if (info->dwFlags & SHRG_RETURNCMD)
        return GN_CONTEXTMENU;

    NMRGINFO notice;
    notice.hdr.hwndFrom = hold.Client;
    notice.hdr.idFrom = (UINT_PTR)GetWindowLongPtrW(hold.Client, GWLP_ID);
    notice.hdr.code = GN_CONTEXTMENU;
    notice.ptAction = hold.Down;
    notice.dwItemSpec = 0;
    HWND to = (info->dwFlags & SHRG_NOTIFYPARENT) ? GetParent(hold.Client) : hold.Client;
    return (DWORD)SendMessageW(to, WM_NOTIFY, notice.hdr.idFrom, (LPARAM)&notice);
}
