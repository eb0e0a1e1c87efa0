// The Today screen's highlight on the item: which item window holds it, and its colours.
#pragma once

#include "platform/platform.h"

extern HWND SelectedItem; // the item window the highlight is on; null while it is elsewhere

// Puts the highlight on the window or takes it off, and has the window redrawn with it.
void SelectItem(HWND window, bool selected);

// The theme's highlight colours when the window holds the highlight: true with the background and
// the text colour, false for the item's ordinary look (not selected, or a host that gives no
// highlight the text could be read on).
bool ItemHighlight(HWND window, COLORREF* background, COLORREF* text);
