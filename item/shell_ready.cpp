#include "platform/platform.h"
#include "item/shell_ready.h"
#include "platform/today_host.h"

static HANDLE ShellReadyEvent; // open from the first query that found the event until detach

int ShellIsReady() {
    // The only access Windows CE's OpenEvent takes.
    if (!ShellReadyEvent)
        ShellReadyEvent = OpenEventW(EVENT_ALL_ACCESS, FALSE, SHELL_API_READY_EVENT);
    // Only a time-out means "not yet"; a host that never made the event is taken as ready.
    return !ShellReadyEvent || WaitForSingleObject(ShellReadyEvent, 0) != WAIT_TIMEOUT;
}

void ForgetShellReady() {
    if (ShellReadyEvent)
        CloseHandle(ShellReadyEvent);
    ShellReadyEvent = NULL;
}
