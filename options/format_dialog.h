// The Format dialog: time and date formats from the presets or typed.
#pragma once

#include "platform/platform.h"

INT_PTR CALLBACK FormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
