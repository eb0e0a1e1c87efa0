// The dialog on top of this thread's windows, and the two things done to it by every program
// here that drives dialogs as a person would: today.exe's scripted steps, the suites' dialog
// driver, the item bench, the stored-settings fuzzer and the fault injector.
#pragma once

#include "platform/platform.h"

enum { DialogOnTopClassCapacity = 16 };

// The window class of every dialog, the platform's colour chooser and message boxes included.
inline constexpr WCHAR DialogClassName[] = L"#32770";

struct WindowOfClassSearch {
    const WCHAR* ClassName;
    HWND Found;
};

inline BOOL CALLBACK FindShownWindowOfClass(HWND window, LPARAM search) {
    WindowOfClassSearch* s = (WindowOfClassSearch*)search;
    WCHAR name[DialogOnTopClassCapacity];
    if (!IsWindowVisible(window) || !IsWindowEnabled(window) ||
        !GetClassNameW(window, name, DialogOnTopClassCapacity) || lstrcmpW(name, s->ClassName) != 0)
        return TRUE;
    s->Found = window;
    return FALSE;
}

// The visible, enabled window of this thread with the class name; null when none is up.
inline HWND ThreadWindowOfClass(const WCHAR* className) {
    WindowOfClassSearch search = {className, NULL};
    EnumThreadWindows(GetCurrentThreadId(), FindShownWindowOfClass, (LPARAM)&search);
    return search.Found;
}

// A modal dialog disables its owner, so among this thread's dialogs only the newest is enabled.
inline HWND DialogOnTop() {
    return ThreadWindowOfClass(DialogClassName);
}

// Selects the entry at index in list id and tells the dialog, as a pick in the drop-down list does
// (selecting alone does not notify).
inline void PickListEntry(HWND dialog, int id, int index) {
    HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, CB_SETCURSEL, (WPARAM)index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)list);
}
