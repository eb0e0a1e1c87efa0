// What each function morvane.dll imports does when it fails, and the stand-in that takes its
// place in the library's import address table: it counts the calls, fails the one the plan names
// with the function's documented failure result and last error, and otherwise calls the function
// itself. Every stand-in also keeps a ledger of what the library made and has not yet released,
// so a run can tell which of the library's own objects outlived it.
#pragma once

#include "platform/platform.h"

#include <vector>

enum FaultKind {
    FailsWith,      // returns Result, with LastError
    FailsAsMessage, // a sent message that is not delivered: CB_ERR for a combo box's, else 0
    ReleasesAnyway, // releases the object, then reports failure: the caller's answer is tested
                    // without the run leaking on its behalf
    CannotFail,     // counted only; Reason says why
};

// What a call does to the ledger of the library's objects.
enum LedgerRole {
    NoLedger,
    MakesResult,   // the result is a new object (a null result is none)
    MakesOut,      // the object lands where argument LedgerArgument points, on success
    MakesProcess,  // a PROCESS_INFORMATION at argument LedgerArgument: two handles and a process
    FreesArgument, // argument LedgerArgument is released
    FreesPaint,    // the PAINTSTRUCT at argument LedgerArgument holds the released context
    Reallocates,   // argument 0 is replaced by the result, on success
};

struct ImportFault {
    const char* Name;
    FaultKind Kind;
    ULONG_PTR Result;   // the failure result
    DWORD LastError;    // set with the failure; 0 leaves the last error alone
    int ResultArgument; // FailsAsMessage: the message's argument; otherwise, when not -1, the
                        // failure result is this argument
    LedgerRole Ledger;
    int LedgerArgument;
    const char* Reason; // CannotFail: why the library may rely on the result
    void* Stub;         // null: a variadic function, left in place and not counted
    int Key;
};

// The plan of one run: the Nth call of the function with this key fails, and with From every
// call after it too. Counting and failing happen only while Armed.
struct FaultPlan {
    int Key = -1;
    unsigned At = 0;
    bool From = false;
    bool Armed = false;
};
extern FaultPlan Plan;

// What goes in the import slot of the row's function: its stand-in, which keeps the function.
void* StubFor(const ImportFault& row, void* function);
// Calls counted for the row while armed.
unsigned CallsOf(const ImportFault& row);

// Objects the library made through its imports and has not released, and processes it started.
struct LedgerEntry {
    ULONG_PTR Object;
    const char* MadeBy;
};
const std::vector<LedgerEntry>& OutstandingObjects();
const std::vector<DWORD>& StartedProcesses();
