// The library's module: its handle, the item window class, and running the library's own dialogs.
#pragma once

#include "platform/platform.h"
#include "platform/today_host.h"

enum { ClassNameCapacity = 260 };

extern HINSTANCE ModuleInstance;               // set on process attach, cleared on detach
extern WCHAR ItemClassName[ClassNameCapacity]; // string 1: class name, window title, box caption
extern HWND ItemWindow;                        // the last item window made by export 240

// Process attach and detach work, called from the module entry (and by tests, with the test
// executable's own module, which links the same resources).
void ModuleAttach(HINSTANCE instance);
void ModuleDetach();

// Runs one of the library's dialog templates modally, with creation parameter 0; returns the
// result the dialog ended with, or -1 when the library holds no such template.
INT_PTR RunModuleDialog(int templateId, HWND owner, DLGPROC proc);

// Export 240, of the SDK's PFNCUSTOMINITIALIZEITEM type: creates, shows and paints a new item
// window; returns it, or null when the record says the item is disabled or creation failed.
extern "C" HWND InitializeCustomItem(TODAYLISTITEM* item, HWND parent);
