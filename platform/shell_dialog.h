// The shell helper library's dialog preparation, which only Windows CE has: the device's own
// header there; elsewhere a stand-in with the same signature, record and flag values, which sizes
// the dialog to the device screen and adds a Done control, since a desktop title bar has no room
// for the device's Done button.
#pragma once

#include "platform/platform.h"

#ifdef UNDER_CE

#include <aygshell.h>

#else

#define SHIDIM_FLAGS 0x0001

#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020
#define SHIDIF_WANTSCROLLBAR 0x0040

typedef struct tagSHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;

// C functions, as the device's shell library exports them.
extern "C" {

// Prepares a dialog as the device's shell does: Done button, size, input panel and menu bar by
// the flags. Returns FALSE when the record or its dialog is missing.
BOOL SHInitDialog(PSHINITDLGINFO info);

// The flags SHInitDialog was last given for this dialog (0 when the mask did not mark them
// valid); FALSE when it was never called for it.
BOOL ShellDialogFlags(HWND dialog, DWORD* flags);
}

#endif

RECORD_SIZE_ON_DEVICE(ShellDialogInfoIs12Bytes, SHINITDLGINFO, 12);
