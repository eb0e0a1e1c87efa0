"""The device's way back up an ARM library's stack: the function table (.pdata, the exception
directory) and the code itself, as Windows CE's dispatcher reads them. It finds the table entry
of a PC, and undoes the instructions of that function's prologue that have run, last first, on a
copy of the registers (virtual unwinding), reading the saved registers from the emulator's
memory; the return address it arrives at is the caller's PC, and the unwinding goes on there.

Nothing else is read: not the link map, not symbols. What a function's frame is comes from its
entry alone (prologue and function length) and from its first instructions, which the prologue
forms below must describe exactly; anything else in a prologue stops the unwinding, named."""
import bisect
import struct

EXCEPTION_DIRECTORY = 3
TABLE_ENTRY = 8
ARM_CODE = 1 << 30
SP, LR, PC, IP, FP = 13, 14, 15, 12, 11
CALLEE_SAVED = tuple(range(4, 12))
# More frames than any call chain of the library has: past this the unwinding goes round.
MOST_FRAMES = 64


class UnwindError(Exception):
    """The unwinding could not go on: why, the frames unwound before, and the pc whose frame it
    could not unwind (past the first frame, a return address)."""

    def __init__(self, message, frames=(), pc=None):
        super().__init__(message)
        self.frames, self.pc = list(frames), pc


class Entry:
    __slots__ = ("start", "prologue", "length", "word")

    def __init__(self, start, word):
        self.start, self.word = start, word
        self.prologue = word & 0xFF
        self.length = (word >> 8) & 0x3FFFFF

    def end(self):
        return self.start + 4 * self.length


class FunctionTable:
    """The loaded image's exception directory, read from memory at the image's base as the
    dispatcher reads it: the headers give the table's place, each entry's start is relocated."""

    def __init__(self, read, base):
        self.read = read

        def u32(address):
            return struct.unpack("<I", read(address, 4))[0]

        headers = base + u32(base + 0x3C)
        optional = headers + 24
        # PE32's optional header holds its data directories from offset 96, 8 bytes each.
        rva, size = struct.unpack("<II", read(optional + 96 + 8 * EXCEPTION_DIRECTORY, 8))
        self.entries = []
        if rva and size:
            data = read(base + rva, size - size % TABLE_ENTRY)
            for offset in range(0, len(data), TABLE_ENTRY):
                start, word = struct.unpack_from("<II", data, offset)
                self.entries.append(Entry(start, word))
        # The dispatcher searches it by halves: the table must be sorted, and is taken as it is.
        self.starts = [entry.start for entry in self.entries]

    @classmethod
    def of(cls, entries):
        """A table of the entries given, sorted (code the harness writes itself)."""
        table = cls.__new__(cls)
        table.entries = sorted(entries, key=lambda entry: entry.start)
        table.starts = [entry.start for entry in table.entries]
        return table

    def __len__(self):
        return len(self.entries)

    def find(self, address):
        index = bisect.bisect_right(self.starts, address) - 1
        if index < 0:
            return None
        entry = self.entries[index]
        return entry if entry.start <= address < entry.end() else None


def rotated_immediate(word):
    rotation = (word >> 8 & 0xF) * 2
    value = word & 0xFF
    return (value >> rotation | value << (32 - rotation)) & 0xFFFFFFFF if rotation else value


def decode(word):
    """A prologue instruction (condition "always") as (kind, operand), or None.

    stmdb sp!, {list} (push)       ("save", register list)
    str rX, [sp, #-4]!             ("store", X)
    sub sp, sp, #n                 ("allocate", n)
    mov ip, sp                     ("keep sp",)  the APCS frame's sp on entry, kept in ip
    sub fp, ip, #n                 ("frame from ip", n)
    add fp, sp, #n                 ("frame from sp", n)"""
    if word & 0xFFFF0000 == 0xE92D0000:
        return ("save", word & 0xFFFF)
    if word & 0xFFFF0FFF == 0xE52D0004:
        return ("store", word >> 12 & 0xF)
    if word & 0xFFFFF000 == 0xE24DD000:
        return ("allocate", rotated_immediate(word))
    if word == 0xE1A0C00D:
        return ("keep sp", None)
    if word & 0xFFFFF000 == 0xE24CB000:
        return ("frame from ip", rotated_immediate(word))
    if word & 0xFFFFF000 == 0xE28DB000:
        return ("frame from sp", rotated_immediate(word))
    return None


def registers_of(mask):
    return [number for number in range(16) if mask >> number & 1]


def pushed_bytes(instruction):
    kind, operand = instruction
    if kind == "save":
        return 4 * len(registers_of(operand))
    if kind == "store":
        return 4
    if kind == "allocate":
        return operand
    return 0


class Frame:
    """One function's frame as the unwinding found it."""
    __slots__ = ("entry", "pc", "executed")

    def __init__(self, entry, pc, executed):
        self.entry, self.pc, self.executed = entry, pc, executed


class Unwinder:
    def __init__(self, read, table):
        self.read, self.table = read, table

    def u32(self, address):
        return struct.unpack("<I", self.read(address, 4))[0]

    def unwind_frame(self, context, at_return):
        """The caller's registers (a new dict) from context (register number -> value: r4-r11,
        sp, lr, pc, ip), and the frame unwound. at_return: pc is a return address, the
        instruction after a call, which is looked up by the call itself (a call that never
        returns can be a function's last instruction)."""
        pc = context[PC] & ~1
        entry = self.table.find(pc - 4 if at_return else pc)
        if entry is None:
            raise UnwindError(f"no function table entry covers 0x{pc:x}")
        if not entry.word & ARM_CODE:
            raise UnwindError(f"the entry at 0x{entry.start:x} is not for ARM code "
                              f"(0x{entry.word:08X})")
        # The prologue's instructions that have run: those before pc. A call is never in a
        # prologue; a fault may be.
        executed = min(entry.prologue, (pc - entry.start) // 4)
        instructions = []
        for index in range(executed):
            word = self.u32(entry.start + 4 * index)
            instruction = decode(word)
            if instruction is None:
                raise UnwindError(f"instruction {index + 1} of the prologue of the function at "
                                  f"0x{entry.start:x} (prologue length {entry.prologue}) is "
                                  f"0x{word:08X}, which no prologue instruction is")
            instructions.append(instruction)
        caller = dict(context)
        for index in reversed(range(executed)):
            self.undo(instructions, index, caller)
        # With no prologue (a leaf) or none that saved it, the return address is still in lr.
        caller[PC] = caller[LR]
        return caller, Frame(entry, pc, executed)

    def undo(self, instructions, index, registers):
        kind, operand = instructions[index]
        sp = registers[SP]
        if kind == "save":
            # stmdb stores the lowest register at the lowest address. The APCS frame stores pc
            # too, only to mark the frame: it is no register of the caller's.
            for number in registers_of(operand):
                if number not in (SP, PC):
                    registers[number] = self.u32(sp)
                sp += 4
            registers[SP] = sp
        elif kind == "store":
            registers[operand] = self.u32(sp)
            registers[SP] = sp + 4
        elif kind == "allocate":
            registers[SP] = sp + operand
        elif kind == "keep sp":
            registers[SP] = registers[IP]
        elif kind == "frame from sp":
            # fp = sp + n: the sp of that moment is fp - n, whatever the body did to sp since.
            registers[SP] = (registers[FP] - operand) & 0xFFFFFFFF
        elif kind == "frame from ip":
            # fp = ip - n, ip being the sp on entry (`mov ip, sp` first): ip is fp + n, and the
            # sp of that moment lies below it by what the prologue pushed in between (the APCS
            # frame: fp points at the last word the push stored).
            registers[IP] = (registers[FP] + operand) & 0xFFFFFFFF
            kept = [i for i in range(index) if instructions[i][0] == "keep sp"]
            if not kept:
                raise UnwindError("a frame pointer set from ip with no `mov ip, sp` before it")
            pushed = sum(pushed_bytes(instructions[i]) for i in range(kept[-1] + 1, index))
            registers[SP] = (registers[IP] - pushed) & 0xFFFFFFFF
        else:
            raise AssertionError(kind)

    def unwind(self, context, inside, at_return=True):
        """Unwinds from context through every frame whose pc inside(pc) holds; returns the
        registers of the first frame outside, and the frames unwound."""
        frames = []
        while inside(context[PC] & ~1):
            pc = context[PC] & ~1
            if len(frames) == MOST_FRAMES:
                raise UnwindError(f"still inside after {MOST_FRAMES} frames", frames, pc)
            try:
                caller, frame = self.unwind_frame(context, at_return)
            except UnwindError as error:
                raise UnwindError(str(error), frames, pc) from None
            if (caller[PC] & ~1, caller[SP]) == (pc, context[SP]):
                raise UnwindError(f"the frame at 0x{pc:x} unwinds to itself", frames, pc)
            if caller[SP] < context[SP]:
                raise UnwindError(f"the frame at 0x{pc:x} unwinds to a lower sp "
                                  f"(0x{caller[SP]:x} under 0x{context[SP]:x})", frames, pc)
            frames.append(frame)
            context, at_return = caller, True
        return context, frames
