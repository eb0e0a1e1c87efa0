#!/usr/bin/python3
"""Turns the ELF assembly GCC writes for ARM into assembly the PE assembler for Windows CE takes.

    asm_filter.py IN.s OUT.s

GCC for arm-none-eabi writes sections, symbol types and unwind tables in ELF's terms; the
arm-mingw32ce assembler knows PE/COFF's. Each directive is kept, mapped or dropped by the tables
below; anything else stops the filter with the line it refused, so a construct nobody looked at
never reaches the device as a guess.
"""
import re
import sys

# Directives the PE assembler reads as GCC meant them.
KEPT = {
    ".align", ".p2align", ".balign", ".arch", ".fpu", ".syntax", ".arm", ".file",
    ".text", ".data", ".bss", ".global", ".globl", ".set", ".equ", ".word", ".long", ".4byte",
    ".short", ".hword", ".2byte", ".byte", ".ascii", ".asciz", ".string", ".space", ".zero",
    ".ltorg", ".pool",
}

# ELF-only facts with no meaning in PE: symbol types and sizes, the compiler's name, EABI build
# attributes, visibility, and the ARM exception-table annotations (the device unwinds nothing of
# ours: the DLL is built without exceptions).
DROPPED = {
    ".type", ".size", ".ident", ".eabi_attribute", ".hidden", ".fnstart", ".fnend", ".save",
    ".vsave", ".pad", ".setfp", ".movsp", ".cantunwind", ".personality", ".personalityindex",
    ".handlerdata", ".unwind_raw",
}

# ELF section name prefixes and the PE section each becomes, with its PE flags.
SECTION_KINDS = (
    (".text", ".text", "xr"),
    (".rodata", ".rdata", "dr"),
    (".data.rel.ro", ".rdata", "dr"),
    (".data", ".data", "dw"),
    (".bss", ".bss", "bw"),
)

# Sections whose contents are left out whole: notes and the ARM EABI's attribute and unwind
# tables.
DROPPED_SECTIONS = (".note", ".ARM.")

DIRECTIVE = re.compile(r"^\s*(\.[A-Za-z_][A-Za-z0-9_.]*)\b(.*)$")


class Refused(Exception):
    pass


def split_operands(text):
    """The comma-separated operands of a directive, quotes respected."""
    operands, current, quoted = [], "", False
    for ch in text:
        if ch == '"':
            quoted = not quoted
        if ch == "," and not quoted:
            operands.append(current.strip())
            current = ""
        else:
            current += ch
    if current.strip():
        operands.append(current.strip())
    return operands


def map_section(operands):
    """The PE lines for an ELF .section directive, with whether it is a COMDAT group and whether
    its contents are dropped."""
    name = operands[0]
    if name.startswith(DROPPED_SECTIONS):
        return [], False, True
    flags = operands[1].strip('"') if len(operands) > 1 else ""
    comdat = "G" in flags
    if comdat and (len(operands) < 5 or operands[4] != "comdat"):
        raise Refused("a section group that is not a COMDAT")
    for prefix, pe_name, pe_flags in SECTION_KINDS:
        if name == prefix or name.startswith(prefix + "."):
            suffix = name[len(prefix) + 1:] if name != prefix else ""
            # A COMDAT keeps its own section, so the linker can keep one copy; a function's own
            # section (-ffunction-sections) keeps its name too, so unused code can be dropped.
            if comdat:
                suffix = operands[3]
            if pe_name == ".text" and suffix:
                lines = [f'\t.section\t.text${suffix},"{pe_flags}"']
            elif comdat:
                lines = [f'\t.section\t{pe_name}${suffix},"{pe_flags}"']
            else:
                lines = [f'\t.section\t{pe_name},"{pe_flags}"']
            if comdat:
                lines.append("\t.linkonce\tdiscard")
            return lines, comdat, False
    raise Refused(f"a section of unknown kind '{name}'")


def filter_lines(lines):
    out = []
    dropping = False  # inside a section whose contents are left out
    comdat = False  # inside a COMDAT section, where GCC marks the group's symbols weak
    for number, line in enumerate(lines, 1):
        try:
            stripped = line.strip()
            match = DIRECTIVE.match(line)
            directive = match.group(1) if match else None
            if directive in (".text", ".data", ".bss"):
                dropping, comdat = False, False
                out.append(line)
                continue
            if directive == ".section":
                mapped, comdat, dropping = map_section(split_operands(match.group(2)))
                out.extend(mapped)
                continue
            if dropping:
                continue
            if not stripped or stripped.startswith("@"):
                out.append(line)
                continue
            if directive is None:
                # Labels and instructions; a local label may look like a directive only when it
                # ends in a colon, which the pattern above does not take.
                out.append(line)
                continue
            if directive in DROPPED:
                continue
            if directive == ".weak":
                if not comdat:
                    raise Refused("a weak symbol outside a COMDAT section")
                out.append("\t.globl\t" + match.group(2).strip())
                continue
            if directive in (".comm", ".lcomm"):
                raise Refused("a common symbol (compile with -fno-common)")
            if directive in KEPT:
                out.append(line)
                continue
            if stripped.split()[0].endswith(":"):
                out.append(line)
                continue
            raise Refused(f"the directive '{directive}'")
        except Refused as refusal:
            raise Refused(f"line {number}: {refusal}: {stripped}") from None
    return out


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: asm_filter.py IN.s OUT.s\n")
        return 2
    source, target = argv[1], argv[2]
    with open(source, encoding="utf-8") as f:
        lines = f.read().splitlines()
    try:
        filtered = filter_lines(lines)
    except Refused as refusal:
        sys.stderr.write(f"asm_filter: {source}: {refusal}\n")
        return 1
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(filtered) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
