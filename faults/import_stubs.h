// The stand-ins themselves. Each row of the failure table gets its own instance, made from the
// type of the function it replaces, so it takes and passes on exactly the function's arguments
// in the function's own calling convention; what it does with them is in Forward.
#pragma once

#include "faults/import_faults.h"

#include <type_traits>

enum { MostKeys = 512 };

struct StubSlot {
    void* Function;
    unsigned Calls;
    const ImportFault* Row;
};
extern StubSlot StubSlots[MostKeys];

// Counts the call and says whether the plan fails it.
bool FailsNow(int key);
// The failure result of the row for these arguments, its last error set.
ULONG_PTR FailureOf(const ImportFault& row, const ULONG_PTR* arguments);
// Records in the ledger what a call that went through did.
void NoteCall(const ImportFault& row, const ULONG_PTR* arguments, ULONG_PTR result);

template <typename T> ULONG_PTR AsWord(T value) {
    return (ULONG_PTR)value;
}

template <typename R, typename Function, typename... A>
R Forward(int key, Function function, A... arguments) {
    ULONG_PTR words[] = {AsWord(arguments)..., 0};
    const ImportFault& row = *StubSlots[key].Row;
    bool fail = FailsNow(key);
    if constexpr (std::is_void_v<R>) {
        function(arguments...);
        NoteCall(row, words, 0);
    } else {
        if (fail && row.Kind != ReleasesAnyway)
            return (R)FailureOf(row, words);
        R result = function(arguments...);
        NoteCall(row, words, AsWord(result));
        if (fail)
            return (R)FailureOf(row, words);
        return result;
    }
}

template <int Key, typename R, typename... A> struct WinapiStub {
    static R WINAPI Call(A... arguments) {
        return Forward<R>(Key, (R(WINAPI*)(A...))StubSlots[Key].Function, arguments...);
    }
};

template <int Key, typename R, typename... A> void* StubOf(R(WINAPI*)(A...)) {
    return (void*)&WinapiStub<Key, R, A...>::Call;
}

#ifndef _WIN64
// The shell stand-in's functions are C functions, which differ from WINAPI ones only here.
template <int Key, typename R, typename... A> struct CdeclStub {
    static R __cdecl Call(A... arguments) {
        return Forward<R>(Key, (R(__cdecl*)(A...))StubSlots[Key].Function, arguments...);
    }
};

template <int Key, typename R, typename... A> void* StubOf(R(__cdecl*)(A...)) {
    return (void*)&CdeclStub<Key, R, A...>::Call;
}
#endif

// A variadic function cannot be passed on without knowing its arguments: it stays in place.
template <int Key, typename R, typename... A> void* StubOf(R (*)(A..., ...)) {
    return nullptr;
}
