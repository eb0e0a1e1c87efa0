// today.exe's command line.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

// One scripted step, made in the order given once the items are shown.
enum StepKind {
    StepTurn,         // turn the screen, as F4 does
    StepOpenSettings, // open the settings page of the item under test, as the Today settings do
    StepKey,          // a key on the screen: Up, Down, Left, Right, Enter (the action) or F5
    StepSelect,       // Down pressed until the named row holds the highlight
    StepTap,          // a tap on the named row
    StepHold,         // a tap and hold on the named row, until a menu comes up
    StepMenu,         // the named entry picked in the menu that is up
    StepPick,         // the named entry picked in a list of the dialog on top
    StepPress         // a click on a control of the dialog on top
};

struct Step {
    StepKind Kind;
    int Number;        // the key (StepKey) or the control id (StepPick, StepPress)
    std::wstring Text; // the row (StepSelect, StepTap, StepHold) or the entry (StepMenu, StepPick)
};

struct TodayArgs {
    std::wstring Item = L"Morvane"; // the item under test, by its key's name
    std::wstring Dll;       // the library of the item under test instead of the registered one
    bool Disabled = false;  // the item under test as unchecked: export 240 makes nothing
    bool Landscape = false; // start with the screen turned
    std::vector<Step> Steps;
    std::wstring Snapshot;       // PNG of the screen once the steps are made and the items drew
    std::wstring DialogSnapshot; // PNG of the dialog on top once every step has been made
    int ExitAfter = 0;           // seconds until the screen closes by itself; 0 for never
    bool Help = false;
};

enum {
    ExitAfterMax = 2147483, // seconds that still fit a timer's milliseconds
    ControlIdMax = 65535,   // a dialog control id is a 16-bit word
};

// Parses the arguments after the program name. Returns an empty string on success, else a
// message saying what was wrong.
std::wstring ParseTodayArgs(int count, const WCHAR* const* args, TodayArgs* parsed);

// Makes the named files of the arguments full paths, so they stay where they were meant when the
// screen changes to its own working folder.
void MakePathsFull(TodayArgs* args);

extern const WCHAR TodayUsage[];
