// Taps on the item: a tap takes the Today screen's highlight and, once the stylus comes up on the
// item, opens Clock & Alarms; a tap and hold opens the item's menu instead.
#pragma once

#include "platform/platform.h"

void ItemButtonDown(HWND window, POINT at);
void ItemButtonUp(HWND window, POINT at);

// The window is going away: a tap begun on it ends nowhere.
void ForgetTap(HWND window);
