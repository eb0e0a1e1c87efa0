#include "platform/platform.h"
#include "tests/support/measure.h"

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

const size_t Peb64GdiTableOffset = 0xF8; // PEB.GdiSharedHandleTable
#ifndef _WIN64
const size_t Peb32GdiTableOffset = 0x94;
// A 32-bit process under Wine also has a 64-bit TEB and PEB, and Wine puts the table in the 64-bit
// PEB only; the 32-bit TEB's GdiBatchCount holds the 64-bit TEB's address.
const size_t Teb32GdiBatchCountOffset = 0xF70;
const size_t Teb64PebOffset = 0x60;

// What NtQueryInformationThread gives for ThreadBasicInformation.
struct ThreadBasics {
    NTSTATUS ExitStatus;
    PVOID TebBaseAddress;
    CLIENT_ID ClientId;
    ULONG_PTR AffinityMask;
    LONG Priority;
    LONG BasePriority;
};
#endif

bool GuiResourcesWork() {
    SetLastError(0);
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return count != 0 || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
}

#ifndef _WIN64
UINT64 ReadPointer64(UINT64 address) {
    return address ? *(const UINT64*)(UINT_PTR)address : 0;
}
#endif

const GdiHandleEntry* GdiTable() {
    PROCESS_BASIC_INFORMATION basic = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &basic,
                                  sizeof basic, NULL) != 0 ||
        !basic.PebBaseAddress)
        return NULL;
    const char* peb = (const char*)basic.PebBaseAddress;
#ifdef _WIN64
    return *(const GdiHandleEntry* const*)(peb + Peb64GdiTableOffset);
#else
    const GdiHandleEntry* table = *(const GdiHandleEntry* const*)(peb + Peb32GdiTableOffset);
    if (table)
        return table;
    ThreadBasics thread = {};
    if (NtQueryInformationThread(GetCurrentThread(), ThreadBasicInformation, &thread, sizeof thread,
                                 NULL) != 0 ||
        !thread.TebBaseAddress)
        return NULL;
    UINT64 teb64 = *(const DWORD*)((const char*)thread.TebBaseAddress + Teb32GdiBatchCountOffset);
    UINT64 peb64 = teb64 ? ReadPointer64(teb64 + Teb64PebOffset) : 0;
    return (const GdiHandleEntry*)(UINT_PTR)(peb64 ? ReadPointer64(peb64 + Peb64GdiTableOffset)
                                                   : 0);
#endif
}

long CountGdiTable() {
    const GdiHandleEntry* table = GdiTable();
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
