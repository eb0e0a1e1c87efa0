// The fonts the item measures and draws with, made from the settings' LOGFONTW records.
#pragma once

#include "platform/platform.h"

// Larger than any font the Select Font dialog makes (72 points at 192 dpi is 192 pixels) and
// than any handheld screen.
enum { MaxFontPixels = 1024 };

// Creates the font the record describes, with its height and width held to MaxFontPixels either
// way: a stored record may ask for any size, and text thousands of pixels high takes the platform
// seconds to draw (or brings its rasteriser down) on every paint. The caller deletes the font.
HFONT CreateBoundedFont(const LOGFONTW* record);
