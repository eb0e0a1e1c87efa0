// today.exe's command line.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

// One step through the settings page: a click on a control, or a pick of an entry in a list.
struct DialogStep {
    int Id;
    std::wstring Entry; // the entry to pick; empty for a click
};

struct TodayArgs {
    std::wstring Snapshot;  // PNG of the screen once the scripted steps are done and the item drew
    int ExitAfter = 0;      // seconds until the screen closes by itself; 0 for never
    std::wstring Dll;       // the item library; empty for morvane.dll beside today.exe
    bool Disabled = false;  // the item as unchecked in the Today settings: export 240 makes nothing
    bool Landscape = false; // start with the screen turned
    bool Turn = false;      // turn the screen once the item is shown, as the key does
    bool OpenSettings = false;
    std::vector<DialogStep> Steps; // clicks and picks in turn in the dialog on top of the page
    std::wstring DialogSnapshot;   // PNG of the dialog on top once every step has been made
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
