// The item window's message handler: settings on create, the seconds timer, background, paint, the
// host's refresh query, the Today screen's highlight, taps and the action key.
#pragma once

#include "platform/platform.h"

enum { SecondsTimerId = 1, SecondsTimerPeriod = 1000 };

LRESULT CALLBACK ItemWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
