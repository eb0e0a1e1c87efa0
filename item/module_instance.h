// The library's module as its parts use it: the handle its resources are loaded from, the
// class name string 1 holds, and running one of its own dialog templates.
#pragma once

#include "platform/platform.h"

enum { ClassNameCapacity = 260 };

extern HINSTANCE ModuleInstance;               // set on process attach, cleared on detach
extern WCHAR ItemClassName[ClassNameCapacity]; // string 1: class name, window title, box caption

// Runs one of the library's dialog templates modally, with creation parameter 0; returns the
// result the dialog ended with, or -1 when the library holds no such template.
INT_PTR RunModuleDialog(int templateId, HWND owner, DLGPROC proc);
