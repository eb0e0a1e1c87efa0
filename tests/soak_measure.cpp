#include "platform/platform.h"
#include "tests/soak_measure.h"

#include <psapi.h>
#include <winternl.h>

namespace {

// One entry of the GDI handle table as Wine lays it out for both widths; Type is 0 when free.
struct GdiHandleEntry {
    UINT64 Object;
    ULONG Owner;
    USHORT Unique;
    UCHAR Type;
    UCHAR Flags;
    UINT64 UserPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "GDI handle table entry");

enum {
    GdiHandleCount = 0x10000,
    // USER handles are even indices from 0x20 up to 0xFFEE, whatever their generation.
    FirstUserHandle = 0x20,
    LastUserHandle = 0xFFEE,
};

#ifdef _WIN64
const size_t GdiTableOffset = 0xF8; // PEB.GdiSharedHandleTable
#else
const size_t GdiTableOffset = 0x94;
#endif

bool GuiResourcesWork() {
    SetLastError(0);
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return count != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
}

long CountGdiTable() {
    PROCESS_BASIC_INFORMATION basic = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic,
                                  sizeof basic, NULL) != 0 ||
        !basic.PebBaseAddress)
        return -1;
    const GdiHandleEntry* table =
        *(const GdiHandleEntry* const*)((const char*)basic.PebBaseAddress + GdiTableOffset);
    if (!table)
        return -1;
    long count = 0;
    for (int i = 0; i < GdiHandleCount; ++i)
        count += table[i].Type != 0;
    return count;
}

bool IsIcon(HANDLE handle) {
    ICONINFO info;
    if (!GetIconInfo((HICON)handle, &info))
        return false;
    // The query hands back copies of the icon's bitmaps.
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    return true;
}

long CountUserHandles() {
    long count = 0;
    for (UINT index = FirstUserHandle; index <= LastUserHandle; index += 2) {
        HANDLE handle = (HANDLE)(UINT_PTR)index;
        if (IsWindow((HWND)handle) || IsMenu((HMENU)handle) || IsIcon(handle))
            ++count;
    }
    return count;
}

} // namespace

long CountGdiObjects() {
    if (GuiResourcesWork())
        return (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return CountGdiTable();
}

GuiCounts CountGuiObjects() {
    GuiCounts counts;
    counts.FromTables = !GuiResourcesWork();
    if (counts.FromTables) {
        counts.User = CountUserHandles();
        // After the USER scan, whose icon queries make and delete bitmaps of their own.
        counts.Gdi = CountGdiTable();
    } else {
        counts.Gdi = (long)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
        counts.User = (long)GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    }
    return counts;
}

MemoryUse MeasureMemory() {
    MemoryUse use = {};
    HANDLE heaps[256];
    DWORD heapCount = GetProcessHeaps(256, heaps);
    if (heapCount > 256)
        heapCount = 256;
    for (DWORD h = 0; h < heapCount; ++h) {
        if (!HeapLock(heaps[h]))
            continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[h], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                use.HeapBytes += entry.cbData;
                use.HeapBlocks += 1;
            }
        }
        HeapUnlock(heaps[h]);
    }
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&counters,
                             sizeof counters))
        use.CommittedBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return use;
}
