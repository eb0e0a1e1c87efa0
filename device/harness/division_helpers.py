#!/usr/bin/python3
"""Runs the integer-division helpers linked into the device's morvane.dll (device/runtime), in
their ARM code on the ARMv4T model, over a table of operands, against truncating division.

    division_helpers.py DEVICE_DLL LINK_MAP

Every helper the link map shows in the DLL must have rows here, and every row must pass. Exits 1
naming each failed row."""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from cpu import ArmCpu  # noqa: E402
from pe_image import Image  # noqa: E402
from session import LOAD_BASE  # noqa: E402

INT_MIN, INT_MAX = -(1 << 31), (1 << 31) - 1
UINT_MAX = (1 << 32) - 1
LLONG_MIN, LLONG_MAX = -(1 << 63), (1 << 63) - 1

# Operands, by helper. Zero divisors, the most negative value over -1, divisors with the top bit
# set (the remainder's carry), and the arithmetic the library does (a length times a resolution,
# over 96 or 72, halves added).
CASES = {
    "__divsi3": [(7, 2), (-7, 2), (7, -2), (-7, -2), (0, 5), (5, 7), (INT_MIN, -1), (INT_MIN, 1),
                 (INT_MAX, -1), (INT_MIN, INT_MIN), (INT_MAX, INT_MIN), (1, 0), (-5, 0),
                 (20 * 192 + 48, 96), (123456789, 1000)],
    "__modsi3": [(7, 2), (-7, 2), (7, -2), (-7, -2), (INT_MIN, -1), (INT_MIN, 3), (INT_MAX, 10),
                 (1, 0), (-5, 0), (-1, INT_MIN)],
    "__umodsi3": [(7, 2), (UINT_MAX, 7), (5, UINT_MAX), (0x80000000, 0x80000001),
                  (UINT_MAX, 0x80000000), (0xFFFFFFFE, 0xFFFFFFFF), (3, 0), (0, 9)],
    "__divdi3": [(7, 2), (-7, 2), (10 ** 18, 3), (-(10 ** 18), 7), (LLONG_MIN, -1),
                 (LLONG_MIN, 1), (LLONG_MAX, -2), (LLONG_MAX, LLONG_MIN), (1 << 40, (1 << 32) + 1),
                 (1, 0), (-9, 0), (72 * 192 + 48, 96), (-(INT_MIN * 96) + 36, 72)],
}
WIDE = {"__divdi3"}


def truncating(dividend, divisor, bits, remainder):
    """What the helper must give: truncation toward zero, a zero divisor giving a quotient of 0
    and the dividend as remainder, results wrapped to the operands' width."""
    if divisor == 0:
        value = dividend if remainder else 0
    else:
        quotient = abs(dividend) // abs(divisor)
        if (dividend < 0) != (divisor < 0):
            quotient = -quotient
        value = dividend - quotient * divisor if remainder else quotient
    return value & ((1 << bits) - 1)


def helper_addresses(map_path, image):
    found = {}
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            match = re.match(r"^\s+0x([0-9a-f]+)\s+(__(?:u?div|u?mod)[sd]i3)\s*$", line)
            if match:
                found[match.group(2)] = int(match.group(1), 16) - image.preferred_base + \
                    image.base
    return found


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    image = Image(argv[1], LOAD_BASE)
    cpu = ArmCpu(image)
    helpers = helper_addresses(argv[2], image)
    failures = [f"{name}: in the DLL, but no rows in the table" for name in helpers
                if name not in CASES]
    failures += [f"{name}: rows in the table, but not in the DLL" for name in CASES
                 if name not in helpers]
    rows = 0
    for name, address in sorted(helpers.items()):
        wide = name in WIDE
        bits = 64 if wide else 32
        for dividend, divisor in CASES.get(name, []):
            if wide:
                args = [dividend & UINT_MAX, dividend >> 32 & UINT_MAX, divisor & UINT_MAX,
                        divisor >> 32 & UINT_MAX]
            else:
                args = [dividend & UINT_MAX, divisor & UINT_MAX]
            got = cpu.call(address, args, callee_pops=True, wide=wide) & ((1 << bits) - 1)
            expected = truncating(dividend, divisor, bits, "mod" in name)
            rows += 1
            if got != expected:
                failures.append(f"{name}({dividend}, {divisor}) = {got:#x}, not {expected:#x}")
    for failure in failures:
        print(f"division_helpers: {failure}")
    if failures:
        return 1
    print(f"division_helpers: {len(helpers)} helpers ({', '.join(sorted(helpers))}), "
          f"{rows} rows, all as truncating division")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
