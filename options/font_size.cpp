#include "platform/platform.h"
#include "options/font_size.h"
#include "platform/scaling.h"

#include <limits.h>

const int FontSizeList[FontSizeCount] = {7,  8,  9,  10, 12, 14, 16, 18, 20, 22,
                                         24, 26, 28, 30, 32, 34, 36, 38, 40, 42,
                                         44, 46, 48, 50, 54, 56, 60, 64, 68, 72};

int ParseInt(const WCHAR** cursor) {
    const WCHAR* p = *cursor;
    bool negative = false;
    if (*p == TEXT('-')) {
        negative = true;
        ++p;
    }
    int value = 0;
    for (; *p >= TEXT('0') && *p <= TEXT('9'); ++p) {
        int digit = *p - TEXT('0');
        value = value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
    }
    *cursor = p;
    return negative ? -value : value;
}

int PointSizeOfHeight(LONG height, int dpi) {
    LONGLONG magnitude = height < 0 ? -(LONGLONG)height : height;
    return ScaleRound(magnitude, PointsPerInch, dpi);
}

LONG HeightOfPointSize(int pointSize, int dpi) {
    return -ScaleRound(pointSize, dpi, PointsPerInch);
}
