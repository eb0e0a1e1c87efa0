// morvane.dll loaded with every import bound to its stand-in before the library's entry runs, so
// the calls of attach and detach are counted and can fail like any other. The loader maps the
// library without binding its imports or calling its entry; this binds them from the same system
// libraries the loader would, then calls the entry as the loader does.
#pragma once

#include "platform/platform.h"

// The library, attached; null with a reason written to stderr when it cannot be loaded, has no
// import table, or imports a function the failure table has no row for (named).
HMODULE LoadWithStubs(const WCHAR* path);
// The library's entry with the reason, as the loader calls it.
void CallEntry(HMODULE library, DWORD reason);
// Lists the library's imports and what the table says of each; false as above.
bool ListImports(const WCHAR* path);
