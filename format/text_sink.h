// The output side shared by the formatters. A formatter supplies a token writer; RunTokens drives
// it over the format and keeps the text inside the caller's room: whole tokens go straight into
// the output while the widest token still fits, and near the end each token goes through a
// scratch slot and is cut to what is left, never leaving the first half of a surrogate pair at the
// end of the text.
#pragma once

#include "platform/platform.h"

#include <string.h>

// Built for speed, the token writer is folded into the scan, which then keeps its state in
// registers instead of passing it through memory for every token; built for size (the DLL is
// -Os), each writer stays one function. The end of the room is handled out of line either way, so
// the scan itself stays small.
#if defined(__GNUC__) && !defined(__OPTIMIZE_SIZE__)
#define FORMAT_INLINE inline __attribute__((always_inline))
#else
#define FORMAT_INLINE inline
#endif
#if defined(_MSC_VER)
#define FORMAT_OUT_OF_LINE __declspec(noinline)
#else
#define FORMAT_OUT_OF_LINE __attribute__((noinline))
#endif

// Units a token writer may touch at its destination: the widest token (" Wednesday", a space and
// a whole name slot) with room to spare. Writers store whole name slots and digit pairs, so they
// may write past the token's own text; RunTokens overwrites or ignores those units.
enum { TokenRoom = 16 };

// "00" "01" ... "99", so a number below 100 is written with one lookup.
extern const WCHAR DigitPairs[2 * 100 + 1];

// Stores the two digits of value (0-99), or only the last one when skipLead: reading the pair one
// unit later gives that digit and one spare unit, so both cases are a single two-unit move.
inline int PutPair(WCHAR* out, unsigned value, bool skipLead) {
    memcpy(out, &DigitPairs[2 * value + skipLead], 2 * sizeof(WCHAR));
    return 2 - skipLead;
}

// Decimal, no leading zeros, for 100-65535 (every WORD a SYSTEMTIME can hold). Four digits, the
// years, take two whole pairs; otherwise a lead part of one or two digits comes first. No loop, so
// the scan stays free of calls.
inline int PutWideNumber(WCHAR* out, unsigned value) {
    if (value >= 1000 && value < 10000) {
        PutPair(out, value / 100, false);
        PutPair(out + 2, value % 100, false);
        return 4;
    }
    int length;
    if (value < 1000) {
        length = PutPair(out, value / 100, true);
    } else {
        length = PutPair(out, value / 10000, true); // 1-6
        length += PutPair(out + length, value / 100 % 100, false);
    }
    return length + PutPair(out + length, value % 100, false);
}

// Decimal, no leading zeros ("%d"). Below 100 the digit count is chosen without a branch, since
// that of a day or an hour is not predictable.
inline int PutNumber(WCHAR* out, unsigned value) {
    if (value < 100)
        return PutPair(out, value, value < 10);
    return PutWideNumber(out, value);
}

// Decimal, at least two digits, zero-filled ("%02d").
inline int PutTwoDigits(WCHAR* out, unsigned value) {
    if (value < 100)
        return PutPair(out, value, false);
    return PutWideNumber(out, value);
}

// Writes the token that starts at *format to *out, which has TokenRoom units free, and advances
// out past the token's text and format past the characters it used. Every token uses at least one
// character and writes at least one unit.
// A writer is not static: C++03 takes only functions of external linkage as template arguments.
typedef void (*TokenWriter)(WCHAR*& out, const WCHAR*& format, const SYSTEMTIME* time);

// Moves past a token that wrote `units` and used `consumed` characters of the format.
inline void Advance(WCHAR*& out, const WCHAR*& format, int units, int consumed) {
    out += units;
    format += consumed;
}

// Continues a scan near the end of the room: each token goes through a scratch slot and keeps
// what fits. Then terminates, dropping a lead surrogate left without its partner by a cut, and
// returns the length of the text at out.
template <TokenWriter Writer>
FORMAT_OUT_OF_LINE int FinishTokens(WCHAR* out, WCHAR* next, WCHAR* end, const WCHAR* format,
                                    const SYSTEMTIME* time) {
    while (*format != 0 && next < end) {
        WCHAR scratch[TokenRoom];
        WCHAR* scratchEnd = scratch;
        const WCHAR* after = format;
        Writer(scratchEnd, after, time);
        const int units = (int)(scratchEnd - scratch);
        const int fit = units < end - next ? units : (int)(end - next);
        memcpy(next, scratch, fit * sizeof(WCHAR));
        next += fit;
        if (fit < units)
            break;
        format = after;
    }
    // Every token writes something, so format left over means the text was cut.
    if (*format != 0 && next > out && next[-1] >= 0xD800 && next[-1] <= 0xDBFF)
        --next;
    *next = 0;
    return (int)(next - out);
}

// Runs a token writer over a terminated format. Returns the units written before the terminator;
// terminates when capacity >= 1. Units after the terminator, within capacity, may be overwritten.
// Given as a template argument, the writer is a direct call that can be folded in; built for speed,
// the scan is folded into the formatter too.
template <TokenWriter Writer>
FORMAT_INLINE int RunTokens(WCHAR* out, int capacity, const WCHAR* format, const SYSTEMTIME* time) {
    // One unit is kept back for the terminator.
    if (capacity <= TokenRoom)
        return capacity < 1 ? 0 : FinishTokens<Writer>(out, out, out + capacity - 1, format, time);
    // Whole tokens straight into the output while the widest still fits.
    WCHAR* const roomyEnd = out + (capacity - 1 - TokenRoom);
    WCHAR* next = out;
    while (*format != 0) {
        if (next > roomyEnd)
            return FinishTokens<Writer>(out, next, roomyEnd + TokenRoom, format, time);
        Writer(next, format, time);
    }
    *next = 0;
    return (int)(next - out);
}
