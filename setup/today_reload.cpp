#include "platform/platform.h"
#include "setup/today_reload.h"
#include "platform/today_host.h"

namespace {

// The Today screen releases a library while it handles the reload; the wait covers a screen that
// is busy drawing when the request comes.
enum { ReleaseWaitMs = 5000, ReleasePollMs = 100 };

BOOL LibraryHeld(const WCHAR* library) {
    HANDLE file = CreateFileW(library, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return FALSE;
    }
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

} // namespace

void ReloadTodayItems() {
    SendMessageW(HWND_BROADCAST, WM_WININICHANGE, TodayReloadItemsFlag, 0);
}

BOOL WaitForLibraryRelease(const WCHAR* library) {
    if (!library[0])
        return TRUE;
    for (DWORD waited = 0; LibraryHeld(library); waited += ReleasePollMs) {
        if (waited >= ReleaseWaitMs)
            return FALSE;
        Sleep(ReleasePollMs);
    }
    return TRUE;
}
