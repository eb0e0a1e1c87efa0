// Screen resolution, scaling by it, and the item icon loaded at the scaled size.
#pragma once

#include "platform/platform.h"
#include "platform/scaling.h"

// Pixels per logical inch for LOGPIXELSX (88) or LOGPIXELSY (90), asked of the platform once per
// process and cached; -1 when the screen's device context could not be had.
int ScreenDpi(int index);

extern HICON ItemIcon; // icon 2, 16x16 scaled to the screen; null until loaded

void LoadItemIcon(HINSTANCE instance);
void DestroyItemIcon();
