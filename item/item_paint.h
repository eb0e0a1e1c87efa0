// Drawing the item: icon, then the time and/or date text in their fonts, colour and placement.
#pragma once

#include "platform/platform.h"

enum { PaintTextCapacity = 256 };

// Pixels of a 96-dpi screen: where the text starts when the icon is shown, and how far right-placed
// text stays from the item's right edge.
enum { TextMarginAt96 = 28, RightMarginAt96 = 2 };

extern SYSTEMTIME LastPaintedTime; // the local time the last paint drew

// Draws the item into dc over client (the item's client rectangle). window is the item window:
// its parent is asked for the theme's text colour when the settings hold no colour of their own.
void PaintItem(HWND window, HDC dc, RECT client);
