#!/usr/bin/python3
"""Turns the ELF assembly GCC writes for ARM into assembly the PE assembler for Windows CE takes.

    asm_filter.py IN.s OUT.s

GCC for arm-none-eabi writes sections, symbol types and unwind tables in ELF's terms; the
arm-mingw32ce assembler knows PE/COFF's. Each directive is kept, mapped or dropped by the tables
below; anything else stops the filter with the line it refused, so a construct nobody looked at
never reaches the device as a guess.

It also writes the function table Windows CE on ARM unwinds a stack by (.pdata, the exception
directory): for each function GCC wrote (between `.type NAME, %function`, `NAME:` and
`.size NAME, .-NAME`), one entry in a section of its own beside the function's, with the
function's start and, in one word, its prologue's and its whole length in instructions (the
literal pool included) and the flag of 32-bit code. The prologue is read from GCC's own
instructions; a function whose stack handling the entry could not describe stops the filter,
named with the line.
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

# ELF-only facts with no meaning in PE: symbol types and sizes (a function's are read first, for
# its table entry), the compiler's name, EABI build attributes, visibility, and the ARM EABI's
# unwind annotations (the device unwinds by the function table written here instead).
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


# The function table's second word: the prologue's length in bits 0-7, the function's in bits
# 8-29, both in instructions; bit 30 says ARM (32-bit) code, bit 31 (an exception handler) stays
# clear.
PROLOGUE_LIMIT = 0xFF
ARM_CODE = 0x40000000

# The instructions of a prologue the device's unwinder undoes, as GCC writes them: registers saved
# (push, or one register stored below sp), stack allocated by a constant, and with a frame pointer
# the APCS frame's sp kept in ip and fp set up. Written in unified syntax, condition-free.
SAVE = re.compile(r"^(push \{[^}]*\}|stm(fd|db) sp!, \{[^}]*\}|str (r\d+|fp|ip|lr), \[sp, #-4\]!)$")
ALLOCATE = re.compile(r"^sub sp, sp, #\d+$")
FRAME_START = re.compile(r"^mov ip, sp$")
FRAME_POINTER = re.compile(r"^(sub fp, ip, #\d+|add fp, sp, #\d+)$")
# What grows the stack, under any condition: after the prologue the unwinder would not undo it.
GROWS_STACK = re.compile(r"^(push\w* .*|stm\w* sp!,.*|str\w* [^,]+, \[sp, #-\d+\]!"
                         r"|sub\w* sp, sp, .*)$")
FRAME_NEEDED = re.compile(r"frame_needed = (\d)")


class Refused(Exception):
    def __init__(self, message, line=None, text=None):
        super().__init__(message)
        self.line, self.text = line, text


def instruction_text(line):
    """An instruction as the patterns above read it: lower case, one space, comments left out."""
    text = line.split("@", 1)[0].strip().lower()
    return re.sub(r"\s*,\s*", ", ", re.sub(r"\s+", " ", text))


class Function:
    """A function GCC is writing: its name, the PE section it is in, and its lines."""

    def __init__(self, name, section, number):
        self.name, self.section, self.number = name, section, number
        self.frame_needed = False
        self.body = []  # (line number, instruction text), or (line number, None) for a label

    def prologue_length(self):
        """How many instructions at the start save registers and set up the frame; refused
        when the stack is grown anywhere after them."""
        length, frame_pointer = 0, False
        for index, (number, text) in enumerate(self.body):
            if text is None:
                break  # a branch target is never part of a prologue
            if SAVE.match(text) or ALLOCATE.match(text):
                pass
            elif self.frame_needed and index == 0 and FRAME_START.match(text):
                pass
            elif self.frame_needed and length and FRAME_POINTER.match(text):
                frame_pointer = True
            else:
                break
            length += 1
        for number, text in self.body[length:]:
            if text is not None and GROWS_STACK.match(text):
                raise Refused(f"the function '{self.name}' grows the stack after its prologue, "
                              "where the device's unwinder would not undo it (GCC's prologue "
                              "scheduling or shrink-wrapping: -mno-sched-prolog "
                              "-fno-shrink-wrap)", number, text)
        if self.frame_needed and not frame_pointer:
            raise Refused(f"the function '{self.name}' sets up its frame pointer outside its "
                          "prologue", self.number, self.name)
        if length > PROLOGUE_LIMIT:
            raise Refused(f"the function '{self.name}' has a prologue of {length} instructions, "
                          f"over the table's {PROLOGUE_LIMIT}", self.number, self.name)
        return length

    def table_entry(self, serial):
        """The end label of the function, its table entry, and its own section again."""
        end = f".Lfunction_end{serial}"
        table, comdat = self.section.table
        lines = [f"{end}:", f'\t.section\t{table},"dr"']
        if comdat:
            # One copy of the entry, as of the function: the linker keeps the first by name.
            lines.append("\t.linkonce\tdiscard")
        lines += [f"\t.word\t{self.name}",
                  f"\t.word\t{self.prologue_length()} | ((({end} - {self.name}) / 4) << 8) | "
                  f"0x{ARM_CODE:08X}"]
        return lines + self.section.lines


class Section:
    """The PE lines of a section, and for code the name of the table section its functions'
    entries go to, with whether that is a COMDAT's (None for other sections)."""

    def __init__(self, lines, table=None):
        self.lines, self.table = lines, table


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
    """The PE section for an ELF .section directive, with whether it is a COMDAT group and whether
    its contents are dropped."""
    name = operands[0]
    if name.startswith(DROPPED_SECTIONS):
        return Section([]), False, True
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
            table = None
            if pe_name == ".text" and suffix:
                lines = [f'\t.section\t.text${suffix},"{pe_flags}"']
                table = (f".pdata${suffix}", comdat)
            elif comdat:
                lines = [f'\t.section\t{pe_name}${suffix},"{pe_flags}"']
            else:
                lines = [f'\t.section\t{pe_name},"{pe_flags}"']
                if pe_name == ".text":
                    table = (".pdata", False)
            if comdat:
                lines.append("\t.linkonce\tdiscard")
            return Section(lines, table), comdat, False
    raise Refused(f"a section of unknown kind '{name}'")


FUNCTION_TYPE = re.compile(r"^(\S+),\s*%function$")
LABEL = re.compile(r"^(\S+):$")


def filter_lines(lines):
    out = []
    dropping = False  # inside a section whose contents are left out
    comdat = False  # inside a COMDAT section, where GCC marks the group's symbols weak
    section = Section(["\t.text"], (".pdata", False))  # where the assembler starts
    declared = {}  # functions GCC has typed and not yet begun: name to line number
    function = None  # the function being written
    functions = 0
    for number, line in enumerate(lines, 1):
        try:
            stripped = line.strip()
            match = DIRECTIVE.match(line)
            directive = match.group(1) if match else None
            if function and directive in (".text", ".data", ".bss", ".section"):
                raise Refused(f"the function '{function.name}' goes on in another section")
            if directive in (".text", ".data", ".bss"):
                dropping, comdat = False, False
                section = Section([line], (".pdata", False) if directive == ".text" else None)
                out.append(line)
                continue
            if directive == ".section":
                section, comdat, dropping = map_section(split_operands(match.group(2)))
                out.extend(section.lines)
                continue
            if dropping:
                continue
            if not stripped or stripped.startswith("@"):
                frame = FRAME_NEEDED.search(stripped)
                if function and frame:
                    # GCC's own note of whether the function keeps a frame pointer.
                    function.frame_needed = frame.group(1) == "1"
                out.append(line)
                continue
            label = LABEL.match(stripped)
            if label and label.group(1) in declared:
                if section.table is None:
                    raise Refused(f"the function '{label.group(1)}' is not in code")
                del declared[label.group(1)]
                function = Function(label.group(1), section, number)
                out.append(line)
                continue
            if directive is None or (label and directive == stripped[:-1]):
                # Labels and instructions; a local label may look like a directive only when it
                # ends in a colon.
                if function:
                    function.body.append((number, None if label else instruction_text(stripped)))
                out.append(line)
                continue
            if directive == ".type":
                typed = FUNCTION_TYPE.match(match.group(2).strip())
                if typed:
                    declared[typed.group(1)] = number
                continue
            if directive == ".size" and function:
                if split_operands(match.group(2)) != [function.name, f".-{function.name}"]:
                    raise Refused(f"the function '{function.name}' ends in a way not known")
                functions += 1
                out.extend(function.table_entry(functions))
                function = None
                continue
            if directive == ".set":
                # An alias is the same code under another name: the entry of its target covers it.
                declared.pop(split_operands(match.group(2))[0], None)
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
                if function:
                    function.body.append((number, None))
                out.append(line)
                continue
            raise Refused(f"the directive '{directive}'")
        except Refused as refusal:
            where = refusal.line or number
            text = refusal.text or stripped
            raise Refused(f"line {where}: {refusal}: {text}") from None
    if function:
        raise Refused(f"line {function.number}: the function '{function.name}' has no end "
                      "(.size)")
    for name, number in declared.items():
        raise Refused(f"line {number}: the function '{name}' is typed but never written")
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
