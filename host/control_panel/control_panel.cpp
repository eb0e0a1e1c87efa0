// ctlpnl.exe: a stand-in for the device's control panel host, \Windows\ctlpnl.exe, which opens the
// applet its command line names ("cplmain.cpl,16" is Clock & Alarms). It says on its console which
// applet it was asked for (and appends the same line to the file MORVANE_CONTROL_PANEL_LOG names,
// for the suites), then shows a "Clock & Alarms" page with the date, the time and the time zone
// until it is closed (Esc, or the window's close box).
#include "platform/platform.h"
#include "host/common/console_text.h"
#include "host/common/window_class.h"
#include "platform/scaling.h"
#include "platform/screen_resolution.h"
#include "platform/today_host.h"

#include <shellapi.h>

#include <string>

namespace {

enum { TickTimerId = 1, TickPeriod = 1000, LineCapacity = 128, LogNameCapacity = 1024 };
enum { MarginAt96 = 8, LineHeightAt96 = 22 };

const WCHAR WindowClassName[] = L"MorvaneControlPanel";
const WCHAR PageTitle[] = L"Clock & Alarms";
const WCHAR LogVariable[] = L"MORVANE_CONTROL_PANEL_LOG";

// The applet asked for. The device hands a program its arguments alone, as the item starts this
// one; run by hand, the command line begins with the program's own name.
std::wstring AppletOf(const WCHAR* commandLine) {
    int count = 0;
    WCHAR** args = CommandLineToArgvW(commandLine, &count);
    std::wstring applet = commandLine;
    if (args && count > 0) {
        std::wstring first = args[0];
        CharLowerW(&first[0]);
        bool named = first.size() >= 6 && (first.find(L"ctlpnl.exe") == first.size() - 10 ||
                                           first.find(L"ctlpnl") == first.size() - 6);
        if (named)
            applet = count > 1 ? args[1] : L"";
    }
    if (args)
        LocalFree(args);
    return applet;
}

void Record(const std::wstring& line) {
    Say(line, STD_OUTPUT_HANDLE);
    WCHAR log[LogNameCapacity];
    DWORD length = GetEnvironmentVariableW(LogVariable, log, LogNameCapacity);
    if (length == 0 || length >= LogNameCapacity)
        return;
    HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::string bytes(line.begin(), line.end()); // the applet names are ASCII
    bytes += "\n";
    DWORD written;
    WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
}

int Scaled(int pixels) {
    return ScaleRound(pixels, ScreenResolution(LOGPIXELSY, ReferenceDpi), ReferenceDpi);
}

// The page's three lines: the date, the time and the time zone.
void DrawPage(HDC dc, RECT client) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    TIME_ZONE_INFORMATION zone = {};
    GetTimeZoneInformation(&zone);
    WCHAR date[LineCapacity], time[LineCapacity];
    if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &now, NULL, date, LineCapacity))
        date[0] = 0;
    if (!GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, NULL, time, LineCapacity))
        time[0] = 0;
    std::wstring lines[] = {std::wstring(L"Date: ") + date, std::wstring(L"Time: ") + time,
                            std::wstring(L"Time zone: ") +
                                (zone.StandardName[0] ? zone.StandardName : L"(none)")};
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    int y = Scaled(MarginAt96);
    for (const std::wstring& line : lines) {
        RECT r = {Scaled(MarginAt96), y, client.right, y + Scaled(LineHeightAt96)};
        DrawTextW(dc, line.c_str(), -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
        y += Scaled(LineHeightAt96);
    }
    SelectObject(dc, previous);
}

LRESULT CALLBACK PageWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        DrawPage(dc, client);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER: InvalidateRect(window, NULL, FALSE); return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int main() {
    std::wstring applet = AppletOf(GetCommandLineW());
    Record(L"ctlpnl: asked for applet " + (applet.empty() ? std::wstring(L"(none)") : applet));
    SetProcessDPIAware();

    if (!RegisterProgramClass(WindowClassName, PageWndProc))
        return 1;
    // As large as the device's screen below its navigation bar.
    RECT frame = {0, 0, Scaled(DeviceScreenWidth),
                  Scaled(DeviceScreenHeight - DeviceNavBarHeight - DeviceMenuBarHeight)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = CreateWindowExW(0, WindowClassName, PageTitle, style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  NULL, NULL, GetModuleHandleW(NULL), NULL);
    if (!window) {
        Say(L"ctlpnl: cannot show the Clock & Alarms page; is a display available?");
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    SetTimer(window, TickTimerId, TickPeriod, NULL);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
