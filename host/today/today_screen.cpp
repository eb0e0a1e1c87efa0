#include "platform/platform.h"
#include "host/today/today_screen.h"
#include "host/today/today_rows.h"
#include "host/today/today_run.h"
#include "host/today/today_selection.h"
#include "host/today/today_steps.h"
#include "host/common/window_class.h"
#include "platform/scaling.h"
#include "platform/today_host.h"

#include <string>

namespace {

// The menu's and the keys' commands.
enum { CmdSettings = 100, CmdTurn, CmdReload, CmdExit };

const WCHAR ScreenClassName[] = L"MorvaneTodayScreen";
const WCHAR ScreenTitle[] = L"Today";
const DWORD ScreenStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The background, drawn once for each orientation.
HDC Watermark;
HBITMAP WatermarkBitmap;
HGDIOBJ WatermarkPrevious;

void DestroyWatermark() {
    if (!Watermark)
        return;
    SelectObject(Watermark, WatermarkPrevious);
    DeleteObject(WatermarkBitmap);
    DeleteDC(Watermark);
    Watermark = NULL;
}

// The Today background: a soft sky gradient with two pale discs, drawn once into a bitmap.
void MakeWatermark() {
    DestroyWatermark();
    HDC screen = GetDC(NULL);
    Watermark = CreateCompatibleDC(screen);
    WatermarkBitmap = CreateCompatibleBitmap(screen, Today.Width, Today.Height);
    ReleaseDC(NULL, screen);
    WatermarkPrevious = SelectObject(Watermark, WatermarkBitmap);
    int width = Today.Width, height = Today.Height;
    for (int y = 0; y < height; ++y) {
        int t = height > 1 ? y * 255 / (height - 1) : 0;
        HBRUSH band =
            CreateSolidBrush(RGB(178 + 62 * t / 255, 206 + 40 * t / 255, 238 + 17 * t / 255));
        RECT line = {0, y, width, y + 1};
        FillRect(Watermark, &line, band);
        DeleteObject(band);
    }
    HBRUSH disc = CreateSolidBrush(RGB(226, 238, 250));
    HGDIOBJ previousBrush = SelectObject(Watermark, disc);
    HGDIOBJ previousPen = SelectObject(Watermark, GetStockObject(NULL_PEN));
    Ellipse(Watermark, width * 5 / 8, height / 3, width * 13 / 8, height * 4 / 3);
    Ellipse(Watermark, -width / 2, height * 3 / 4, width / 3, height * 3 / 2);
    SelectObject(Watermark, previousPen);
    SelectObject(Watermark, previousBrush);
    DeleteObject(disc);
}

// The Today screen's size in this orientation: the device screen, upright or turned, less its
// navigation and menu bars.
void MeasureScreen() {
    int across = Today.Landscape ? DeviceScreenHeight : DeviceScreenWidth;
    int down = Today.Landscape ? DeviceScreenWidth : DeviceScreenHeight;
    Today.Width = ScaledToScreen(across, LOGPIXELSX);
    Today.Height = ScaledToScreen(down - DeviceNavBarHeight - DeviceMenuBarHeight, LOGPIXELSY);
}

// Makes the window's client area exactly the screen's size; a menu that wraps takes some height.
void FitWindowToScreen() {
    RECT frame = {0, 0, Today.Width, Today.Height};
    AdjustWindowRectEx(&frame, ScreenStyle, TRUE, 0);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(Today.Window, NULL, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(Today.Window, &client);
    if (client.bottom != Today.Height || client.right != Today.Width)
        SetWindowPos(Today.Window, NULL, 0, 0, width + Today.Width - client.right,
                     height + Today.Height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The Today screen loads its items again after their settings change and when a program asks
// (WM_WININICHANGE 0xF2), and on F5 here: each item told and its window destroyed, the
// registration read again (an installer may have added, removed or unchecked an item), each item
// made again with a fresh record, the rows laid out from the heights they report.
void ReloadItems(const WCHAR* why) {
    Report(std::wstring(L"loading the items again (") + why + L")");
    std::wstring lit = Highlighted >= 0 ? Rows[Highlighted].Entry.Name : L"";
    ClearItems();
    ReloadRows();
    MakeItems();
    Highlighted = lit.empty() ? -1 : RowNamed(lit);
    KeepHighlight();
}

// Turns the screen; each item learns its new width from its ordinary size message.
void TurnScreen() {
    Today.Landscape = !Today.Landscape;
    MeasureScreen();
    MakeWatermark();
    FitWindowToScreen();
    LayOutRows();
    Today.Turned = true;
    Report(std::wstring(L"the screen turned to ") + (Today.Landscape ? L"landscape" : L"portrait") +
           L", " + std::to_wstring(Today.Width) + L"x" + std::to_wstring(Today.Height));
}

// The settings page of the highlighted item when it has one, else of the item under test, run as
// the Today settings run it: template 500 with export 241.
void OpenSettings() {
    int index = Highlighted;
    if (index < 0 || !Rows[index].OptionsDlgProc)
        index = RowNamed(Today.Args.Item);
    if (index < 0 || !Rows[index].OptionsDlgProc) {
        const std::wstring text = L"This item has no settings page: its library has no export 241.";
        Complain(text);
        MessageBoxW(Today.Window, text.c_str(), ScreenTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    TodayRow& row = Rows[index];
    Today.SettingsOpen = true;
    INT_PTR result = DialogBoxParamW(row.Library, MAKEINTRESOURCEW(CustomItemOptionsTemplate),
                                     Today.Window, row.OptionsDlgProc, 0);
    Today.SettingsOpen = false;
    if (result == -1)
        Complain(L"the settings page (template 500) could not be run: " +
                 SystemMessage(GetLastError()));
    else
        Report(L"settings page closed with result " + std::to_wstring((long long)result));
    if (!Today.Ending)
        ReloadItems(L"the settings page closed");
}

// The run ran out of time: say which picture was never taken.
void OnExitTimer() {
    EndRun(StepsUnfinished() ? ExitNoSnapshot : Today.ExitStatus);
}

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, Watermark, r.left, r.top,
           SRCCOPY);
    DrawBuiltInRows(dc, Highlighted);
    EndPaint(window, &paint);
    return 0;
}

// The background behind an item, or the highlight for an item whose row the screen highlights.
LRESULT OnDrawWatermark(HWND window, const TODAYDRAWWATERMARKINFO* info) {
    if (!info || !info->hdc)
        return 0;
    if (ScreenHighlights(info->hwnd)) {
        HBRUSH brush = CreateSolidBrush(ThemeHighlight);
        FillRect(info->hdc, &info->rc, brush);
        DeleteObject(brush);
        return 1;
    }
    // The rectangle is in the item's coordinates; the background is in the screen's.
    POINT origin = {info->rc.left, info->rc.top};
    if (info->hwnd)
        MapWindowPoints(info->hwnd, window, &origin, 1);
    BitBlt(info->hdc, info->rc.left, info->rc.top, info->rc.right - info->rc.left,
           info->rc.bottom - info->rc.top, Watermark, origin.x, origin.y, SRCCOPY);
    return 1;
}

LRESULT OnGetColor(WPARAM index) {
    switch (index) {
    case TODAYCOLOR_TEXT: return ThemeTextColor;
    case TODAYCOLOR_HIGHLIGHT: return ThemeHighlight;
    case TODAYCOLOR_HIGHLIGHTEDTEXT: return ThemeHighlightedText;
    default: return 0;
    }
}

LRESULT OnKeyDown(HWND window, WPARAM key, LPARAM lParam) {
    switch (key) {
    case VK_UP:
    case VK_DOWN: MoveHighlight((int)key); return 0;
    case VK_LEFT:
    case VK_RIGHT: NavigateInRow((int)key); return 0;
    case VK_RETURN: DoAction(); return 0;
    default: return DefWindowProcW(window, WM_KEYDOWN, key, lParam);
    }
}

LRESULT OnSettingChange(WPARAM flag) {
    if (flag == TodayReloadItemsFlag)
        ReloadItems(L"a program asked, WM_WININICHANGE 0xF2");
    return 0;
}

LRESULT OnTimer(WPARAM id) {
    switch (id) {
    case PollTimerId: PollItems(); break;
    case ExitTimerId: OnExitTimer(); break;
    case StepTimerId: DriveSteps(); break;
    }
    return 0;
}

LRESULT OnCommand(HWND window, WORD id) {
    switch (id) {
    case CmdSettings: OpenSettings(); break;
    case CmdTurn: TurnScreen(); break;
    case CmdReload: ReloadItems(L"F5"); break;
    case CmdExit: DestroyWindow(window); break;
    }
    return 0;
}

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: return OnPaint(window);
    case WM_ERASEBKGND: return 1;
    case TODAYM_GETCOLOR: return OnGetColor(wParam);
    case TODAYM_DRAWWATERMARK:
        return OnDrawWatermark(window, (const TODAYDRAWWATERMARKINFO*)lParam);
    case TODAYM_TOOKSELECTION: TakeHighlight((HWND)wParam); return 0;
    case WM_LBUTTONDOWN: TapScreenRow((short)HIWORD(lParam)); return 0;
    case WM_KEYDOWN: return OnKeyDown(window, wParam, lParam);
    case WM_WININICHANGE: return OnSettingChange(wParam);
    case WM_TIMER: return OnTimer(wParam);
    case WM_COMMAND: return OnCommand(window, LOWORD(wParam));
    case WM_APP_OPEN_SETTINGS: OpenSettings(); return 0;
    case WM_APP_TURN: TurnScreen(); return 0;
    case WM_DESTROY: EndRun(Today.ExitStatus); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

HMENU MakeMenu() {
    HMENU item = CreatePopupMenu();
    AppendMenuW(item, MF_STRING, CmdSettings, L"&Settings page...\tF2");
    AppendMenuW(item, MF_STRING, CmdTurn, L"&Turn the screen\tF4");
    AppendMenuW(item, MF_STRING, CmdReload, L"&Load the items again\tF5");
    AppendMenuW(item, MF_SEPARATOR, 0, NULL);
    AppendMenuW(item, MF_STRING, CmdExit, L"E&xit\tEsc");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, (UINT_PTR)item, L"&Item");
    return bar;
}

HACCEL MakeAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY, VK_F2, CmdSettings},
        {FVIRTKEY, VK_F4, CmdTurn},
        {FVIRTKEY, VK_F5, CmdReload},
        {FVIRTKEY, VK_ESCAPE, CmdExit},
    };
    return CreateAcceleratorTableW(keys, (int)(sizeof keys / sizeof keys[0]));
}

} // namespace

bool CreateScreen() {
    if (!RegisterProgramClass(ScreenClassName, ScreenWndProc))
        return false;
    Today.Landscape = Today.Args.Landscape;
    MeasureScreen();
    MakeWatermark();
    if (!Watermark)
        return false;
    HMENU menu = MakeMenu();
    Today.Window =
        CreateWindowExW(0, ScreenClassName, ScreenTitle, ScreenStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        Today.Width, Today.Height, NULL, menu, GetModuleHandleW(NULL), NULL);
    if (!Today.Window) {
        DestroyMenu(menu);
        return false;
    }
    FitWindowToScreen();
    return true;
}

int RunScreen() {
    ShowWindow(Today.Window, SW_SHOWNORMAL);
    UpdateWindow(Today.Window);
    // Items wait for the shell's readiness before they answer the refresh poll.
    SetEvent(Today.Ready);
    LoadRows();
    MakeItems();
    SetTimer(Today.Window, PollTimerId, PollPeriod, NULL);
    if (Today.Args.ExitAfter > 0)
        SetTimer(Today.Window, ExitTimerId, (UINT)Today.Args.ExitAfter * 1000u, NULL);
    StartSteps();

    HACCEL keys = MakeAccelerators();
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        if (TranslateAcceleratorW(Today.Window, keys, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyAcceleratorTable(keys);
    return Today.ExitStatus;
}

void DestroyScreen() {
    if (Today.Window && IsWindow(Today.Window))
        DestroyWindow(Today.Window);
    UnloadRows();
    DestroyWatermark();
}
