#include "platform/platform.h"
#include "faults/import_table.h"
#include "faults/import_stubs.h"
#include "platform/shell_dialog.h"
#include "platform/shell_gesture.h"

#include <commdlg.h>

#include <stdio.h>
#include <string.h>

namespace {

struct Row {
    ImportFault Fault = {};

    Row& Fails(ULONG_PTR result, DWORD error) {
        Fault.Kind = FailsWith;
        Fault.Result = result;
        Fault.LastError = error;
        return *this;
    }
    // A message function: the message is argument `message`.
    Row& FailsAsMessage(int message) {
        Fault.Kind = ::FailsAsMessage;
        Fault.ResultArgument = message;
        return *this;
    }
    Row& ReturnsArgument(int argument) {
        Fault.ResultArgument = argument;
        return *this;
    }
    Row& ReleasesAnyway(ULONG_PTR result, DWORD error) {
        Fails(result, error);
        Fault.Kind = ::ReleasesAnyway;
        return *this;
    }
    Row& CannotFail(const char* reason) {
        Fault.Kind = ::CannotFail;
        Fault.Reason = reason;
        return *this;
    }
    Row& Ledger(LedgerRole role, int argument = 0) {
        Fault.Ledger = role;
        Fault.LedgerArgument = argument;
        return *this;
    }
};

template <int Key, typename Signature> Row Import(const char* name, Signature signature) {
    Row row;
    row.Fault.Name = name;
    row.Fault.Key = Key;
    row.Fault.ResultArgument = -1;
    row.Fault.Stub = StubOf<Key>(signature);
    return row;
}

// The function's own type, from its declaration, without taking its address.
#define IMPORT(function) Import<__COUNTER__>(#function, (decltype(&function))0)

// The failure results are those each function's reference page gives; the last errors are the
// ones a short memory or a bad handle gives. A LocalFree that fails returns its argument.
const ImportFault Table[] = {
    // advapi32: the registry returns its error instead of setting the last error.
    IMPORT(RegCloseKey).ReleasesAnyway(ERROR_INVALID_HANDLE, 0).Ledger(FreesArgument, 0).Fault,
    IMPORT(RegCreateKeyExW).Fails(ERROR_NOT_ENOUGH_MEMORY, 0).Ledger(MakesOut, 7).Fault,
    IMPORT(RegOpenKeyExW).Fails(ERROR_NOT_ENOUGH_MEMORY, 0).Ledger(MakesOut, 4).Fault,
    IMPORT(RegQueryValueExW).Fails(ERROR_NOT_ENOUGH_MEMORY, 0).Fault,
    IMPORT(RegSetValueExW).Fails(ERROR_NOT_ENOUGH_MEMORY, 0).Fault,
    // comdlg32: its errors come from CommDlgExtendedError, which the library does not ask.
    IMPORT(ChooseColorW).Fails(FALSE, 0).Fault,
    // gdi32
    IMPORT(CreateFontIndirectW).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesResult).Fault,
    IMPORT(CreateSolidBrush).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesResult).Fault,
    IMPORT(DeleteObject).ReleasesAnyway(FALSE, ERROR_INVALID_HANDLE).Ledger(FreesArgument).Fault,
    IMPORT(EnumFontFamiliesW).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(GetDeviceCaps).Fails(0, ERROR_INVALID_HANDLE).Fault,
    IMPORT(GetObjectW).Fails(0, ERROR_INVALID_HANDLE).Fault,
    IMPORT(GetStockObject).Fails(0, ERROR_INVALID_PARAMETER).Fault,
    IMPORT(GetTextMetricsW).Fails(FALSE, ERROR_INVALID_HANDLE).Fault,
    IMPORT(SelectObject).Fails(0, ERROR_INVALID_HANDLE).Fault,
    IMPORT(SetBkMode).Fails(0, ERROR_INVALID_HANDLE).Fault,
    IMPORT(SetTextColor).Fails(CLR_INVALID, ERROR_INVALID_HANDLE).Fault,
    // kernel32
    IMPORT(CloseHandle).ReleasesAnyway(FALSE, ERROR_INVALID_HANDLE).Ledger(FreesArgument).Fault,
    IMPORT(CreateProcessW).Fails(FALSE, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesProcess, 9).Fault,
    IMPORT(FindResourceW).Fails(0, ERROR_RESOURCE_TYPE_NOT_FOUND).Fault,
    IMPORT(GetLocalTime).CannotFail("returns nothing: the clock is always there").Fault,
    IMPORT(GetProcAddress).Fails(0, ERROR_PROC_NOT_FOUND).Fault,
    IMPORT(LoadResource).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(LocalAlloc).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesResult).Fault,
    IMPORT(LocalFree)
        .ReleasesAnyway(0, ERROR_INVALID_HANDLE)
        .ReturnsArgument(0)
        .Ledger(FreesArgument)
        .Fault,
    IMPORT(LocalReAlloc).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(Reallocates).Fault,
    IMPORT(LockResource).Fails(0, ERROR_INVALID_HANDLE).Fault,
    IMPORT(OpenEventW).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesResult).Fault,
    IMPORT(WaitForSingleObject).Fails(WAIT_FAILED, ERROR_INVALID_HANDLE).Fault,
    // user32
    IMPORT(AppendMenuW).Fails(FALSE, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(BeginPaint).Fails(0, ERROR_INVALID_WINDOW_HANDLE).Ledger(MakesResult).Fault,
    IMPORT(CreatePopupMenu).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesResult).Fault,
    IMPORT(CreateWindowExW).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(DefWindowProcW).CannotFail("its result is the message's answer, not a status").Fault,
    IMPORT(DestroyIcon)
        .ReleasesAnyway(FALSE, ERROR_INVALID_CURSOR_HANDLE)
        .Ledger(FreesArgument)
        .Fault,
    IMPORT(DestroyMenu)
        .ReleasesAnyway(FALSE, ERROR_INVALID_MENU_HANDLE)
        .Ledger(FreesArgument)
        .Fault,
    IMPORT(DialogBoxIndirectParamW).Fails((ULONG_PTR)-1, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(DialogBoxParamW).Fails((ULONG_PTR)-1, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(DrawIconEx).Fails(FALSE, ERROR_INVALID_HANDLE).Fault,
    IMPORT(DrawTextW).Fails(0, ERROR_INVALID_HANDLE).Fault,
    IMPORT(EnableWindow)
        .CannotFail("returns whether the window was disabled before, no status")
        .Fault,
    IMPORT(EndDialog).ReleasesAnyway(FALSE, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(EndPaint)
        .CannotFail("its reference page says the result is always nonzero")
        .Ledger(FreesPaint, 1)
        .Fault,
    IMPORT(FillRect).Fails(0, ERROR_INVALID_HANDLE).Fault,
    IMPORT(GetCapture)
        .CannotFail("a null result means no window has the capture, no failure")
        .Fault,
    IMPORT(GetClientRect).Fails(FALSE, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(GetDC).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesResult).Fault,
    IMPORT(GetDlgItem).Fails(0, ERROR_CONTROL_ID_NOT_FOUND).Fault,
    IMPORT(GetDlgItemTextW).Fails(0, ERROR_CONTROL_ID_NOT_FOUND).Fault,
    IMPORT(GetParent).Fails(0, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(GetWindowRect).Fails(FALSE, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(InvalidateRect).Fails(FALSE, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(KillTimer).ReleasesAnyway(FALSE, ERROR_INVALID_PARAMETER).Fault,
    IMPORT(LoadImageW).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Ledger(MakesResult).Fault,
    IMPORT(LoadStringW).Fails(0, ERROR_RESOURCE_NAME_NOT_FOUND).Fault,
    IMPORT(MapWindowPoints).Fails(0, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(MessageBoxW).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(PostMessageW).Fails(FALSE, ERROR_NOT_ENOUGH_QUOTA).Fault,
    IMPORT(RegisterClassW).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(ReleaseCapture).ReleasesAnyway(FALSE, ERROR_ACCESS_DENIED).Fault,
    IMPORT(ReleaseDC).ReleasesAnyway(0, 0).Ledger(FreesArgument, 1).Fault,
    IMPORT(SendDlgItemMessageW).FailsAsMessage(2).Fault,
    IMPORT(SendMessageW).FailsAsMessage(1).Fault,
    IMPORT(SetCapture)
        .CannotFail("returns the window that had the capture before, no status")
        .Fault,
    IMPORT(SetTimer).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(ShowWindow).CannotFail("returns whether the window was visible before, no status").Fault,
    IMPORT(TrackPopupMenuEx).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(UnregisterClassW).ReleasesAnyway(FALSE, ERROR_CLASS_DOES_NOT_EXIST).Fault,
    IMPORT(UpdateWindow).Fails(FALSE, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(ValidateRect).Fails(FALSE, ERROR_INVALID_WINDOW_HANDLE).Fault,
    IMPORT(wsprintfW)
        .CannotFail("formats a number into the caller's buffer and allocates nothing; "
                    "variadic, so it stays in place uncounted")
        .Fault,
    // aygshell
    IMPORT(SHInitDialog).Fails(FALSE, ERROR_NOT_ENOUGH_MEMORY).Fault,
    IMPORT(SHRecognizeGesture).Fails(0, ERROR_NOT_ENOUGH_MEMORY).Fault,
};

} // namespace

const ImportFault* FindImportFault(const char* name) {
    for (const ImportFault& row : Table) {
        if (strcmp(row.Name, name) == 0)
            return &row;
    }
    return nullptr;
}

void PrintCalls() {
    for (const ImportFault& row : Table) {
        if (row.Stub)
            printf("calls %s %u\n", row.Name, CallsOf(row));
    }
}
