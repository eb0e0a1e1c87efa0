// Fonts by name for the suites, and what the screen makes of them.
#pragma once

#include "platform/platform.h"

#include <string.h>

// A logical font of a face, height (negative: character height in pixels), weight and slant.
inline LOGFONTW MakeFont(const WCHAR* face, LONG height, LONG weight = FW_NORMAL, BYTE italic = 0) {
    LOGFONTW font;
    memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

// DejaVu Sans, the face whose sizes the item suites measure with, of a height.
inline LOGFONTW FontOfHeight(int height) {
    return MakeFont(L"DejaVu Sans", height);
}

// The system font's description, as the default font mode holds it.
inline LOGFONTW SystemFontRecord() {
    LOGFONTW font;
    memset(&font, 0, sizeof font);
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
    return font;
}

// The screen's metrics of a font, and the width of a text in it.
inline TEXTMETRICW MeasureFont(const LOGFONTW& logFont) {
    HDC dc = GetDC(NULL);
    HFONT font = CreateFontIndirectW(&logFont);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
    return metrics;
}

inline int TextWidth(const LOGFONTW& logFont, const WCHAR* text) {
    HDC dc = GetDC(NULL);
    HFONT font = CreateFontIndirectW(&logFont);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
    return size.cx;
}
