#include "platform/platform.h"
#include "faults/import_faults.h"
#include "faults/import_stubs.h"

FaultPlan Plan;
StubSlot StubSlots[MostKeys];

namespace {

std::vector<LedgerEntry> Ledger;
std::vector<DWORD> Processes;

void Made(ULONG_PTR object, const ImportFault& row) {
    if (object)
        Ledger.push_back({object, row.Name});
}

void Released(ULONG_PTR object) {
    for (size_t i = Ledger.size(); i-- > 0;) {
        if (Ledger[i].Object == object) {
            Ledger.erase(Ledger.begin() + i);
            return;
        }
    }
}

} // namespace

bool FailsNow(int key) {
    if (!Plan.Armed)
        return false;
    StubSlot& slot = StubSlots[key];
    unsigned call = ++slot.Calls;
    return key == Plan.Key && (call == Plan.At || (Plan.From && call > Plan.At));
}

ULONG_PTR FailureOf(const ImportFault& row, const ULONG_PTR* arguments) {
    if (row.LastError)
        SetLastError(row.LastError);
    if (row.Kind == FailsAsMessage) {
        UINT message = (UINT)arguments[row.ResultArgument];
        bool comboBox = message >= CB_GETEDITSEL && message < CB_MSGMAX;
        return comboBox ? (ULONG_PTR)(LONG_PTR)CB_ERR : 0;
    }
    if (row.ResultArgument >= 0)
        return arguments[row.ResultArgument];
    return row.Result;
}

void NoteCall(const ImportFault& row, const ULONG_PTR* arguments, ULONG_PTR result) {
    ULONG_PTR argument = arguments[row.LedgerArgument];
    switch (row.Ledger) {
    case MakesResult: Made(result, row); break;
    case MakesOut:
        if (result == ERROR_SUCCESS)
            Made((ULONG_PTR) * (HKEY*)argument, row);
        break;
    case MakesProcess:
        if (result) {
            const PROCESS_INFORMATION* started = (const PROCESS_INFORMATION*)argument;
            Made((ULONG_PTR)started->hProcess, row);
            Made((ULONG_PTR)started->hThread, row);
            Processes.push_back(started->dwProcessId);
        }
        break;
    case FreesArgument: Released(argument); break;
    case FreesPaint: Released((ULONG_PTR)((const PAINTSTRUCT*)argument)->hdc); break;
    case Reallocates:
        if (result) {
            Released(arguments[0]);
            Made(result, row);
        }
        break;
    case NoLedger: break;
    }
}

void* StubFor(const ImportFault& row, void* function) {
    StubSlots[row.Key].Function = function;
    StubSlots[row.Key].Row = &row;
    return row.Stub ? row.Stub : function;
}

unsigned CallsOf(const ImportFault& row) {
    return StubSlots[row.Key].Calls;
}

const std::vector<LedgerEntry>& OutstandingObjects() {
    return Ledger;
}

const std::vector<DWORD>& StartedProcesses() {
    return Processes;
}
