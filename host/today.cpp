// today.exe: a stand-in for the Pocket PC Today screen. It loads an item library by ordinal,
// creates the item through export 240, sizes its row from the height the item reports, polls it
// every two seconds, answers its colour and watermark requests, and opens its settings page
// (template 500 run with export 241). For pictures and demonstrations it can click its way through
// the settings page's dialogs and picture the one on top.
#include "platform/platform.h"
#include "host/console_text.h"
#include "host/png_writer.h"
#include "host/today_args.h"
#include "platform/today_host.h"

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

enum {
    ReferenceDpi = 96,
    ScreenWidthAt96 = 240,
    ScreenHeightAt96 = 268, // a 240x320 screen between the navigation bar and the menu bar
    PollPeriod = 2000,
    PollTimerId = 1,
    ExitTimerId = 2,
    DriveTimerId = 3,
    DrivePeriod = 200,
    CaptionCapacity = 128,
    ClassNameCapacity = 16,
    SettingsTemplateId = 500,
    CmdSettings = 100,
    CmdRefresh = 101,
    CmdExit = 102,
    WM_APP_OPEN_SETTINGS = WM_APP + 1,
};

enum ExitCode {
    ExitOk = 0,
    ExitBadArguments = 2,
    ExitNoLibrary = 3,
    ExitNoWindow = 4,
    ExitNoSnapshot = 5,
    ExitNoControl = 6,
};

const COLORREF ThemeTextColor = RGB(16, 32, 96);
const WCHAR HostClassName[] = L"MorvaneTodayScreen";
const WCHAR ItemName[] = L"Morvane"; // the item's key under the Today screen's Items
const WCHAR HostTitle[] = L"Today";
const WCHAR DialogClassName[] = L"#32770";

struct HostState {
    TodayArgs Args;
    HWND Screen;
    HMODULE Library;
    HWND Item;
    TODAYLISTITEM ListItem;
    DWORD RowHeight;
    HDC Watermark;
    HBITMAP WatermarkBitmap;
    HGDIOBJ WatermarkPrevious;
    int Width, Height;
    HANDLE Ready;
    int ExitStatus;
    bool SnapshotTaken;
    size_t PressesMade;
    HWND PressedIn; // the dialog of the last press, until another dialog comes up
    bool DialogSnapshotTaken;
} Host;

std::wstring SystemMessage(DWORD error) {
    WCHAR text[512] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0, text,
                   512, NULL);
    std::wstring message = text;
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty())
        message = L"system error";
    return message + L" (error " + std::to_wstring(error) + L")";
}

int Scale(int length, int dpi) {
    return MulDiv(length, dpi, ReferenceDpi);
}

// The Today background: a soft sky gradient with two pale discs, drawn once into a bitmap.
void MakeWatermark(HDC screen) {
    Host.Watermark = CreateCompatibleDC(screen);
    Host.WatermarkBitmap = CreateCompatibleBitmap(screen, Host.Width, Host.Height);
    Host.WatermarkPrevious = SelectObject(Host.Watermark, Host.WatermarkBitmap);
    for (int y = 0; y < Host.Height; ++y) {
        int t = Host.Height > 1 ? y * 255 / (Host.Height - 1) : 0;
        HBRUSH band =
            CreateSolidBrush(RGB(178 + 62 * t / 255, 206 + 40 * t / 255, 238 + 17 * t / 255));
        RECT line = {0, y, Host.Width, y + 1};
        FillRect(Host.Watermark, &line, band);
        DeleteObject(band);
    }
    HBRUSH disc = CreateSolidBrush(RGB(226, 238, 250));
    HGDIOBJ previousBrush = SelectObject(Host.Watermark, disc);
    HGDIOBJ previousPen = SelectObject(Host.Watermark, GetStockObject(NULL_PEN));
    Ellipse(Host.Watermark, Host.Width * 5 / 8, Host.Height / 3, Host.Width * 13 / 8,
            Host.Height * 4 / 3);
    Ellipse(Host.Watermark, -Host.Width / 2, Host.Height * 3 / 4, Host.Width / 3,
            Host.Height * 3 / 2);
    SelectObject(Host.Watermark, previousPen);
    SelectObject(Host.Watermark, previousBrush);
    DeleteObject(disc);
}

void DestroyWatermark() {
    if (!Host.Watermark)
        return;
    SelectObject(Host.Watermark, Host.WatermarkPrevious);
    DeleteObject(Host.WatermarkBitmap);
    DeleteDC(Host.Watermark);
    Host.Watermark = NULL;
}

// Copies width x height pixels from the source context into a PNG file.
bool WritePicture(HDC source, int width, int height, const std::wstring& path) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP picture = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool written = false;
    if (picture && bits) {
        HGDIOBJ previous = SelectObject(memory, picture);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        GdiFlush();
        int stride = (width * 3 + 3) & ~3;
        written = WritePng(path.c_str(), width, height, (const BYTE*)bits, stride) != 0;
        SelectObject(memory, previous);
        DeleteObject(picture);
    }
    DeleteDC(memory);
    if (!written)
        Say(L"today: cannot write the snapshot " + path + L": " + SystemMessage(GetLastError()));
    return written;
}

bool TakeSnapshot() {
    RedrawWindow(Host.Screen, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDC(Host.Screen);
    bool written = WritePicture(screen, Host.Width, Host.Height, Host.Args.Snapshot);
    ReleaseDC(Host.Screen, screen);
    if (written)
        Say(L"today: wrote " + Host.Args.Snapshot + L" (the item's row: " +
                std::to_wstring(Host.RowHeight) + L" pixels high)",
            STD_OUTPUT_HANDLE);
    return written;
}

// The whole dialog window, frame and caption included, as it is on the screen now.
bool TakeDialogSnapshot(HWND dialog) {
    RedrawWindow(dialog, NULL, NULL,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame;
    GetWindowRect(dialog, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0) {
        Say(L"today: cannot picture the dialog on top: it has no size");
        return false;
    }
    HDC window = GetWindowDC(dialog);
    bool written = WritePicture(window, width, height, Host.Args.DialogSnapshot);
    ReleaseDC(dialog, window);
    if (written) {
        WCHAR caption[CaptionCapacity] = L"";
        GetWindowTextW(dialog, caption, CaptionCapacity);
        Say(L"today: wrote " + Host.Args.DialogSnapshot + L" (dialog \"" + caption + L"\", " +
                std::to_wstring(width) + L"x" + std::to_wstring(height) + L")",
            STD_OUTPUT_HANDLE);
    }
    return written;
}

BOOL CALLBACK FindTopDialog(HWND window, LPARAM found) {
    WCHAR name[ClassNameCapacity];
    if (!IsWindowVisible(window) || !IsWindowEnabled(window) ||
        !GetClassNameW(window, name, ClassNameCapacity) || lstrcmpW(name, DialogClassName) != 0)
        return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

// The dialog a person could use now: a modal dialog disables its owner, so among this thread's
// visible dialogs only the newest is enabled.
HWND TopDialog() {
    HWND found = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindTopDialog, (LPARAM)&found);
    return found;
}

// Ends the run from inside any number of nested dialogs: their loops give the quit message back.
void EndRun(int status) {
    Host.ExitStatus = status;
    KillTimer(Host.Screen, DriveTimerId);
    PostQuitMessage(status);
}

// One step through the settings page: each --press clicks a control of the dialog on top once the
// previous press has brought another dialog up; after the last, --snapshot-dialog pictures it.
void DriveDialogs() {
    HWND top = TopDialog();
    if (!top || top == Host.PressedIn)
        return;
    if (Host.PressesMade < Host.Args.Presses.size()) {
        int id = Host.Args.Presses[Host.PressesMade];
        HWND control = GetDlgItem(top, id);
        if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control)) {
            Say(L"today: press " + std::to_wstring(Host.PressesMade + 1) + L": the dialog on top " +
                (control ? L"has control " + std::to_wstring(id) + L" disabled or hidden"
                         : L"has no control " + std::to_wstring(id)));
            EndRun(ExitNoControl);
            return;
        }
        Host.PressedIn = top;
        ++Host.PressesMade;
        // Posted as a click is, so the dialog it opens runs its loop outside this handler.
        PostMessageW(control, BM_CLICK, 0, 0);
        return;
    }
    KillTimer(Host.Screen, DriveTimerId);
    if (!Host.Args.DialogSnapshot.empty()) {
        // The dialog just opened is the one in use: picture it with an active caption even if
        // the display's input focus has wandered meanwhile.
        if (GetActiveWindow() != top)
            SetActiveWindow(top);
        Host.DialogSnapshotTaken = true;
        EndRun(TakeDialogSnapshot(top) ? ExitOk : ExitNoSnapshot);
    }
}

// One refresh poll, as the Today screen makes it: size the row from cyp, redraw on request.
void PollItem() {
    if (!Host.Item)
        return;
    LRESULT answer =
        SendMessageW(Host.Item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&Host.ListItem, 0);
    if (Host.ListItem.cyp != Host.RowHeight) {
        Host.RowHeight = Host.ListItem.cyp;
        SetWindowPos(Host.Item, NULL, 0, 0, Host.Width, (int)Host.RowHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (answer) {
        InvalidateRect(Host.Item, NULL, TRUE);
        UpdateWindow(Host.Item);
    }
    if (answer && !Host.Args.Snapshot.empty() && !Host.SnapshotTaken && Host.RowHeight > 0) {
        Host.SnapshotTaken = true;
        Host.ExitStatus = TakeSnapshot() ? ExitOk : ExitNoSnapshot;
        DestroyWindow(Host.Screen);
    }
}

void OpenSettings() {
    FARPROC options =
        GetProcAddress(Host.Library, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));
    if (!options) {
        const WCHAR text[] = L"This item has no settings page: its library has no export 241.";
        Say(std::wstring(L"today: ") + text);
        MessageBoxW(Host.Screen, text, HostTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    INT_PTR result = DialogBoxParamW(Host.Library, MAKEINTRESOURCEW(SettingsTemplateId),
                                     Host.Screen, (DLGPROC)(void*)options, 0);
    if (result == -1) {
        Say(L"today: the settings page (template 500) could not be run: " +
            SystemMessage(GetLastError()));
        return;
    }
    Say(L"today: settings page closed with result " + std::to_wstring((long long)result));
    // The Today screen lays its items out again after their settings page.
    PollItem();
    if (Host.Item)
        InvalidateRect(Host.Item, NULL, TRUE);
}

LRESULT OnPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const RECT& r = paint.rcPaint;
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, Host.Watermark, r.left, r.top,
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
           info->rc.bottom - info->rc.top, Host.Watermark, origin.x, origin.y, SRCCOPY);
    return 1;
}

LRESULT OnTimer(HWND window, WPARAM id) {
    switch (id) {
    case PollTimerId: PollItem(); break;
    case DriveTimerId: DriveDialogs(); break;
    case ExitTimerId:
        if (!Host.Args.Snapshot.empty() && !Host.SnapshotTaken) {
            Say(L"today: no snapshot: the item did not paint before --exit-after ran out");
            Host.ExitStatus = ExitNoSnapshot;
        }
        if (!Host.Args.DialogSnapshot.empty() && !Host.DialogSnapshotTaken) {
            Say(L"today: no dialog snapshot: " + std::to_wstring(Host.PressesMade) + L" of " +
                std::to_wstring(Host.Args.Presses.size()) +
                L" presses made, and no new dialog came up before --exit-after ran out");
            Host.ExitStatus = ExitNoSnapshot;
        }
        KillTimer(window, ExitTimerId);
        // Ends any settings page or message box too: their loops give the quit message back.
        PostQuitMessage(Host.ExitStatus);
        break;
    }
    return 0;
}

LRESULT OnCommand(HWND window, WORD id) {
    switch (id) {
    case CmdSettings: OpenSettings(); break;
    case CmdRefresh: PollItem(); break;
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
    case WM_TIMER: return OnTimer(window, wParam);
    case WM_COMMAND: return OnCommand(window, LOWORD(wParam));
    case WM_APP_OPEN_SETTINGS: OpenSettings(); return 0;
    case WM_DESTROY: PostQuitMessage(Host.ExitStatus); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

HMENU MakeMenu() {
    HMENU item = CreatePopupMenu();
    AppendMenuW(item, MF_STRING, CmdSettings, L"&Settings page...\tF2");
    AppendMenuW(item, MF_STRING, CmdRefresh, L"&Refresh now\tF5");
    AppendMenuW(item, MF_SEPARATOR, 0, NULL);
    AppendMenuW(item, MF_STRING, CmdExit, L"E&xit\tEsc");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, (UINT_PTR)item, L"&Item");
    return bar;
}

HACCEL MakeAccelerators() {
    ACCEL keys[] = {
        {FVIRTKEY, VK_F2, CmdSettings},
        {FVIRTKEY, VK_F5, CmdRefresh},
        {FVIRTKEY, VK_ESCAPE, CmdExit},
    };
    return CreateAcceleratorTableW(keys, (int)(sizeof keys / sizeof keys[0]));
}

bool CreateScreen() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ScreenWndProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = HostClassName;
    if (!RegisterClassW(&windowClass))
        return false;

    HDC screen = GetDC(NULL);
    int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : ReferenceDpi;
    int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : ReferenceDpi;
    Host.Width = Scale(ScreenWidthAt96, dpiX);
    Host.Height = Scale(ScreenHeightAt96, dpiY);
    if (screen) {
        MakeWatermark(screen);
        ReleaseDC(NULL, screen);
    }
    if (!Host.Watermark)
        return false;

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    HMENU menu = MakeMenu();
    RECT frame = {0, 0, Host.Width, Host.Height};
    AdjustWindowRectEx(&frame, style, TRUE, 0);
    Host.Screen = CreateWindowExW(0, HostClassName, HostTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  frame.right - frame.left, frame.bottom - frame.top, NULL, menu,
                                  GetModuleHandleW(NULL), NULL);
    if (!Host.Screen) {
        DestroyMenu(menu);
        return false;
    }
    // A menu that wraps can take client height; make the client exactly the screen's size.
    RECT client;
    GetClientRect(Host.Screen, &client);
    if (client.bottom != Host.Height || client.right != Host.Width) {
        SetWindowPos(Host.Screen, NULL, 0, 0, frame.right - frame.left + Host.Width - client.right,
                     frame.bottom - frame.top + Host.Height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

std::wstring DefaultLibraryPath() {
    WCHAR path[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder(path, length);
    size_t slash = folder.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
    return folder + L"morvane.dll";
}

int LoadItemLibrary() {
    const std::wstring& path = Host.Args.Dll;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Say(L"today: item library not found: " + path);
        return ExitNoLibrary;
    }
    Host.Library = LoadLibraryW(path.c_str());
    if (!Host.Library) {
        Say(L"today: cannot load the item library " + path + L": " + SystemMessage(GetLastError()));
        return ExitNoLibrary;
    }
    if (!GetProcAddress(Host.Library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal))) {
        Say(L"today: " + path +
            L" is not a Today item: it has no export 240 (InitializeCustomItem)");
        return ExitNoLibrary;
    }
    return ExitOk;
}

int Run() {
    if (!CreateScreen()) {
        Say(L"today: cannot create the Today screen window (" + SystemMessage(GetLastError()) +
            L"); is a display available?");
        return ExitNoWindow;
    }
    int status = LoadItemLibrary();
    if (status != ExitOk)
        return status;

    auto initialize = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
        Host.Library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
    // The record the Today screen keeps for the item, as its registration describes it.
    lstrcpynW(Host.ListItem.szName, ItemName, MAX_ITEMNAME);
    Host.ListItem.tlit = tlitCustom;
    Host.ListItem.fEnabled = Host.Args.Disabled ? FALSE : TRUE;
    Host.ListItem.fOptions =
        GetProcAddress(Host.Library, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal)) != NULL;
    lstrcpynW(Host.ListItem.szDLLPath, Host.Args.Dll.c_str(), MAX_PATH);
    Host.ListItem.hinstDLL = Host.Library;
    Host.Item = initialize(&Host.ListItem, Host.Screen);
    if (!Host.Item && !Host.Args.Disabled) {
        Say(L"today: the item's export 240 returned no window");
        return ExitNoWindow;
    }
    Host.ListItem.hwndCustom = Host.Item;

    ShowWindow(Host.Screen, SW_SHOWNORMAL);
    UpdateWindow(Host.Screen);
    SetEvent(Host.Ready);
    if (!Host.Item) {
        // A disabled item has no row: the screen shows the background alone.
        Say(L"today: the item is disabled and made no window", STD_OUTPUT_HANDLE);
        if (!Host.Args.Snapshot.empty()) {
            Host.SnapshotTaken = true;
            return TakeSnapshot() ? ExitOk : ExitNoSnapshot;
        }
    }
    SetTimer(Host.Screen, PollTimerId, PollPeriod, NULL);
    if (Host.Args.ExitAfter > 0)
        SetTimer(Host.Screen, ExitTimerId, (UINT)Host.Args.ExitAfter * 1000u, NULL);
    if (Host.Args.OpenSettings)
        PostMessageW(Host.Screen, WM_APP_OPEN_SETTINGS, 0, 0);
    if (!Host.Args.Presses.empty() || !Host.Args.DialogSnapshot.empty())
        SetTimer(Host.Screen, DriveTimerId, DrivePeriod, NULL);
    PollItem();

    HACCEL keys = MakeAccelerators();
    MSG message;
    int result;
    while ((result = GetMessageW(&message, NULL, 0, 0)) > 0) {
        if (Host.Screen && TranslateAcceleratorW(Host.Screen, keys, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyAcceleratorTable(keys);
    return result == 0 ? (int)message.wParam : Host.ExitStatus;
}

} // namespace

int main() {
    int count = 0;
    WCHAR** args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring problem = args ? ParseTodayArgs(count - 1, args + 1, &Host.Args)
                                : std::wstring(L"cannot read the command line");
    if (args)
        LocalFree(args);
    if (!problem.empty()) {
        Say(L"today: " + problem);
        Say(L"today: try --help");
        return ExitBadArguments;
    }
    if (Host.Args.Help) {
        Say(TodayUsage, STD_OUTPUT_HANDLE);
        return ExitOk;
    }
    if (Host.Args.Dll.empty())
        Host.Args.Dll = DefaultLibraryPath();
    SetProcessDPIAware();

    // Items wait for this before they answer the refresh poll; it is set once the item exists.
    Host.Ready = CreateEventW(NULL, TRUE, FALSE, SHELL_API_READY_EVENT);
    int status = Run();
    if (Host.Screen && IsWindow(Host.Screen))
        DestroyWindow(Host.Screen);
    if (Host.Library)
        FreeLibrary(Host.Library);
    DestroyWatermark();
    if (Host.Ready)
        CloseHandle(Host.Ready);
    return status;
}
