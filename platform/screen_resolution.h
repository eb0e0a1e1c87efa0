// The screen's resolution, asked in this one place by the item, the shell and Today screen
// stand-ins, the tools and the suites.
#pragma once

#include "platform/platform.h"

// Pixels per inch of the screen along index (LOGPIXELSX or LOGPIXELSY); ifUnknown when the
// screen gives no device context to ask.
inline int ScreenResolution(int index, int ifUnknown) {
    HDC screen = GetDC(NULL);
    if (!screen)
        return ifUnknown;
    int value = GetDeviceCaps(screen, index);
    ReleaseDC(NULL, screen);
    return value;
}
