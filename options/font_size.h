// Point sizes of the Select Font dialog and their conversion to and from pixel heights. Pure
// arithmetic, no platform calls, so it builds natively for the fuzzer too.
#pragma once

#include "platform/platform.h"

enum { FontSizeCount = 30, PointsPerInch = 72 };

// The point sizes offered, in list order.
extern const int FontSizeList[FontSizeCount];

// Reads an optional '-' and a run of decimal digits at *cursor and moves the cursor past them; a
// value beyond the 32-bit range is held at its limit. Text without digits gives 0.
int ParseInt(const WCHAR** cursor);

// The point size of a font height on a screen of dpi pixels per inch (dpi > 0), rounded; a
// positive and a negative height of the same magnitude are the same size. A size beyond the
// 32-bit range (a huge stored height on a low resolution) is held at its limit.
int PointSizeOfHeight(LONG height, int dpi);

// The font height, negated as LOGFONTW holds a character height, of a point size (0 or more) on a
// screen of dpi pixels per inch (dpi > 0), rounded; held at the 32-bit limit.
LONG HeightOfPointSize(int pointSize, int dpi);
