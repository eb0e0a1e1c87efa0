#include "platform/platform.h"
#include "item/item_selection.h"
#include "platform/today_host.h"

HWND SelectedItem;

void SelectItem(HWND window, bool selected) {
    if (selected)
        SelectedItem = window;
    else if (SelectedItem == window)
        SelectedItem = NULL;
    InvalidateRect(window, NULL, TRUE);
}

bool ItemHighlight(HWND window, COLORREF* background, COLORREF* text) {
    if (window == NULL || window != SelectedItem)
        return false;
    HWND host = GetParent(window);
    *background = (COLORREF)SendMessageW(host, TODAYM_GETCOLOR, TODAYCOLOR_HIGHLIGHT, 0);
    *text = (COLORREF)SendMessageW(host, TODAYM_GETCOLOR, TODAYCOLOR_HIGHLIGHTEDTEXT, 0);
    // A host that does not know the highlight answers 0 to both: text on it would vanish.
    return *background != *text;
}
