#include "platform/platform.h"
#include "platform/screen_resolution.h"
#include "item/screen_scale.h"
#include "resources/resource.h"

enum { IconSizeAt96 = 16 };

HICON ItemIcon;

// One slot per axis; the value is kept whatever the first query gave, -1 included.
static int DpiValue[2];
static int DpiKnown[2];

// A failed query gives -1, which the item caches like any answer.
static int QueryScreenDpi(int index) {
    return ScreenResolution(index, -1);
}

int ScreenDpi(int index) {
    if (index != LOGPIXELSX && index != LOGPIXELSY)
        return QueryScreenDpi(index);
    int slot = index == LOGPIXELSY;
    if (!DpiKnown[slot]) {
        DpiValue[slot] = QueryScreenDpi(index);
        DpiKnown[slot] = 1;
    }
    return DpiValue[slot];
}

void LoadItemIcon(HINSTANCE instance) {
    int width = ScaleRound(IconSizeAt96, ScreenDpi(LOGPIXELSX), ReferenceDpi);
    int height = ScaleRound(IconSizeAt96, ScreenDpi(LOGPIXELSY), ReferenceDpi);
    ItemIcon = (HICON)LoadImageW(instance, MAKEINTRESOURCEW(IDI_ITEM), IMAGE_ICON, width, height,
                                 LR_DEFAULTCOLOR);
}

void DestroyItemIcon() {
    if (ItemIcon)
        DestroyIcon(ItemIcon);
    ItemIcon = NULL;
}
