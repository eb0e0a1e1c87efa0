#include "platform/platform.h"
#include "bench/item_bench_allocs.h"
#include "tests/support/imports.h"

#include <stdlib.h>
#include <string.h>

namespace {

AllocationCounter* Active;

// Whether address lies in the image of module: attributes a call to the module that made it.
bool InModule(HMODULE module, void* address) {
    const BYTE* base = (const BYTE*)module;
    const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)base;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
    return (const BYTE*)address >= base &&
           (const BYTE*)address < base + nt->OptionalHeader.SizeOfImage;
}

int SlotOf(const char* name);

void Note(const char* name, void* caller) {
    if (!Active || !InModule(Active->Module, caller))
        return;
    int slot = SlotOf(name);
    if (slot >= 0)
        Active->Calls[slot] += 1;
}

// One counted allocator: its name, its counting stand-in and the real entry it passes on to.
struct Allocator {
    const char* Name;
    void* StandIn;
    void** Original;
};

// The stand-ins, one per allocator a Windows module can import, each passing the call on. (The
// global heap is not among them: the device has none, and the device-profile check refuses any
// use of it in morvane.dll's sources.)
#define STAND_IN(result, convention, name, params, args)                                           \
    result(convention* Real##name) params;                                                         \
    result convention Counted##name params {                                                       \
        Note(#name, __builtin_return_address(0));                                                  \
        return Real##name args;                                                                    \
    }

STAND_IN(HLOCAL, WINAPI, LocalAlloc, (UINT flags, SIZE_T bytes), (flags, bytes))
STAND_IN(HLOCAL, WINAPI, LocalReAlloc, (HLOCAL block, SIZE_T bytes, UINT flags),
         (block, bytes, flags))
STAND_IN(LPVOID, WINAPI, HeapAlloc, (HANDLE heap, DWORD flags, SIZE_T bytes), (heap, flags, bytes))
STAND_IN(LPVOID, WINAPI, HeapReAlloc, (HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes),
         (heap, flags, block, bytes))
STAND_IN(HANDLE, WINAPI, HeapCreate, (DWORD flags, SIZE_T initial, SIZE_T maximum),
         (flags, initial, maximum))
STAND_IN(LPVOID, WINAPI, VirtualAlloc, (LPVOID address, SIZE_T bytes, DWORD type, DWORD protect),
         (address, bytes, type, protect))
STAND_IN(void*, __cdecl, malloc, (size_t bytes), (bytes))
STAND_IN(void*, __cdecl, calloc, (size_t count, size_t bytes), (count, bytes))
STAND_IN(void*, __cdecl, realloc, (void* block, size_t bytes), (block, bytes))
STAND_IN(char*, __cdecl, _strdup, (const char* text), (text))
STAND_IN(wchar_t*, __cdecl, _wcsdup, (const wchar_t* text), (text))

#define ALLOCATOR(name)                                                                            \
    { #name, (void*)Counted##name, (void**)&Real##name }

const Allocator Allocators[] = {
    ALLOCATOR(LocalAlloc), ALLOCATOR(LocalReAlloc), ALLOCATOR(HeapAlloc), ALLOCATOR(HeapReAlloc),
    ALLOCATOR(HeapCreate), ALLOCATOR(VirtualAlloc), ALLOCATOR(malloc),    ALLOCATOR(calloc),
    ALLOCATOR(realloc),    ALLOCATOR(_strdup),      ALLOCATOR(_wcsdup),
};
const int AllocatorCount = sizeof Allocators / sizeof Allocators[0];

// Slots are per counter; the stand-ins find theirs by name in the active counter.
int SlotOf(const char* name) {
    if (!Active)
        return -1;
    for (int i = 0; i < Active->Imports; ++i)
        if (strcmp(Active->Names[i], name) == 0)
            return i;
    return -1;
}

const Allocator* FindAllocator(const char* name) {
    for (const Allocator& a : Allocators)
        if (strcmp(a.Name, name) == 0)
            return &a;
    return NULL;
}

} // namespace

bool CountAllocations(HMODULE module, AllocationCounter* counter) {
    memset(counter, 0, sizeof *counter);
    counter->Module = module;
    return ForEachImport(module, [&](const char* name, void** slot) {
        const Allocator* allocator = FindAllocator(name);
        if (!allocator || counter->Imports >= MaxCountedImports || *slot == allocator->StandIn)
            return;
        if (!*allocator->Original)
            *allocator->Original = *slot;
        int known = -1;
        for (int i = 0; i < counter->Imports; ++i)
            if (strcmp(counter->Names[i], name) == 0)
                known = i;
        if (known < 0)
            counter->Names[counter->Imports++] = allocator->Name;
        RerouteSlot(slot, allocator->StandIn);
    });
}

void StartCounting(AllocationCounter* counter) {
    for (long& calls : counter->Calls)
        calls = 0;
    Active = counter;
}

void StopCounting() {
    Active = NULL;
}

long CountedCalls(const AllocationCounter* counter) {
    long total = 0;
    for (int i = 0; i < counter->Imports; ++i)
        total += counter->Calls[i];
    return total;
}

std::string DescribeCounts(const AllocationCounter* counter) {
    if (counter->Imports == 0)
        return "none imported";
    std::string text;
    for (int i = 0; i < counter->Imports; ++i) {
        if (i)
            text += ", ";
        text += counter->Names[i];
        text += " " + std::to_string(counter->Calls[i]);
    }
    return text;
}
