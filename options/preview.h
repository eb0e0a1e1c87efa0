// The two preview lines of the options and Format dialogs: the item's text for a fixed moment.
#pragma once

#include "platform/platform.h"

enum { PreviewLineCapacity = 128 };

// Fills both lines by the live layout, display type and formats, each item followed by a space.
// Each line holds at most capacity units, terminator included; text that does not fit is cut.
void FormatPreviewLines(WCHAR* line1, WCHAR* line2, int capacity);

// Sets the dialog's preview controls to the two lines.
void UpdatePreview(HWND dialog);
