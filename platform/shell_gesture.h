// The shell helper library's tap-and-hold recognition, which only Windows CE has: the device's own
// header there; elsewhere a stand-in with the same signature, record and values, which watches
// the message queue for the stylus (the mouse) staying down and still for the device's hold time
// and draws the circle of dots while it waits.
#pragma once

#include "platform/platform.h"

#ifdef UNDER_CE

#include <aygshell.h>

#else

#define SHRG_RETURNCMD 0x00000001
#define SHRG_NOTIFYPARENT 0x00000002
#define SHRG_LONGDELAY 0x00000008
#define SHRG_NOANIMATION 0x00000010

// What a recognised tap-and-hold returns with SHRG_RETURNCMD, and the WM_NOTIFY code it sends
// without it.
#define GN_CONTEXTMENU 1000

typedef struct tagSHRGI {
    DWORD cbSize;
    HWND hwndClient;
    POINT ptDown; // in the client's coordinates
    DWORD dwFlags;
} SHRGINFO, *PSHRGINFO;

typedef struct tagNMRGINFO {
    NMHDR hdr;
    POINT ptAction;
    DWORD dwItemSpec;
} NMRGINFO, *PNMRGINFO;

// Called on the button-down at ptDown: waits, reading the client's mouse messages from the queue,
// until the button comes up or moves away (returns 0, leaving the button-up queued for the
// client), or it has been held still for the hold time. Held: GN_CONTEXTMENU with SHRG_RETURNCMD;
// otherwise a GN_CONTEXTMENU notification goes to the client (or its parent, SHRG_NOTIFYPARENT)
// and its answer is returned.
extern "C" DWORD SHRecognizeGesture(SHRGINFO* info);

#endif

RECORD_SIZE_ON_DEVICE(GestureInfoIs20Bytes, SHRGINFO, 20);
