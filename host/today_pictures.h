// today.exe's pictures: the Today screen as it shows now, and the dialog on top.
#pragma once

#include "platform/platform.h"

// Writes the screen's client area to Args.Snapshot and says so, with the screen's size and the
// item's row height; false (said too) when the picture cannot be written.
bool TakeSnapshot();

// Writes the dialog's whole window, frame and caption included, to Args.DialogSnapshot.
bool TakeDialogSnapshot(HWND dialog);
