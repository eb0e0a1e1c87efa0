// The icon option dialog: whether the item shows its icon; opens the About dialog.
#pragma once

#include "platform/platform.h"

INT_PTR CALLBACK IconOptionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
