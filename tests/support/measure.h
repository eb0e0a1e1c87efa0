// What a long run may leak, measured the way this platform allows. Windows counts a process's GDI
// and USER objects for GetGuiResources; Wine does not implement it (it returns 0 with
// ERROR_CALL_NOT_IMPLEMENTED), so there the counts come from what Wine really keeps:
// - GDI: the entries in use in the process's GDI handle table, which Wine maps into the process
//   as Windows does (the PEB's GdiSharedHandleTable);
// - USER: the windows, menus and icons found by trying every USER handle index.
// Memory is the bytes in use in every heap of the process (a heap walk), and the private memory
// the process holds: PrivateUsage on Windows; Wine leaves that 0 and reports in PagefileUsage the
// process's resident anonymous memory (RssAnon on Linux), which also sees what Wine's own Unix
// side allocates, fonts included.
#pragma once

#include "platform/platform.h"

#include <stddef.h>

struct GuiCounts {
    long Gdi;
    long User;
    bool FromTables; // counted from Wine's tables rather than by GetGuiResources
};

struct MemoryUse {
    size_t HeapBytes;      // bytes in busy blocks of every heap
    size_t HeapBlocks;     // number of busy blocks
    size_t CommittedBytes; // private memory, as above
};

GuiCounts CountGuiObjects();
MemoryUse MeasureMemory();

// Only the GDI count: cheap enough to take around every paint.
long CountGdiObjects();
