// today.exe's command line.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

struct TodayArgs {
    std::wstring Snapshot; // PNG to write after the item's first paint; empty for a live run
    int ExitAfter = 0;     // seconds until the screen closes by itself; 0 for never
    std::wstring Dll;      // the item library; empty for morvane.dll beside today.exe
    bool Disabled = false; // the item as unchecked in the Today settings: export 240 makes nothing
    bool OpenSettings = false;
    std::vector<int> Presses; // controls clicked in turn in the dialog on top of the settings page
    std::wstring DialogSnapshot; // PNG of the dialog on top once every press has been made
    bool Help = false;
};

enum {
    ExitAfterMax = 2147483, // seconds that still fit a timer's milliseconds
    ControlIdMax = 65535,   // a dialog control id is a 16-bit word
};

// Parses the arguments after the program name. Returns an empty string on success, else a
// message saying what was wrong.
std::wstring ParseTodayArgs(int count, const WCHAR* const* args, TodayArgs* parsed);

extern const WCHAR TodayUsage[];
