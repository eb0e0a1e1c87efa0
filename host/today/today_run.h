// The run of the stand-in Today screen: its command line, the screen's window and size, how the
// run ends, and the timers and messages its parts share. Everything else in host/ builds on this.
#pragma once

#include "platform/platform.h"
#include "host/today/today_args.h"

#include <string>

// today.exe's exit codes: success, a bad command line, then what failed.
enum ExitCode {
    ExitOk = 0,
    ExitBadArguments = 2,
    ExitNoWindow = 4, // 3 is not used
    ExitNoSnapshot,
    ExitNoControl // a step found no row, menu entry or control to work
};

// The screen window's timers.
enum {
    PollTimerId = 1, // the refresh query, every two seconds
    ExitTimerId,     // --exit-after
    StepTimerId      // the scripted steps
};
enum { PollPeriod = 2000, StepPeriod = 200 };

// Messages the scripted steps post to the screen window, which does them in its own time.
enum { WM_APP_OPEN_SETTINGS = WM_APP + 1, WM_APP_TURN };

// The theme's colours, which the screen gives its items for TODAYM_GETCOLOR.
const COLORREF ThemeTextColor = RGB(16, 32, 96);
const COLORREF ThemeHighlight = RGB(49, 106, 197);
const COLORREF ThemeHighlightedText = RGB(255, 255, 255);

struct TodayRun {
    TodayArgs Args;
    HWND Window;
    bool Landscape;
    int Width, Height; // the Today screen in pixels: between the navigation and the menu bar
    HANDLE Ready;      // "SYSTEM/ShellAPIReady"
    bool Turned;       // the screen turned at least once
    bool SettingsOpen; // an item's settings page is running
    bool Ending;
    int ExitStatus;
};

extern TodayRun Today;

// The system's text for an error, with its number.
std::wstring SystemMessage(DWORD error);

// Says a line on the console, prefixed "today: "; on standard output, or on standard error for
// what went wrong.
void Report(const std::wstring& text);
void Complain(const std::wstring& text);

// A length of a 96-dpi screen on this one, across or down (LOGPIXELSX or LOGPIXELSY).
int ScaledToScreen(int pixels, int axis);

// Ends the run with the status, from inside any number of nested dialogs and menus; the first
// call wins.
void EndRun(int status);
