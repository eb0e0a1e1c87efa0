// What the Today screen and its items agree on: the exports the host calls, the messages both
// sides send, the records those messages carry and the shell's readiness event. On the device the
// Today screen's own header declares the records and messages; elsewhere this file stands in for
// it with the same names and values.
#pragma once

#include "platform/platform.h"

#include <stddef.h>

#ifdef UNDER_CE

#include <todaycmn.h>

#else

// Host to item: the item is about to be unloaded; the first argument is its TODAYLISTITEM.
#define WM_TODAYCUSTOM_CLEARCACHE 0x04F2
// Host to item: redraw needed? The first argument is the item's TODAYLISTITEM.
#define WM_TODAYCUSTOM_QUERYREFRESHCACHE 0x04F3
// Host to an item registered with Selectability 2: the highlight moved onto it (the first
// argument is the navigation key that moved it, or 0); TRUE accepts it.
#define WM_TODAYCUSTOM_RECEIVEDSELECTION 0x04F4
// Host to item: the highlight left it.
#define WM_TODAYCUSTOM_LOSTSELECTION 0x04F5
// Host to the selected item: a navigation key; TRUE when the item used it, FALSE to move on.
#define WM_TODAYCUSTOM_USERNAVIGATION 0x04F6
// Host to the selected item: the action key.
#define WM_TODAYCUSTOM_ACTION 0x04F7
// Item to host: the theme's colour for the index in the first argument.
#define TODAYM_GETCOLOR 0x0464
// Item to host: paint the Today background; the second argument is a TODAYDRAWWATERMARKINFO.
#define TODAYM_DRAWWATERMARK 0x0465
// Item to host: the item was tapped and takes the highlight; the first argument is its window.
#define TODAYM_TOOKSELECTION 0x0466
#define TODAYCOLOR_TEXT 0x10000004
#define TODAYCOLOR_HIGHLIGHT 0x10000022
#define TODAYCOLOR_HIGHLIGHTEDTEXT 0x10000023

#define MAX_ITEMNAME 32

enum TODAYLISTITEMTYPE { tlitOwnerInfo = 0, tlitAppointments, tlitMail, tlitTasks, tlitCustom };

// The host's record of one item in its list.
struct TODAYLISTITEM {
    WCHAR szName[MAX_ITEMNAME];
    TODAYLISTITEMTYPE tlit;
    DWORD dwOrder;
    DWORD cyp;     // row height in pixels; the item reports it while it is still 0
    BOOL fEnabled; // FALSE for an item the user unchecked in the Today settings
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

// Export 240: creates the item's window as a child of the parent; returns it, or null. No calling
// convention of its own, as the SDK declares it: a 32-bit x86 host calls it as a C function.
typedef HWND (*PFNCUSTOMINITIALIZEITEM)(TODAYLISTITEM* item, HWND parent);

#endif

// The host writes the row height and reads the switch at these places of its record.
RECORD_SIZE_ON_DEVICE(TodayListItemIs628Bytes, TODAYLISTITEM, 628);
COMPILE_TIME_CHECK(TodayListItemHeightAt72, offsetof(TODAYLISTITEM, cyp) == 72);
COMPILE_TIME_CHECK(TodayListItemSwitchAt76, offsetof(TODAYLISTITEM, fEnabled) == 76);
RECORD_SIZE_ON_DEVICE(TodayWatermarkIs24Bytes, TODAYDRAWWATERMARKINFO, 24);

// Any program may ask the Today screen to load its items again: WM_WININICHANGE with this first
// argument (and 0) sent to every top-level window. The Today screen's header has no name for it.
enum { TodayReloadItemsFlag = 0xF2 };

// Ordinals of the library's exports; the host finds them by number, never by name.
enum { InitializeCustomItemOrdinal = 240, CustomItemOptionsDlgProcOrdinal = 241 };

// The dialog template of the library's that the Today settings run with export 241.
enum { CustomItemOptionsTemplate = 500 };

// The device's screen in pixels of a 96-dpi screen, held upright (a QVGA Pocket PC); turned to
// landscape, width and height swap. Its top row is the navigation bar and its bottom row the menu
// bar; the Today screen and its items lie between them, as wide as the screen.
enum {
    DeviceScreenWidth = 240,
    DeviceScreenHeight = 320,
    DeviceNavBarHeight = 26,
    DeviceMenuBarHeight = 26
};

// Manual-reset event the shell sets once its programming interfaces can be used.
#define SHELL_API_READY_EVENT TEXT("SYSTEM/ShellAPIReady")
