#include "platform/platform.h"
#include "item/item_font.h"

static LONG Bounded(LONG pixels) {
    if (pixels > MaxFontPixels)
        return MaxFontPixels;
    if (pixels < -MaxFontPixels)
        return -MaxFontPixels;
    return pixels;
}

HFONT CreateBoundedFont(const LOGFONTW* record) {
    LOGFONTW font = *record;
    font.lfHeight = Bounded(font.lfHeight);
    font.lfWidth = Bounded(font.lfWidth);
    return CreateFontIndirectW(&font);
}
