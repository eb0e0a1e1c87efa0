// Keeps the Wine desktop of a test prefix open while a test run uses it. Wine closes the desktop
// a second after the last program attached to it exits, and the desktop process holds the output
// pipes of the program that started it until then: every window-using test would cost that second
// and start the next one against a desktop being torn down. Attached here, the desktop lasts until
// scripts/test ends the prefix's server.
#include "platform/platform.h"

int main() {
    // Any window call attaches the thread to the desktop; a message-only window stays out of every
    // enumeration and focus change the suites make.
    HWND holder = CreateWindowExW(0, L"STATIC", L"desktop keeper", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  NULL, GetModuleHandleW(NULL), NULL);
    if (holder == NULL && GetDesktopWindow() == NULL)
        return 1;
    for (;;)
        Sleep(INFINITE);
}
