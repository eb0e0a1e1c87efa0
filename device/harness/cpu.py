"""The processor a library's code runs on in the harness: Unicorn's ARMv4T model for the device's
build, its 32-bit x86 for the i686 build, with each architecture's calling convention for the
harness's calls into the library and for the library's calls out to the system's stand-ins.

Memory: the image at its load base, a stack, a heap for what the system hands the library, a
page of thunks (one per import: the import slot points there) and a page of return addresses
(where a call into the library comes back). A call out lands on its thunk, where a code hook runs
the stand-in and returns to the caller as the convention asks; a call in runs, nested where it is
made from inside a stand-in, until it returns to its return address.

Each call in is kept while it runs (where it returns to, its sp, the callee-saved registers it
set, and a handler if the harness placed one): on ARM the unwinder must arrive there from any call
out, and an exception the system raises is dispatched there."""
import struct

from unicorn import UC_ARCH_ARM, UC_ARCH_X86, UC_HOOK_BLOCK, UC_HOOK_CODE, UC_MODE_32, \
    UC_MODE_ARM, Uc, UcError
from unicorn import arm_const as arm
from unicorn import x86_const as x86

from unwinder import CALLEE_SAVED, LR, PC, SP, FunctionTable, Unwinder

STACK_TOP = 0x7F100000
STACK_SIZE = 0x100000
HEAP_BASE = 0x50000000
HEAP_SIZE = 0x400000
THUNK_BASE = 0x60000000
THUNK_SIZE = 0x10000
THUNK_STRIDE = 16
RETURN_BASE = 0x61000000
RETURN_SIZE = 0x1000
# Where a call in whose handler catches a dispatched exception resumes (Thumb code, as the
# system's is), beside the return address.
HANDLER_ADDRESS = RETURN_BASE + 8
CALL_TIMEOUT_US = 30_000_000  # a call into the library that runs longer than this has hung



class Fault(Exception):
    """The library's code did something the device would not survive."""


class CallIn:
    """A call the harness made into the library, while it runs: the function, the return address
    and sp the library must come back with, the callee-saved registers as set for it, and the
    handler placed in this frame (None for none). caught: the code of an exception dispatched to
    the handler."""
    __slots__ = ("function", "return_address", "sp", "registers", "handler", "caught")

    def __init__(self, function, return_address, sp, registers, handler):
        self.function, self.return_address, self.sp = function, return_address, sp
        self.registers, self.handler, self.caught = registers, handler, None


class Cpu:
    callee_saved = ()

    def __init__(self, uc, image):
        self.uc = uc
        self.image = image
        self.instructions = 0  # the library's own instructions executed, where counted
        self.on_thunk = None  # set by the system: on_thunk(index) runs a stand-in
        self.unwinder = None  # ARM only: the device's unwinder over the image's function table
        self.calls_in = []  # the calls into the library running, innermost last
        for base, size in ((image.base, image.size), (STACK_TOP - STACK_SIZE, STACK_SIZE),
                           (HEAP_BASE, HEAP_SIZE), (THUNK_BASE, THUNK_SIZE),
                           (RETURN_BASE, RETURN_SIZE)):
            uc.mem_map(base, size)
        uc.mem_write(image.base, image.bytes)
        uc.hook_add(UC_HOOK_CODE, self._thunk_hook, begin=THUNK_BASE,
                    end=THUNK_BASE + THUNK_SIZE - 1)
        uc.hook_add(UC_HOOK_CODE, self._return_hook, begin=RETURN_BASE,
                    end=RETURN_BASE + RETURN_SIZE - 1)
        self.depth = 0

    # Memory.
    def read(self, address, size):
        return bytes(self.uc.mem_read(address, size))

    def write(self, address, data):
        self.uc.mem_write(address, bytes(data))

    def u32(self, address):
        return struct.unpack("<I", self.read(address, 4))[0]

    def put_u32(self, address, value):
        self.write(address, struct.pack("<I", value & 0xFFFFFFFF))

    def thunk_address(self, index):
        return THUNK_BASE + index * THUNK_STRIDE

    def bind(self, slot, index):
        self.put_u32(slot, self.slot_value(self.thunk_address(index)))

    def _thunk_hook(self, uc, address, size, data):
        index = (address - THUNK_BASE) // THUNK_STRIDE
        if address != self.thunk_address(index):
            raise Fault(f"execution ran into the thunks at 0x{address:x}")
        self.check_thunk_entry(address)
        self.on_thunk(index)

    def _return_hook(self, uc, address, size, data):
        self.check_return(address)
        uc.emu_stop()

    def call(self, function, args, callee_pops, wide=False, handler=None):
        """Calls the library's function with 32-bit arguments; returns r0 or eax (with r1 or edx
        above it when wide). Nested calls save and restore the interrupted call's registers.
        handler(code), where given, catches an exception dispatched to this frame (ARM): the
        call then returns what the handler returns."""
        saved = self.save_registers()
        canaries = {}
        for number, register in enumerate(self.callee_saved):
            # Each nesting its own values, so that arriving at an outer call's frame is told
            # from arriving at this one.
            canaries[register] = 0x5A5A0000 | self.depth << 8 | number
            self.uc.reg_write(register, canaries[register])
        stack_before = self.push_call(args)
        call_in = CallIn(function, self.return_address(), stack_before, canaries, handler)
        self.calls_in.append(call_in)
        self.depth += 1
        try:
            # Unicorn's time-out runs a thread of its own, which a nested start would join twice:
            # only the outermost call is timed.
            timeout = CALL_TIMEOUT_US if self.depth == 1 else 0
            self.uc.emu_start(function, self.return_address(), timeout=timeout)
        except UcError as error:
            raise Fault(f"{error} at pc 0x{self.pc():x}") from None
        finally:
            self.depth -= 1
            self.calls_in.pop()
        if call_in.caught is not None:
            if self.pc() != HANDLER_ADDRESS:
                raise Fault(f"an exception dispatched to the call of 0x{function:x} did not "
                            f"resume at its handler (stopped at 0x{self.pc():x})")
            result = handler(call_in.caught)
        elif self.pc() != self.return_address() & ~1:
            raise Fault(f"the call to 0x{function:x} did not return (stopped at 0x{self.pc():x})")
        else:
            result = self.result(wide)
        for register, value in canaries.items():
            if self.uc.reg_read(register) != value:
                raise Fault(f"the function at 0x{function:x} did not preserve a callee-saved "
                            "register")
        self.check_stack_after_call(stack_before, len(args), callee_pops)
        self.restore_registers(saved)
        return result

    def save_registers(self):
        return {r: self.uc.reg_read(r) for r in self.all_registers}

    def restore_registers(self, saved):
        for register, value in saved.items():
            self.uc.reg_write(register, value)


class ArmCpu(Cpu):
    """ARM mode on the ARMv4T model. The system's exports are taken to be Thumb code, as the
    device's libraries may be: the import slots hold Thumb addresses, and the harness's calls into
    the library return to a Thumb address. So a call out that does not switch state, or a return
    that does not switch back (an ARMv4T `ldm {pc}` or `ldr pc`), stops the session."""
    callee_saved = tuple(getattr(arm, f"UC_ARM_REG_R{n}") for n in range(4, 12))
    all_registers = tuple(getattr(arm, f"UC_ARM_REG_R{n}") for n in range(13)) + (
        arm.UC_ARM_REG_SP, arm.UC_ARM_REG_LR)

    def __init__(self, image):
        uc = Uc(UC_ARCH_ARM, UC_MODE_ARM)
        # An ARMv4T processor (ARM9 class), the floor of Windows Mobile 5.0 devices: an
        # instruction of a later architecture faults.
        uc.ctl_set_cpu_model(arm.UC_CPU_ARM_TI925T)
        super().__init__(uc, image)
        # Thumb `bx lr` at the return address and at the handler's address; the ARM word before
        # them is an undefined instruction, where a return without interworking lands.
        self.write(RETURN_BASE, struct.pack("<IHHHH", 0xE7F000F0, 0x4770, 0x4770, 0x4770,
                                            0x4770))
        # The table is read from the image as loaded, relocated, as the device's dispatcher
        # reads it; an image without one unwinds nothing, and says so at the first call out.
        self.unwinder = Unwinder(self.read, FunctionTable(self.read, image.base))
        uc.reg_write(arm.UC_ARM_REG_SP, STACK_TOP - 64)
        uc.hook_add(UC_HOOK_BLOCK, self._count_block, begin=image.base,
                    end=image.base + image.size - 1)

    def _count_block(self, uc, address, size, data):
        self.instructions += size // 4

    @staticmethod
    def slot_value(thunk):
        return thunk | 1

    def return_address(self):
        return (RETURN_BASE + 4) | 1

    def thumb(self):
        return (self.uc.reg_read(arm.UC_ARM_REG_CPSR) >> 5) & 1

    def check_thunk_entry(self, address):
        if not self.thumb():
            raise Fault(f"a call to the system's Thumb code at 0x{address:x} did not switch to "
                        "Thumb state (an ARMv4T `ldr pc` or `mov pc`, not `bx`)")

    def check_return(self, address):
        if address == HANDLER_ADDRESS and self.calls_in and self.calls_in[-1].caught is not None \
                and self.thumb():
            return
        if address != RETURN_BASE + 4 or not self.thumb():
            raise Fault("a return to the system's Thumb code did not switch to Thumb state "
                        f"(at 0x{address:x}: an ARMv4T `ldm {{pc}}` or `ldr pc`, not `bx lr`)")

    def pc(self):
        return self.uc.reg_read(arm.UC_ARM_REG_PC)

    def push_call(self, args):
        sp = self.uc.reg_read(arm.UC_ARM_REG_SP)
        extra = args[4:]
        sp = (sp - 4 * len(extra) - 64) & ~7
        for number, value in enumerate(extra):
            self.put_u32(sp + 4 * number, value)
        for number, value in enumerate(args[:4]):
            self.uc.reg_write(arm.UC_ARM_REG_R0 + number, value & 0xFFFFFFFF)
        self.uc.reg_write(arm.UC_ARM_REG_SP, sp)
        self.uc.reg_write(arm.UC_ARM_REG_LR, self.return_address())
        return sp

    def check_stack_after_call(self, stack_before, count, callee_pops):
        if self.uc.reg_read(arm.UC_ARM_REG_SP) != stack_before:
            raise Fault("the stack pointer moved across a call")

    def result(self, wide=False):
        high = self.uc.reg_read(arm.UC_ARM_REG_R1) << 32 if wide else 0
        return self.uc.reg_read(arm.UC_ARM_REG_R0) | high

    def arg(self, number):
        if number < 4:
            return self.uc.reg_read(arm.UC_ARM_REG_R0 + number)
        return self.u32(self.uc.reg_read(arm.UC_ARM_REG_SP) + 4 * (number - 4))

    def finish_stand_in(self, result, count, callee_pops):
        self.uc.reg_write(arm.UC_ARM_REG_R0, result & 0xFFFFFFFF)
        self.uc.reg_write(arm.UC_ARM_REG_PC, self.uc.reg_read(arm.UC_ARM_REG_LR))

    def unwind_from_system(self):
        """At a stand-in's entry: unwinds from its caller (the stand-in is the system's leaf
        code, so the caller's pc is lr) through the library's frames until the pc leaves the
        library. Returns the registers arrived at (number -> value), the frames unwound, and
        what differs from the innermost call in: [(what, arrived, expected)]."""
        context = {number: self.uc.reg_read(UC_REGISTER[number]) for number in UC_REGISTER}
        context[PC] = context[LR]
        arrived, frames = self.unwinder.unwind(context, self.image.contains)
        call_in = self.calls_in[-1]
        expected = [("return address", call_in.return_address, PC), ("sp", call_in.sp, SP)]
        expected += [(f"r{number}", call_in.registers[UC_REGISTER[number]], number)
                     for number in CALLEE_SAVED]
        differences = [(what, arrived[number], value) for what, value, number in expected
                       if arrived[number] != value]
        return arrived, frames, differences

    def resume_at_handler(self, arrived, code):
        """Ends a dispatched exception in the innermost call in's handler: its sp and
        callee-saved registers as the unwinding restored them, the code in r0, the handler's
        address as pc. The stand-in that raised it does not return."""
        call_in = self.calls_in[-1]
        call_in.caught = code
        for number in CALLEE_SAVED + (SP,):
            self.uc.reg_write(UC_REGISTER[number], arrived[number])
        self.uc.reg_write(arm.UC_ARM_REG_R0, code)
        self.uc.reg_write(arm.UC_ARM_REG_PC, HANDLER_ADDRESS | 1)


class X86Cpu(Cpu):
    """32-bit x86: arguments on the stack, the system's functions popping their own (stdcall)
    except the variadic and the C ones."""
    callee_saved = (x86.UC_X86_REG_EBX, x86.UC_X86_REG_ESI, x86.UC_X86_REG_EDI, x86.UC_X86_REG_EBP)
    all_registers = (x86.UC_X86_REG_EAX, x86.UC_X86_REG_ECX, x86.UC_X86_REG_EDX) + callee_saved + (
        x86.UC_X86_REG_ESP,)

    def __init__(self, image):
        uc = Uc(UC_ARCH_X86, UC_MODE_32)
        super().__init__(uc, image)
        self.write(RETURN_BASE, b"\xf4" * 16)  # hlt: never run, the hook stops first
        uc.reg_write(x86.UC_X86_REG_ESP, STACK_TOP - 64)

    @staticmethod
    def slot_value(thunk):
        return thunk

    def return_address(self):
        return RETURN_BASE

    def check_thunk_entry(self, address):
        pass

    def check_return(self, address):
        if address != RETURN_BASE:
            raise Fault(f"a return went to 0x{address:x}")

    def pc(self):
        return self.uc.reg_read(x86.UC_X86_REG_EIP)

    def push_call(self, args):
        esp = (self.uc.reg_read(x86.UC_X86_REG_ESP) - 64) & ~15
        stack_before = esp
        for value in reversed(args):
            esp -= 4
            self.put_u32(esp, value)
        esp -= 4
        self.put_u32(esp, self.return_address())
        self.uc.reg_write(x86.UC_X86_REG_ESP, esp)
        return stack_before

    def check_stack_after_call(self, stack_before, count, callee_pops):
        expected = stack_before if callee_pops else stack_before - 4 * count
        actual = self.uc.reg_read(x86.UC_X86_REG_ESP)
        if actual != expected:
            raise Fault(f"the stack pointer is off by {actual - expected} bytes after a call "
                        f"({'the callee' if callee_pops else 'the caller'} pops the arguments)")

    def result(self, wide=False):
        high = self.uc.reg_read(x86.UC_X86_REG_EDX) << 32 if wide else 0
        return self.uc.reg_read(x86.UC_X86_REG_EAX) | high

    def arg(self, number):
        return self.u32(self.uc.reg_read(x86.UC_X86_REG_ESP) + 4 + 4 * number)

    def finish_stand_in(self, result, count, callee_pops):
        esp = self.uc.reg_read(x86.UC_X86_REG_ESP)
        back = self.u32(esp)
        self.uc.reg_write(x86.UC_X86_REG_EAX, result & 0xFFFFFFFF)
        self.uc.reg_write(x86.UC_X86_REG_ESP, esp + 4 + (4 * count if callee_pops else 0))
        self.uc.reg_write(x86.UC_X86_REG_EIP, back)


# The unwinder's register numbers (r0-r15) as Unicorn names them.
UC_REGISTER = {number: getattr(arm, f"UC_ARM_REG_R{number}") for number in range(13)}
UC_REGISTER.update({SP: arm.UC_ARM_REG_SP, LR: arm.UC_ARM_REG_LR})


def cpu_for(image):
    from pe_image import MACHINE_ARM
    return ArmCpu(image) if image.machine == MACHINE_ARM else X86Cpu(image)
