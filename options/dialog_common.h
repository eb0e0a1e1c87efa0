// What the options dialogs share: preparing a dialog, the option lists, and saving on Done.
#pragma once

#include "platform/platform.h"
#include "platform/shell_dialog.h"

enum {
    // Full screen with the Done button, input panel lowered.
    DialogFlags = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN,
    // The same with an empty menu bar: the icon option and About dialogs.
    DialogFlagsEmptyMenu = DialogFlags | SHIDIF_EMPTYMENU
};

// The procedure of a dialog that answers its initialisation and its commands and nothing else:
// the initialisation's result, the command's (the control id and the notification code), 0 for
// every other message.
// Inline, so that each dialog's handlers are called directly.
typedef INT_PTR (*InitHandler)(HWND dialog);
typedef INT_PTR (*CommandHandler)(HWND dialog, int id, int code);
inline INT_PTR RouteDialogMessage(HWND dialog, UINT message, WPARAM wParam, InitHandler onInit,
                                  CommandHandler onCommand) {
    switch (message) {
    case WM_INITDIALOG: return onInit(dialog);
    case WM_COMMAND: return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    default: return FALSE;
    }
}

// Asks the shell to prepare the dialog with the given flags.
void PrepareDialog(HWND dialog, DWORD flags);

// Appends count strings to a list in order, so each entry's index is its stored value.
void FillList(HWND dialog, int listId, const WCHAR* const* names, int count);

// Selects the entry whose index is the stored value; a value the list lacks selects nothing.
void SelectStoredValue(HWND dialog, int listId, int value);

// Stores the list's selected index in the field when it names one of count entries (not when
// nothing is selected, nor an index the list should not hold); returns whether it did.
bool TakePick(HWND dialog, int listId, int count, int* field);

// Runs a list's handler on its selection-change notification only: a list tells of focus and of
// its drop-down too, and a pick counts on that notification alone.
typedef void (*PickHandler)(HWND dialog);
inline void OnPick(HWND dialog, int code, PickHandler handler) {
    if (code == CBN_SELCHANGE)
        handler(dialog);
}

// Whether two terminated texts are equal unit for unit, letter case included.
bool SameText(const WCHAR* a, const WCHAR* b);

// Copies list entry index into text when it fits in capacity units, terminator included; returns
// whether it did. The units after the terminator are left as they were.
bool GetEntryText(HWND list, int index, WCHAR* text, int capacity);

// Done: writes the settings when something changed since the last successful save, then ends
// the dialog with 1.
void SaveIfDirtyAndEnd(HWND dialog);
