// The import address table of a loaded module: every function it imports by name, with the slot
// the loader filled in. A statically linked module such as morvane.dll reaches the system only
// through these slots, so a suite or the bench can reroute one through a counter of its own and
// see every call the module makes to it.
#pragma once

#include "platform/platform.h"

#include <string.h>

// Calls visit(library, name, slot) for each import of the module, name null for one by ordinal;
// false when it has no import table.
template <typename Visit> bool ForEachImportSlot(HMODULE module, Visit visit) {
    BYTE* base = (BYTE*)module;
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return false;
    for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + directory.VirtualAddress);
         d->Name; ++d) {
        IMAGE_THUNK_DATA* names =
            (IMAGE_THUNK_DATA*)(base +
                                (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            const char* name = nullptr;
            if (!IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                name = (const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name;
            visit((const char*)(base + d->Name), name, (void**)&slots->u1.Function);
        }
    }
    return true;
}

// Calls visit(name, slot) for each import by name of the module; false when it has no import
// table.
template <typename Visit> bool ForEachImport(HMODULE module, Visit visit) {
    return ForEachImportSlot(module, [&](const char*, const char* name, void** slot) {
        if (name)
            visit(name, slot);
    });
}

// Writes to into the slot, which lies in a read-only page once the loader is done.
inline void RerouteSlot(void** slot, void* to) {
    DWORD previous;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous);
    *slot = to;
    VirtualProtect(slot, sizeof *slot, previous, &previous);
}

// Reroutes the module's import of the function to to; returns what the slot held (the function
// itself), or null when the module does not import it.
inline void* RerouteImport(HMODULE module, const char* function, void* to) {
    void* original = nullptr;
    ForEachImport(module, [&](const char* name, void** slot) {
        if (strcmp(name, function) != 0)
            return;
        original = *slot;
        RerouteSlot(slot, to);
    });
    return original;
}
