// The item's tap-and-hold menu: Clock & Alarms, and the item's settings page in place, after which
// the Today screen is asked to load its items again when the item now needs another height.
#pragma once

#include "platform/platform.h"

// Posted by the item to itself when its settings page closed with a height the Today screen does
// not know yet. Its handler asks for the reload as its last act: the Today screen destroys the
// item's window in answer, and the request may not be posted (its lParam may be a string).
enum { WM_ITEM_RELOADTODAY = WM_APP + 1 };

// Shows the menu at the point (in the item's coordinates) and does what is picked.
void RunItemMenu(HWND window, POINT at);

// Asks the Today screen, and every other top-level window, to load the Today items again.
void RequestTodayReload();
