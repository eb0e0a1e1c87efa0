// What the Today screen and its items agree on: the exports the host calls, the messages both
// sides send, the records those messages carry and the shell's readiness event.
#pragma once

#include "platform/platform.h"

// Ordinals of the library's exports; the host finds them by number, never by name.
enum { InitializeCustomItemOrdinal = 240, CustomItemOptionsDlgProcOrdinal = 241 };

// Host to item: redraw needed? The first argument is the item's TODAYLISTITEM.
#define WM_TODAYCUSTOM_QUERYREFRESHCACHE 0x04F3
// Item to host: the theme's colour for the index in the first argument.
#define TODAYM_GETCOLOR 0x0464
// Item to host: paint the Today background; the second argument is a TODAYDRAWWATERMARKINFO.
#define TODAYM_DRAWWATERMARK 0x0465
#define TODAYCOLOR_TEXT 0x10000004

// Manual-reset event the shell sets once its programming interfaces can be used.
#define SHELL_API_READY_EVENT TEXT("SYSTEM/ShellAPIReady")

enum { TodayItemNameCapacity = 32 };

enum TODAYLISTITEMTYPE { tlitOwnerInfo = 0, tlitAppointments, tlitMail, tlitTasks, tlitCustom };

// The host's record of one item in its list. The item reads and writes only cyp.
struct TODAYLISTITEM {
    WCHAR szName[TodayItemNameCapacity];
    TODAYLISTITEMTYPE tlit;
    DWORD dwOrder;
    DWORD cyp; // row height in pixels; the item reports it while it is still 0
    BOOL fEnabled;
    BOOL fOptions;
    DWORD grfFlags;
    WCHAR szDLLPath[MAX_PATH];
    HINSTANCE hinstDLL;
    HWND hwndCustom;
    BOOL fSizeOnDraw;
    BYTE* prgbCachedData;
    DWORD cbCachedData;
};

struct TODAYDRAWWATERMARKINFO {
    HDC hdc;
    RECT rc;
    HWND hwnd;
};

// Export 240: creates the item's window as a child of parent; returns it, or null.
typedef HWND(WINAPI* InitializeCustomItemFn)(TODAYLISTITEM* item, HWND parent);
