// The Fonts and colour dialog: font-selection mode, the two fonts, and the text colour.
#pragma once

#include "platform/platform.h"

INT_PTR CALLBACK FontsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Selects the mode in the list and enables the Font... buttons the mode lets the user change.
void SyncFontControls(HWND dialog);

// Checks the colour box by UseColor and enables Color... only while it is checked.
void SyncColorControls(HWND dialog);
