// Finds each dialog of this thread as it appears on top and hands it to the session, from inside
// whatever modal loop is running; a dialog opened by a handler is handled in turn while the first
// handler waits. A dialog its handler could not close is pressed Done, then Cancel, then closed
// from its title bar, as a person would; one that outlives all three is ended by force and
// reported, so one run shows every such dialog rather than hanging on the first.
#pragma once

#include "platform/platform.h"

enum DialogKind {
    OptionsPage,
    FormatDialog,
    FontsDialog,
    SelectFontDialog,
    IconDialog,
    AboutDialog,
    ColorChooser,
    MessageBoxDialog,
    UnknownDialog,
    DialogKinds
};

typedef void (*DialogHandler)(HWND dialog, DialogKind kind);

void StartDriving(DialogHandler handler);
void StopDriving();
// Dialogs of each kind seen since the last start, and those ended by force.
int DialogsSeen(DialogKind kind);
int DialogsForced();
const char* DialogKindName(DialogKind kind);

// Runs the thread's messages for this long.
void Pump(DWORD milliseconds);
// Pumps until no mouse message for the window is left in the queue (at most the limit), so that
// the next gesture does not find the last one's button-up still waiting.
void PumpMouse(HWND window, DWORD limit);

// What a person does in a dialog. Each does nothing when the control is missing or disabled.
void Click(HWND dialog, int id);
void PickIndex(HWND dialog, int id, int index);
// Picks the entry with this text; false when the list has none.
bool PickText(HWND dialog, int id, const WCHAR* text);
void TypeText(HWND dialog, int id, const WCHAR* text);
