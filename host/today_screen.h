// The stand-in Today screen: its window, upright or turned, with the Today background, the item's
// row in it, and the item's life through the library's two exports, as the Today screen runs it.
#pragma once

#include "platform/platform.h"
#include "host/today_args.h"
#include "platform/today_host.h"

#include <string>

// today.exe's exit codes: success, a bad command line, then what failed.
enum ExitCode {
    ExitOk = 0,
    ExitBadArguments = 2,
    ExitNoLibrary,
    ExitNoWindow,
    ExitNoSnapshot,
    ExitNoControl
};

struct TodayScreen {
    TodayArgs Args;
    HWND Window;
    HMODULE Library;
    PFNCUSTOMINITIALIZEITEM InitializeItem; // export 240
    DLGPROC OptionsDlgProc;                 // export 241; null when the library has none
    HWND Item;                              // null while the item has no window
    TODAYLISTITEM ListItem;                 // the record the item was made with
    DWORD RowHeight;
    bool Landscape;
    int Width, Height; // the Today screen in pixels: between the navigation and the menu bar
    HDC Watermark;     // the background, drawn once for each orientation
    HBITMAP WatermarkBitmap;
    HGDIOBJ WatermarkPrevious;
    HANDLE Ready; // "SYSTEM/ShellAPIReady"
    // The scripted run: which of its steps are done, and how it ends.
    bool Turned;
    bool SettingsClosed;
    bool SnapshotTaken;
    bool Ending;
    int ExitStatus;
};

extern TodayScreen Today;

// The system's text for an error, with its number.
std::wstring SystemMessage(DWORD error);

// Loads the item library and looks up its exports; says what is wrong and returns ExitNoLibrary
// when it is no Today item.
int LoadItemLibrary();

// Makes the screen's window, upright or turned as Args ask, and its background; false on failure.
bool CreateScreen();

// Shows the screen, makes the item and runs the screen's messages until the run ends; returns the
// run's exit status.
int RunScreen();

// Ends the run with the status, from inside any number of nested dialogs; the first call wins.
void EndRun(int status);

// Destroys the screen's window and background and unloads the library.
void DestroyScreen();
