// today.exe's pictures: the Today screen as it shows now, and the dialog on top.
#pragma once

#include "platform/platform.h"

// Writes the screen's client area to Args.Snapshot and says so, with the screen's size and where
// the item under test's row lies; false (said too) when the picture cannot be written. A menu
// that is up shows in it when the display can be read back (Xvfb).
bool TakeSnapshot(HWND menu);

// Writes the dialog's whole window, frame and caption included, to Args.DialogSnapshot.
bool TakeDialogSnapshot(HWND dialog);
