#!/usr/bin/python3
"""Checks the harness's unwinder where the session's calls never stop: inside prologues, and in
frames with a frame pointer, which GCC writes for none of the library's functions.

    unwinder_check.py DEVICE_DLL [DEVICE_DLL...]

For every function of each library's function table, its prologue is run one instruction at a
time from known registers, and before each instruction (and at the first one after the prologue)
the unwinder, as a fault there would have it, must give back the function's caller: the return
address in lr, the sp and r4-r11 of the entry. Then the same for functions written here in the
prologue forms the library does not use (APCS's frame from ip, a frame from sp, Windows CE's own
with the argument registers homed, a leaf, a large allocation), on through bodies that move sp
where a frame pointer allows it; and entries given a wrong prologue length must be caught.
Exits 1 naming the first function that does not unwind."""
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from unicorn import UC_ARCH_ARM, UC_MODE_ARM, Uc  # noqa: E402
from unicorn import arm_const as arm  # noqa: E402

from cpu import RETURN_BASE, STACK_TOP, UC_REGISTER, ArmCpu  # noqa: E402
from pe_image import Image  # noqa: E402
from session import LOAD_BASE, function_names  # noqa: E402
from unwinder import (ARM_CODE, CALLEE_SAVED, PC, SP, Entry, FunctionTable,  # noqa: E402
                      UnwindError, Unwinder)

CALLER = RETURN_BASE + 5  # a return address outside the code, where the unwinding stops
CODE_BASE = 0x30000000

# Written functions: (what, prologue, body), ARM words. The bodies end where the function would
# return; the unwinder is asked before each instruction.
WRITTEN = (
    ("APCS frame from ip, the body moving sp", [
        0xE1A0C00D,  # mov ip, sp
        0xE92DD830,  # push {r4, r5, fp, ip, lr, pc}
        0xE24CB004,  # sub fp, ip, #4
        0xE24DD010,  # sub sp, sp, #16
    ], [
        0xE3A04000,  # mov r4, #0
        0xE24DD020,  # sub sp, sp, #32 (as alloca would)
        0xE3A05000,  # mov r5, #0
    ]),
    ("frame from sp, the body moving sp", [
        0xE92D4810,  # push {r4, fp, lr}
        0xE28DB004,  # add fp, sp, #4
        0xE24DD008,  # sub sp, sp, #8
    ], [
        0xE3A04000,  # mov r4, #0
        0xE24DD018,  # sub sp, sp, #24
        0xE1A00000,  # nop
    ]),
    ("Windows CE's frame, argument registers homed", [
        0xE1A0C00D,  # mov r12, r13
        0xE92D000F,  # stmdb r13!, {r0-r3}
        0xE92D5FF0,  # stmdb r13!, {r4-r12, r14}
        0xE24CB010,  # sub r11, r12, #16
        0xE24DD008,  # sub r13, r13, #8
    ], [
        0xE3A06000,  # mov r6, #0
        0xE24DD028,  # sub sp, sp, #40
        0xE3A07000,  # mov r7, #0
    ]),
    ("a leaf", [], [
        0xE3A00001,  # mov r0, #1
        0xE1A00000,  # nop
    ]),
    ("one register stored, a large allocation", [
        0xE52DE004,  # str lr, [sp, #-4]!
        0xE24DDA01,  # sub sp, sp, #4096
        0xE24DDFFF,  # sub sp, sp, #1020
    ], [
        0xE3A00000,  # mov r0, #0 (no callee-saved register is saved, so none is touched)
        0xE1A00000,  # nop
    ]),
)


class Failure(Exception):
    pass


def context_of(uc):
    context = {number: uc.reg_read(register) for number, register in UC_REGISTER.items()}
    context[PC] = uc.reg_read(arm.UC_ARM_REG_PC)
    return context


def start(uc, pc, sp):
    """Known registers at a function's entry: r0-r12 each its own, lr the caller."""
    for number in range(13):
        uc.reg_write(UC_REGISTER[number], 0xC0DE0000 | number)
    uc.reg_write(arm.UC_ARM_REG_SP, sp)
    uc.reg_write(arm.UC_ARM_REG_LR, CALLER)
    uc.reg_write(arm.UC_ARM_REG_PC, pc)
    return {number: 0xC0DE0000 | number for number in CALLEE_SAVED}


def unwound_wrong(unwinder, uc, inside, entry_sp, saved):
    """What the unwinding from the present pc gets wrong (a fault's pc, not a return address)."""
    try:
        arrived, _ = unwinder.unwind(context_of(uc), inside, at_return=False)
    except UnwindError as error:
        return str(error)
    wrong = [f"return address 0x{arrived[PC]:x}, not 0x{CALLER:x}"] if arrived[PC] != CALLER \
        else []
    if arrived[SP] != entry_sp:
        wrong.append(f"sp 0x{arrived[SP]:x}, not 0x{entry_sp:x}")
    wrong += [f"r{number} 0x{arrived[number]:x}" for number in CALLEE_SAVED
              if arrived[number] != saved[number]]
    return ", ".join(wrong)


def step(uc):
    pc = uc.reg_read(arm.UC_ARM_REG_PC)
    uc.emu_start(pc, 0xFFFFFFFF, count=1)


def check_library(path):
    image = Image(path, LOAD_BASE)
    cpu = ArmCpu(image)
    table = cpu.unwinder.table
    if not len(table):
        raise Failure(f"{path}: no function table")
    entry_sp = STACK_TOP - 0x2000
    points = 0
    names = function_names(path, image)  # from the link map, for the message alone
    for entry in table.entries:
        saved = start(cpu.uc, entry.start, entry_sp)
        for index in range(entry.prologue + 1):
            wrong = unwound_wrong(cpu.unwinder, cpu.uc, image.contains, entry_sp, saved)
            if wrong:
                name = names.get(entry.start, "the function")
                raise Failure(f"{path}: {name} at RVA 0x{entry.start - image.base:x}, before "
                              f"instruction {index + 1} of its prologue of {entry.prologue}: "
                              f"{wrong}")
            points += 1
            if index < entry.prologue:
                step(cpu.uc)
    return len(table), points


def written_functions():
    """The written functions laid out one after another, with their entries."""
    code, entries, spans = b"", [], []
    for what, prologue, body in WRITTEN:
        words = prologue + body
        start = CODE_BASE + len(code)
        entries.append(Entry(start, len(prologue) | len(words) << 8 | ARM_CODE))
        spans.append((what, start, len(words)))
        code += struct.pack(f"<{len(words)}I", *words)
    return code, entries, spans


def run_written(entries, code, spans):
    """The first wrong unwinding of each written function (None where all are right)."""
    uc = Uc(UC_ARCH_ARM, UC_MODE_ARM)
    uc.mem_map(CODE_BASE, 0x1000)
    uc.mem_write(CODE_BASE, code)
    uc.mem_map(STACK_TOP - 0x10000, 0x10000)

    def read(address, size):
        return bytes(uc.mem_read(address, size))
    unwinder = Unwinder(read, FunctionTable.of(entries))

    def inside(address):
        return CODE_BASE <= address < CODE_BASE + len(code)
    entry_sp = STACK_TOP - 0x100
    found, points = [], 0
    for what, start_address, count in spans:
        saved = start(uc, start_address, entry_sp)
        wrong = None
        for index in range(count):
            wrong = unwound_wrong(unwinder, uc, inside, entry_sp, saved)
            if wrong:
                wrong = f"before instruction {index + 1}: {wrong}"
                break
            points += 1
            step(uc)
        found.append((what, wrong))
    return found, points


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    lines = []
    try:
        for path in argv[1:]:
            functions, points = check_library(path)
            lines.append(f"{os.path.basename(path)}: {functions} functions, each prologue "
                         f"unwound before each of its instructions and after it ({points} "
                         "points)")
        code, entries, spans = written_functions()
        results, points = run_written(entries, code, spans)
        for what, wrong in results:
            if wrong:
                raise Failure(f"the written function '{what}' {wrong}")
        lines.append(f"{len(spans)} written prologue forms ({'; '.join(w for w, *_ in WRITTEN)})"
                     f" unwound before each instruction ({points} points)")
        # A table that lies must be caught: each written function's prologue one instruction
        # longer (its body's first taken for a prologue instruction), and the function without
        # a frame pointer one shorter (its last allocation left in place). With a frame pointer
        # the last allocation is undone from the frame pointer anyway, so shorter is no lie there.
        lies = [(number, 1) for number in range(len(entries))]
        lies += [(number, -1) for number, (what, *_) in enumerate(WRITTEN)
                 if what.startswith("one register stored")]
        for number, change in lies:
            lying = list(entries)
            lying[number] = Entry(entries[number].start, entries[number].word + change)
            results, _ = run_written(lying, code, spans)
            if not results[number][1]:
                raise Failure(f"the written function '{spans[number][0]}' with a prologue of "
                              f"{entries[number].prologue + change} instead of "
                              f"{entries[number].prologue} unwound as if right")
        lines.append(f"{len(lies)} entries given a wrong prologue length, each caught")
    except Failure as failure:
        print(f"unwinder check: {failure}")
        return 1
    for line in lines:
        print(f"unwinder check: {line}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
