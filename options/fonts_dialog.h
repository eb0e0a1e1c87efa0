// The Fonts and colour dialog: font-selection mode, the two fonts, and the text colour.
#pragma once

#include "platform/platform.h"

INT_PTR CALLBACK FontsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
