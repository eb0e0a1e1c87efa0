// The library's module: attached and detached, the item window class, and export 240.
#pragma once

#include "platform/platform.h"
#include "item/module_instance.h"
#include "platform/today_host.h"

extern HWND ItemWindow; // the last item window made by export 240

// Process attach and detach work, called from the module entry (and by tests, with the test
// executable's own module, which links the same resources).
void ModuleAttach(HINSTANCE instance);
void ModuleDetach();

// Export 240, of the SDK's PFNCUSTOMINITIALIZEITEM type: creates, shows and paints a new item
// window; returns it, or null when the record says the item is disabled or creation failed.
extern "C" HWND InitializeCustomItem(TODAYLISTITEM* item, HWND parent);
