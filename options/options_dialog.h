// The item's settings page: layout, display type and position, preview, and the sub-dialogs.
#pragma once

#include "platform/platform.h"

// Export 241: the dialog procedure the Today screen runs template 500 with.
extern "C" INT_PTR CALLBACK CustomItemOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam,
                                                     LPARAM lParam);
