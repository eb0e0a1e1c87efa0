// The About dialog: product name and version, authorship notice and icon.
#pragma once

#include "platform/platform.h"

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
