// Asking the Today screen to load its items again, and waiting until it has let go of a library.
#pragma once

#include "platform/platform.h"

// Every top-level window is told that the Today items changed (WM_WININICHANGE with 0xF2); the
// Today screen loads its items again, releasing the library of an item no longer checked.
void ReloadTodayItems();

// Waits, at most a few seconds, until the library's file could be replaced: no program holds it.
// TRUE at once for a library that is not there.
BOOL WaitForLibraryRelease(const WCHAR* library);
