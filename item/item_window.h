// The item window's message handler: settings on create, the seconds timer, background, paint and
// the host's refresh query.
#pragma once

#include "platform/platform.h"

enum { SecondsTimerId = 1, SecondsTimerPeriod = 1000 };

LRESULT CALLBACK ItemWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Non-zero when the shell's readiness event is set (or cannot be asked about).
int ShellIsReady();
