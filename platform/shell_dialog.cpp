#include "platform/platform.h"
#include "platform/screen_resolution.h"
#include "platform/shell_dialog.h"
#include "platform/scaling.h"
#include "platform/today_host.h"

enum { RememberedDialogs = 16 };
// The Done control and its margin, in dialog units.
enum { DoneWidth = 40, DoneHeight = 14, DoneMargin = 4 };

struct RememberedFlags {
    HWND Dialog;
    DWORD Flags;
};

// A ring of the most recent dialogs; window handles are reused, so the newest entry wins.
static RememberedFlags Remembered[RememberedDialogs];
static int NextRemembered;

static void RememberFlags(HWND dialog, DWORD flags) {
    Remembered[NextRemembered].Dialog = dialog;
    Remembered[NextRemembered].Flags = flags;
    NextRemembered = (NextRemembered + 1) % RememberedDialogs;
}

BOOL ShellDialogFlags(HWND dialog, DWORD* flags) {
    for (int i = 1; i <= RememberedDialogs; ++i) {
        const RememberedFlags* entry =
            &Remembered[(NextRemembered - i + RememberedDialogs) % RememberedDialogs];
        if (entry->Dialog == dialog && dialog != NULL) {
            *flags = entry->Flags;
            return TRUE;
        }
    }
    return FALSE;
}

// The window the dialog chain belongs to (the Today screen for the settings page), if any.
static HWND ChainRoot(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    return owner ? GetAncestor(owner, GA_ROOTOWNER) : NULL;
}

// The device screen's top-left corner: that of the window the dialog chain belongs to, so nested
// dialogs cover each other as they do on the device; else the desktop's work area.
static POINT DeviceOrigin(HWND root) {
    POINT origin = {0, 0};
    RECT area;
    if (root && GetWindowRect(root, &area)) {
        origin.x = area.left;
        origin.y = area.top;
    } else if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        origin.x = area.left;
        origin.y = area.top;
    }
    return origin;
}

// The device screen turned to landscape when the window the chain belongs to is wider than tall.
static bool Landscape(HWND root) {
    RECT client;
    return root && GetClientRect(root, &client) && client.right > client.bottom;
}

// Full screen leaves the navigation bar; the plain size also leaves the menu bar.
static void SizeToDevice(HWND dialog, DWORD flags) {
    int bottomReserve;
    if (flags & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_FULLSCREENNOMENUBAR))
        bottomReserve = 0;
    else if (flags & SHIDIF_SIZEDLG)
        bottomReserve = DeviceMenuBarHeight;
    else
        return;

    int dpiX = ScreenResolution(LOGPIXELSX, ReferenceDpi);
    int dpiY = ScreenResolution(LOGPIXELSY, ReferenceDpi);

    HWND root = ChainRoot(dialog);
    bool turned = Landscape(root);
    int screenWidth = turned ? DeviceScreenHeight : DeviceScreenWidth;
    int screenHeight = turned ? DeviceScreenWidth : DeviceScreenHeight;
    POINT origin = DeviceOrigin(root);
    int top = ScaleRound(DeviceNavBarHeight, dpiY, ReferenceDpi);
    int width = ScaleRound(screenWidth, dpiX, ReferenceDpi);
    int height = ScaleRound(screenHeight - bottomReserve, dpiY, ReferenceDpi) - top;
    SetWindowPos(dialog, NULL, origin.x, origin.y + top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// A push button that sends IDOK, at the bottom right of the client area, last in the tab order.
static void AddDoneControl(HWND dialog) {
    if (GetDlgItem(dialog, IDOK))
        return;
    RECT box = {0, 0, DoneWidth, DoneHeight};
    RECT margin = {0, 0, DoneMargin, DoneMargin};
    MapDialogRect(dialog, &box);
    MapDialogRect(dialog, &margin);
    RECT client;
    GetClientRect(dialog, &client);
    int width = box.right - box.left;
    int height = box.bottom - box.top;
    HWND done = CreateWindowExW(
        0, TEXT("Button"), TEXT("Done"), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
        client.right - margin.right - width, client.bottom - margin.bottom - height, width, height,
        dialog, (HMENU)(INT_PTR)IDOK, (HINSTANCE)GetWindowLongPtrW(dialog, GWLP_HINSTANCE), NULL);
    if (done)
        SendMessageW(done, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
}

// The input panel and the menu bar do not exist here: SHIDIF_SIPDOWN and SHIDIF_EMPTYMENU are
// only remembered.
BOOL SHInitDialog(PSHINITDLGINFO info) {
    if (!info || !IsWindow(info->hDlg))
        return FALSE;
    DWORD flags = (info->dwMask & SHIDIM_FLAGS) ? info->dwFlags : 0;
    RememberFlags(info->hDlg, flags);
    SizeToDevice(info->hDlg, flags);
    if (flags & SHIDIF_DONEBUTTON)
        AddDoneControl(info->hDlg);
    return TRUE;
}
