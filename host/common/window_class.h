// The window class each of the stand-in programs registers for its one window.
#pragma once

#include "platform/platform.h"

// A class of this program's module with the arrow cursor; 0 when it cannot be registered.
inline ATOM RegisterProgramClass(const WCHAR* name, WNDPROC procedure) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.lpszClassName = name;
    return RegisterClassW(&windowClass);
}
