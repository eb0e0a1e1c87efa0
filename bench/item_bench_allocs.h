// Counts the calls a module makes to memory allocators, by rerouting the allocator entries of its
// import address table through counters. A module statically linked as morvane.dll is (no C
// runtime DLL) reaches an allocator only through its imports, so with every allocator import
// rerouted, a count of 0 over a stretch of calls means the module's own code allocated nothing
// there. Calls the system makes inside its own DLLs (a font created by GDI) are not the module's
// and are not counted.
#pragma once

#include "platform/platform.h"

#include <string>

enum { MaxCountedImports = 32 };

struct AllocationCounter {
    HMODULE Module;
    int Imports;                          // allocator imports found and rerouted
    const char* Names[MaxCountedImports]; // their names, e.g. "LocalAlloc"
    long Calls[MaxCountedImports];        // calls made while counting, per import
};

// Reroutes every allocator import of module; returns false when its import table cannot be read.
bool CountAllocations(HMODULE module, AllocationCounter* counter);

// Counting runs only between these, so the caller's own set-up is not counted.
void StartCounting(AllocationCounter* counter);
void StopCounting();

// Calls counted since StartCounting, over all imports.
long CountedCalls(const AllocationCounter* counter);

// "LocalAlloc 0, LocalReAlloc 0", or "none imported".
std::string DescribeCounts(const AllocationCounter* counter);
