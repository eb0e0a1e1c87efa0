#include "platform/platform.h"
#include "faults/fault_loader.h"
#include "faults/import_table.h"
#include "tests/support/imports.h"

#include <stdio.h>

namespace {

typedef BOOL(WINAPI* ModuleEntry)(HINSTANCE, DWORD, LPVOID);

const char* KindName(FaultKind kind) {
    switch (kind) {
    case FailsWith: return "fails";
    case FailsAsMessage: return "fails as a message";
    case ReleasesAnyway: return "releases, then fails";
    case CannotFail: return "cannot fail";
    }
    return "?";
}

// Visits each import with its row; false, naming the first, when one has no row or no name.
template <typename Visit> bool EachImportWithRow(HMODULE library, Visit visit) {
    bool known = true;
    bool table = ForEachImportSlot(library, [&](const char* dll, const char* name, void** slot) {
        if (!known)
            return;
        if (!name) {
            fprintf(stderr,
                    "fault_injector: %s is imported by ordinal; the table names functions\n", dll);
            known = false;
            return;
        }
        const ImportFault* row = FindImportFault(name);
        if (!row) {
            fprintf(stderr, "fault_injector: no failure result for %s!%s: add it to the table\n",
                    dll, name);
            known = false;
            return;
        }
        visit(dll, *row, slot);
    });
    if (!table)
        fprintf(stderr, "fault_injector: the library has no import table\n");
    return table && known;
}

HMODULE MapOnly(const WCHAR* path) {
    HMODULE library = LoadLibraryExW(path, NULL, DONT_RESOLVE_DLL_REFERENCES);
    if (!library)
        fprintf(stderr, "fault_injector: cannot load %ls (error %lu)\n", path, GetLastError());
    return library;
}

} // namespace

HMODULE LoadWithStubs(const WCHAR* path) {
    HMODULE library = MapOnly(path);
    if (!library)
        return NULL;
    bool found = true;
    bool bound =
        EachImportWithRow(library, [&](const char* dll, const ImportFault& row, void** slot) {
            HMODULE from = LoadLibraryA(dll);
            void* function = from ? (void*)GetProcAddress(from, row.Name) : nullptr;
            if (!function) {
                fprintf(stderr, "fault_injector: %s!%s is not there\n", dll, row.Name);
                found = false;
                return;
            }
            RerouteSlot(slot, StubFor(row, function));
        });
    if (!bound || !found) {
        FreeLibrary(library);
        return NULL;
    }
    CallEntry(library, DLL_PROCESS_ATTACH);
    return library;
}

void CallEntry(HMODULE library, DWORD reason) {
    BYTE* base = (BYTE*)library;
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    ModuleEntry entry = (ModuleEntry)(void*)(base + nt->OptionalHeader.AddressOfEntryPoint);
    entry(library, reason, NULL);
}

bool ListImports(const WCHAR* path) {
    HMODULE library = MapOnly(path);
    if (!library)
        return false;
    bool known = EachImportWithRow(library, [](const char* dll, const ImportFault& row, void**) {
        printf("%-12s %-24s %s%s%s\n", dll, row.Name, KindName(row.Kind), row.Reason ? ": " : "",
               row.Reason ? row.Reason : "");
    });
    FreeLibrary(library);
    return known;
}
