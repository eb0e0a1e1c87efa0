// Integer division as GCC's ARM code calls it under the APCS: the processor has no divide
// instruction, libgcc's helpers are ELF objects the PE linker cannot take, and the device's
// coredll.dll exports its own helpers under other names and argument orders. These are plain
// shift-and-subtract loops: a handful of divisions per paint, never in a tight loop.
//
// A zero divisor gives a quotient of 0 and leaves the dividend as the remainder, where the
// device's own helpers raise an exception: in the Today screen's process a fault would take the
// whole screen down. (The library's code tests its divisors first.) The most negative value
// divided by -1 wraps to itself, as the processor's arithmetic would.
#include "platform/platform.h"

extern "C" {
unsigned int __umodsi3(unsigned int dividend, unsigned int divisor);
int __divsi3(int dividend, int divisor);
int __modsi3(int dividend, int divisor);
LONGLONG __divdi3(LONGLONG dividend, LONGLONG divisor);
}

// Shifts the dividend's bits through the remainder, most significant first; every shift is by a
// constant, so the 64-bit form needs no helper of its own.
template <typename Unsigned>
static Unsigned DivideUnsigned(Unsigned dividend, Unsigned divisor, Unsigned* remainder) {
    const int bits = (int)sizeof(Unsigned) * 8;
    const Unsigned top = (Unsigned)1 << (bits - 1);
    if (divisor == 0) {
        *remainder = dividend;
        return 0;
    }
    Unsigned quotient = 0;
    Unsigned rest = 0;
    for (int i = 0; i < bits; ++i) {
        // The bit shifted out of the remainder: with it the remainder is past any divisor.
        bool carry = (rest & top) != 0;
        rest = (rest << 1) | ((dividend & top) ? 1 : 0);
        dividend <<= 1;
        quotient <<= 1;
        if (carry || rest >= divisor) {
            rest -= divisor;
            quotient |= 1;
        }
    }
    *remainder = rest;
    return quotient;
}

// The magnitude of a signed value as its unsigned type, the most negative value included.
template <typename Signed, typename Unsigned> static Unsigned Magnitude(Signed value) {
    return value < 0 ? (Unsigned)0 - (Unsigned)value : (Unsigned)value;
}

// Truncating division: the quotient's sign is the operands' signs combined, the remainder's the
// dividend's.
template <typename Signed, typename Unsigned>
static Signed DivideSigned(Signed dividend, Signed divisor, Signed* remainder) {
    Unsigned rest;
    Unsigned quotient = DivideUnsigned<Unsigned>(Magnitude<Signed, Unsigned>(dividend),
                                                 Magnitude<Signed, Unsigned>(divisor), &rest);
    *remainder = (Signed)(dividend < 0 ? (Unsigned)0 - rest : rest);
    return (Signed)((dividend < 0) != (divisor < 0) ? (Unsigned)0 - quotient : quotient);
}

unsigned int __umodsi3(unsigned int dividend, unsigned int divisor) {
    unsigned int rest;
    DivideUnsigned<unsigned int>(dividend, divisor, &rest);
    return rest;
}

int __divsi3(int dividend, int divisor) {
    int rest;
    return DivideSigned<int, unsigned int>(dividend, divisor, &rest);
}

int __modsi3(int dividend, int divisor) {
    int rest;
    DivideSigned<int, unsigned int>(dividend, divisor, &rest);
    return rest;
}

LONGLONG __divdi3(LONGLONG dividend, LONGLONG divisor) {
    LONGLONG rest;
    return DivideSigned<LONGLONG, ULONGLONG>(dividend, divisor, &rest);
}
