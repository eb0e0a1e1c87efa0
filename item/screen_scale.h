// Screen resolution, scaling by it, and the item icon loaded at the scaled size.
#pragma once

#include "platform/platform.h"

// Pixels per logical inch for LOGPIXELSX (88) or LOGPIXELSY (90), asked of the platform once per
// process and cached; -1 when the screen's device context could not be had.
int ScreenDpi(int index);

enum { ReferenceDpi = 96 }; // the resolution lengths are given for

// sign(a) * ((|a| * b + c / 2) / c): a rounded multiply-divide; 0 when c is 0.
int ScaleRound(int a, int b, int c);

// (k * dpi + 48) / 96: a length of k pixels on a 96-dpi screen, on this screen.
int ScaleFrom96(int k, int dpi);

extern HICON ItemIcon; // icon 2, 16x16 scaled to the screen; null until loaded

void LoadItemIcon(HINSTANCE instance);
void DestroyItemIcon();
