#include "platform/platform.h"
#include "host/today_screen.h"
#include "host/console_text.h"
#include "host/today_pictures.h"
#include "host/today_press.h"
#include "platform/scaling.h"

#include <string.h>

#include <string>

TodayScreen Today;

namespace {

enum { PollPeriod = 2000 }; // the Today screen asks its items every two seconds
enum { PollTimerId = 1, ExitTimerId = 2 };
enum { ErrorTextCapacity = 512 };
// The menu's and the keys' commands, and the scripted steps posted to the screen.
enum { CmdSettings = 100, CmdTurn, CmdRemake, CmdExit };
enum { WM_APP_OPEN_SETTINGS = WM_APP + 1, WM_APP_TURN };

const COLORREF ThemeTextColor = RGB(16, 32, 96);
const WCHAR ScreenClassName[] = L"MorvaneTodayScreen";
const WCHAR ScreenTitle[] = L"Today";
const WCHAR ItemName[] = L"Morvane"; // the item's key under the Today screen's Items
const DWORD ScreenStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

int ScreenDpi(int index) {
    HDC screen = GetDC(NULL);
    int dpi = screen ? GetDeviceCaps(screen, index) : ReferenceDpi;
    if (screen)
        ReleaseDC(NULL, screen);
    return dpi;
}

void DestroyWatermark() {
    if (!Today.Watermark)
        return;
    SelectObject(Today.Watermark, Today.WatermarkPrevious);
    DeleteObject(Today.WatermarkBitmap);
    DeleteDC(Today.Watermark);
    Today.Watermark = NULL;
}

// The Today background: a soft sky gradient with two pale discs, drawn once into a bitmap.
void MakeWatermark() {
    DestroyWatermark();
    HDC screen = GetDC(NULL);
    Today.Watermark = CreateCompatibleDC(screen);
    Today.WatermarkBitmap = CreateCompatibleBitmap(screen, Today.Width, Today.Height);
    ReleaseDC(NULL, screen);
    Today.WatermarkPrevious = SelectObject(Today.Watermark, Today.WatermarkBitmap);
    int width = Today.Width, height = Today.Height;
    for (int y = 0; y < height; ++y) {
        int t = height > 1 ? y * 255 / (height - 1) : 0;
        HBRUSH band =
            CreateSolidBrush(RGB(178 + 62 * t / 255, 206 + 40 * t / 255, 238 + 17 * t / 255));
        RECT line = {0, y, width, y + 1};
        FillRect(Today.Watermark, &line, band);
        DeleteObject(band);
    }
    HBRUSH disc = CreateSolidBrush(RGB(226, 238, 250));
    HGDIOBJ previousBrush = SelectObject(Today.Watermark, disc);
    HGDIOBJ previousPen = SelectObject(Today.Watermark, GetStockObject(NULL_PEN));
    Ellipse(Today.Watermark, width * 5 / 8, height / 3, width * 13 / 8, height * 4 / 3);
    Ellipse(Today.Watermark, -width / 2, height * 3 / 4, width / 3, height * 3 / 2);
    SelectObject(Today.Watermark, previousPen);
    SelectObject(Today.Watermark, previousBrush);
    DeleteObject(disc);
}

// The Today screen's size in this orientation: the device screen, upright or turned, less its
// navigation and menu bars.
void MeasureScreen() {
    int across = Today.Landscape ? DeviceScreenHeight : DeviceScreenWidth;
    int down = Today.Landscape ? DeviceScreenWidth : DeviceScreenHeight;
    Today.Width = ScaleRound(across, ScreenDpi(LOGPIXELSX), ReferenceDpi);
    Today.Height = ScaleRound(down - DeviceNavBarHeight - DeviceMenuBarHeight,
                              ScreenDpi(LOGPIXELSY), ReferenceDpi);
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

// The screen's picture waits for every step the run was asked to make: the turn, and the settings
// page with the item made again after it.
void TakeSnapshotWhenDue() {
    if (Today.Args.Snapshot.empty() || Today.SnapshotTaken || Today.Ending ||
        (Today.Args.Turn && !Today.Turned) || (Today.Args.OpenSettings && !Today.SettingsClosed))
        return;
    Today.SnapshotTaken = true;
    EndRun(TakeSnapshot() ? ExitOk : ExitNoSnapshot);
}

// One refresh poll, as the Today screen makes it: size the row from cyp, redraw on request.
void PollItem() {
    if (!Today.Item)
        return;
    LRESULT answer =
        SendMessageW(Today.Item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&Today.ListItem, 0);
    if (Today.ListItem.cyp != Today.RowHeight) {
        Today.RowHeight = Today.ListItem.cyp;
        SetWindowPos(Today.Item, NULL, 0, 0, Today.Width, (int)Today.RowHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!answer)
        return;
    InvalidateRect(Today.Item, NULL, TRUE);
    UpdateWindow(Today.Item);
    if (Today.RowHeight > 0)
        TakeSnapshotWhenDue();
}

// As the Today screen does when it loads its items: a fresh record, whose cyp is 0, for export
// 240, the window placed in its row, and the row sized from the height the item then reports.
// Returns whether the item made a window.
bool MakeItem() {
    TODAYLISTITEM& record = Today.ListItem;
    memset(&record, 0, sizeof record);
    lstrcpynW(record.szName, ItemName, MAX_ITEMNAME);
    record.tlit = tlitCustom;
    record.fEnabled = Today.Args.Disabled ? FALSE : TRUE;
    record.fOptions = Today.OptionsDlgProc != NULL;
    lstrcpynW(record.szDLLPath, Today.Args.Dll.c_str(), MAX_PATH);
    record.hinstDLL = Today.Library;
    Today.RowHeight = 0;
    Today.Item = Today.InitializeItem(&record, Today.Window);
    record.hwndCustom = Today.Item;
    if (!Today.Item) {
        // A disabled item has no row: the screen shows the background alone.
        Say(Today.Args.Disabled ? L"today: the item is disabled and made no window"
                                : L"today: the item's export 240 returned no window",
            Today.Args.Disabled ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
        InvalidateRect(Today.Window, NULL, FALSE);
        TakeSnapshotWhenDue();
        return false;
    }
    SetWindowPos(Today.Item, NULL, 0, 0, Today.Width, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    PollItem();
    return true;
}

// The Today screen reloads its items after their settings change, and on F5 here.
void RemakeItem() {
    if (Today.Item)
        DestroyWindow(Today.Item);
    Today.Item = NULL;
    MakeItem();
}

// Turns the screen; the item learns its new width from its ordinary size message.
void TurnScreen() {
    Today.Landscape = !Today.Landscape;
    MeasureScreen();
    MakeWatermark();
    FitWindowToScreen();
    if (Today.Item)
        SetWindowPos(Today.Item, NULL, 0, 0, Today.Width, (int)Today.RowHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(Today.Window, NULL, FALSE);
    Today.Turned = true;
    Say(std::wstring(L"today: the screen turned to ") +
            (Today.Landscape ? L"landscape" : L"portrait") + L", " + std::to_wstring(Today.Width) +
            L"x" + std::to_wstring(Today.Height),
        STD_OUTPUT_HANDLE);
    TakeSnapshotWhenDue();
}

void OpenSettings() {
    if (!Today.OptionsDlgProc) {
        const WCHAR text[] = L"This item has no settings page: its library has no export 241.";
        Say(std::wstring(L"today: ") + text);
        MessageBoxW(Today.Window, text, ScreenTitle, MB_OK | MB_ICONINFORMATION);
    } else {
        INT_PTR result = DialogBoxParamW(Today.Library, MAKEINTRESOURCEW(CustomItemOptionsTemplate),
                                         Today.Window, Today.OptionsDlgProc, 0);
        if (result == -1)
            Say(L"today: the settings page (template 500) could not be run: " +
                SystemMessage(GetLastError()));
        else
            Say(L"today: settings page closed with result " + std::to_wstring((long long)result));
    }
    if (Today.Ending)
        return;
    Today.SettingsClosed = true;
    RemakeItem();
}

// The run ran out of time: say which picture was never taken.
void OnExitTimer() {
    int status = Today.ExitStatus;
    if (!Today.Args.Snapshot.empty() && !Today.SnapshotTaken) {
        Say(L"today: no snapshot: the item did not draw after the steps asked for before "
            L"--exit-after ran out");
        status = ExitNoSnapshot;
    }
    if (DialogStepsUnfinished())
        status = ExitNoSnapshot;
    EndRun(status);
}

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, Today.Watermark, r.left, r.top,
           SRCCOPY);
    EndPaint(window, &paint);
    return 0;
}

LRESULT OnDrawWatermark(HWND window, const TODAYDRAWWATERMARKINFO* info) {
    if (!info || !info->hdc)
        return 0;
    // The rectangle is in the item's coordinates; the background is in the screen's.
    POINT origin = {info->rc.left, info->rc.top};
    if (info->hwnd)
        MapWindowPoints(info->hwnd, window, &origin, 1);
    BitBlt(info->hdc, info->rc.left, info->rc.top, info->rc.right - info->rc.left,
           info->rc.bottom - info->rc.top, Today.Watermark, origin.x, origin.y, SRCCOPY);
    return 1;
}

LRESULT OnTimer(WPARAM id) {
    switch (id) {
    case PollTimerId: PollItem(); break;
    case ExitTimerId: OnExitTimer(); break;
    case DriveTimerId: DriveDialogs(); break;
    }
    return 0;
}

LRESULT OnCommand(HWND window, WORD id) {
    switch (id) {
    case CmdSettings: OpenSettings(); break;
    case CmdTurn: TurnScreen(); break;
    case CmdRemake: RemakeItem(); break;
    case CmdExit: DestroyWindow(window); break;
    }
    return 0;
}

LRESULT CALLBACK ScreenWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: return OnPaint(window);
    case WM_ERASEBKGND: return 1;
    case TODAYM_GETCOLOR: return wParam == TODAYCOLOR_TEXT ? ThemeTextColor : 0;
    case TODAYM_DRAWWATERMARK:
        return OnDrawWatermark(window, (const TODAYDRAWWATERMARKINFO*)lParam);
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
    AppendMenuW(item, MF_STRING, CmdRemake, L"&Make the item again\tF5");
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
        {FVIRTKEY, VK_F5, CmdRemake},
        {FVIRTKEY, VK_ESCAPE, CmdExit},
    };
    return CreateAcceleratorTableW(keys, (int)(sizeof keys / sizeof keys[0]));
}

} // namespace

std::wstring SystemMessage(DWORD error) {
    WCHAR text[ErrorTextCapacity] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text,
                   ErrorTextCapacity, NULL);
    std::wstring message = text;
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty())
        message = L"system error";
    return message + L" (error " + std::to_wstring(error) + L")";
}

int LoadItemLibrary() {
    const std::wstring& path = Today.Args.Dll;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Say(L"today: item library not found: " + path);
        return ExitNoLibrary;
    }
    Today.Library = LoadLibraryW(path.c_str());
    if (!Today.Library) {
        Say(L"today: cannot load the item library " + path + L": " + SystemMessage(GetLastError()));
        return ExitNoLibrary;
    }
    Today.InitializeItem = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
        Today.Library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
    Today.OptionsDlgProc = (DLGPROC)(void*)GetProcAddress(
        Today.Library, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));
    if (!Today.InitializeItem) {
        Say(L"today: " + path +
            L" is not a Today item: it has no export 240 (InitializeCustomItem)");
        return ExitNoLibrary;
    }
    return ExitOk;
}

bool CreateScreen() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ScreenWndProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = ScreenClassName;
    if (!RegisterClassW(&windowClass))
        return false;
    Today.Landscape = Today.Args.Landscape;
    MeasureScreen();
    MakeWatermark();
    if (!Today.Watermark)
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
    if (!MakeItem() && !Today.Args.Disabled)
        return ExitNoWindow;
    SetTimer(Today.Window, PollTimerId, PollPeriod, NULL);
    if (Today.Args.ExitAfter > 0)
        SetTimer(Today.Window, ExitTimerId, (UINT)Today.Args.ExitAfter * 1000u, NULL);
    // The scripted steps, in this order: the turn, then the settings page.
    if (Today.Args.Turn)
        PostMessageW(Today.Window, WM_APP_TURN, 0, 0);
    if (Today.Args.OpenSettings)
        PostMessageW(Today.Window, WM_APP_OPEN_SETTINGS, 0, 0);
    StartDialogSteps();

    HACCEL keys = MakeAccelerators();
    MSG message;
    int result;
    while ((result = GetMessageW(&message, NULL, 0, 0)) > 0) {
        if (TranslateAcceleratorW(Today.Window, keys, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyAcceleratorTable(keys);
    return Today.ExitStatus;
}

void EndRun(int status) {
    if (Today.Ending)
        return;
    Today.Ending = true;
    Today.ExitStatus = status;
    KillTimer(Today.Window, PollTimerId);
    KillTimer(Today.Window, ExitTimerId);
    KillTimer(Today.Window, DriveTimerId);
    // Nested dialogs' loops give the quit message back, so every level ends.
    PostQuitMessage(status);
}

void DestroyScreen() {
    if (Today.Window && IsWindow(Today.Window))
        DestroyWindow(Today.Window);
    if (Today.Library)
        FreeLibrary(Today.Library);
    DestroyWatermark();
}
