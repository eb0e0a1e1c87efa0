// The one rounded multiply-divide that every length, font size and dialog size is scaled with, and
// the resolution lengths are given for.
#pragma once

#include "platform/platform.h"

#include <limits.h>

enum { ReferenceDpi = 96 }; // a length given in pixels is for a screen of this many per inch

// value * multiplier / divisor, the half rounded away from zero: sign(value) times
// (|value| * multiplier + divisor / 2) / divisor, the division truncating. Computed in 64 bits for
// any 32-bit value (and its magnitude), held at the 32-bit limits; 0 when divisor is 0.
inline int ScaleRound(LONGLONG value, int multiplier, int divisor) {
    if (divisor == 0)
        return 0;
    LONGLONG magnitude = value < 0 ? -value : value;
    LONGLONG scaled = (magnitude * multiplier + divisor / 2) / divisor;
    if (value < 0)
        scaled = -scaled;
    if (scaled > INT_MAX)
        return INT_MAX;
    return scaled < INT_MIN ? INT_MIN : (int)scaled;
}
