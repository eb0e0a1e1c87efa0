// Fuzzes the Select Font dialog's arithmetic. ParseInt must read exactly what a plain reference
// reading reads (optional '-', then digits, held at INT_MAX) and stop where it stops, never past
// the terminator; the point-size and height conversions must equal exact rounding of the true
// quotient, held at the 32-bit limit, for any height and any positive resolution; and from 72 dpi
// up every listed size must come back from its own height, which is what selects it in the list.
#include "platform/platform.h"
#include "options/font_size.h"

#include <limits.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Bytes the input starts with: mode, height (4), resolution (4), point size (4).
enum { HeaderBytes = 1 + 4 + 4 + 4, MaxTextUnits = 4096 };

// Units a text is drawn from in alphabet mode, so long digit runs and signs come often.
const WCHAR Alphabet[] = {u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7',
                          u'8', u'9', u'-', u'+', u' ', u'x', u'/', u':'};

void Check(bool ok, const char* what, long long a, long long b, long long c) {
    if (ok)
        return;
    fprintf(stderr, "font_size_fuzz: %s (%lld, %lld, %lld)\n", what, a, b, c);
    abort();
}

uint32_t Read32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// x * m / d rounded half up, x, m >= 0, d > 0, held at INT_MAX: the quotient and its remainder
// rather than the code's added half divisor.
long long ExactRounded(long long x, long long m, long long d) {
    long long product = x * m; // below 2^31 * 2^31: no wrap
    long long quotient = product / d;
    long long remainder = product % d;
    long long rounded = quotient + (2 * remainder >= d ? 1 : 0);
    return rounded > INT_MAX ? INT_MAX : rounded;
}

void CheckParseInt(const WCHAR* text, int units) {
    int at = 0;
    bool negative = false;
    if (at < units && text[at] == u'-') {
        negative = true;
        ++at;
    }
    long long value = 0;
    for (; at < units && text[at] >= u'0' && text[at] <= u'9'; ++at) {
        value = value * 10 + (text[at] - u'0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    const long long expected = negative ? -value : value;

    const WCHAR* cursor = text;
    const int got = ParseInt(&cursor);
    Check(got == expected, "ParseInt value", got, expected, units);
    Check(cursor - text == at, "ParseInt cursor", cursor - text, at, units);
}

void CheckPointSize(int32_t height, int dpi) {
    const long long magnitude = height < 0 ? -(long long)height : height;
    const int size = PointSizeOfHeight(height, dpi);
    Check(size >= 0, "point size negative", height, dpi, size);
    Check(size == ExactRounded(magnitude, PointsPerInch, dpi), "point size", height, dpi, size);
    if (height != INT32_MIN)
        Check(PointSizeOfHeight(-height, dpi) == size, "point size by sign", height, dpi, size);
}

void CheckHeight(int pointSize, int dpi) {
    const LONG height = HeightOfPointSize(pointSize, dpi);
    Check(height <= 0, "height positive", pointSize, dpi, height);
    Check(-(long long)height == ExactRounded(pointSize, dpi, PointsPerInch), "height", pointSize,
          dpi, height);
}

// Every listed size stored at this resolution selects itself again when the dialog reopens: its
// height converts back to the size and to no other entry.
void CheckRoundTrip(int dpi) {
    for (int j = 0; j < FontSizeCount; ++j) {
        const LONG height = HeightOfPointSize(FontSizeList[j], dpi);
        CheckHeight(FontSizeList[j], dpi);
        Check(PointSizeOfHeight(height, dpi) == FontSizeList[j], "round trip", FontSizeList[j], dpi,
              height);
    }
}

// The list's own entries, written as the dialog writes them ("%d"), read back by ParseInt.
void CheckListedTexts() {
    for (int j = 0; j < FontSizeCount; ++j) {
        char digits[16];
        const int length = snprintf(digits, sizeof digits, "%d", FontSizeList[j]);
        WCHAR text[16];
        for (int i = 0; i <= length; ++i)
            text[i] = (WCHAR)digits[i];
        const WCHAR* cursor = text;
        Check(ParseInt(&cursor) == FontSizeList[j] && cursor == text + length, "listed text",
              FontSizeList[j], length, 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CheckListedTexts();
    // The resolutions of the devices and prefixes the item is tested on.
    const int resolutions[] = {96, 131, 192};
    for (int dpi : resolutions)
        CheckRoundTrip(dpi);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < HeaderBytes)
        return 0;
    const uint8_t mode = data[0];
    const int32_t height = (int32_t)Read32(data + 1);
    // Any positive resolution: the dialog falls back to 96 for anything else.
    const int dpi = (int)(Read32(data + 5) & 0x7FFFFFFF);
    const int pointSize = (int)(Read32(data + 9) & 0x7FFFFFFF);
    data += HeaderBytes;
    size -= HeaderBytes;

    if (dpi > 0) {
        CheckPointSize(height, dpi);
        CheckHeight(pointSize, dpi);
        // Small sizes and resolutions too, where rounding is decided.
        CheckHeight(pointSize % 128, dpi % 1024 + 1);
        CheckPointSize(height % 4096, dpi % 1024 + 1);
        if (dpi >= PointsPerInch)
            CheckRoundTrip(dpi);
        if (dpi % 1024 + 1 >= PointsPerInch)
            CheckRoundTrip(dpi % 1024 + 1);
    }

    // The text: raw UTF-16 units, or bytes mapped onto digits, signs and a few others. Held in a
    // block of exactly its units and the terminator, so a read past the terminator is caught.
    const bool alphabet = mode & 1;
    int units = (int)(alphabet ? size : size / 2);
    if (units > MaxTextUnits)
        units = MaxTextUnits;
    WCHAR* text = (WCHAR*)malloc((size_t)(units + 1) * sizeof(WCHAR));
    for (int i = 0; i < units; ++i)
        text[i] = alphabet ? Alphabet[data[i] % (sizeof Alphabet / sizeof Alphabet[0])]
                           : (WCHAR)(data[2 * i] | data[2 * i + 1] << 8);
    text[units] = 0;
    // The reference stops at the terminator as ParseInt must: an embedded zero ends the text.
    int length = 0;
    while (length < units && text[length] != 0)
        ++length;
    CheckParseInt(text, length);
    free(text);
    return 0;
}
