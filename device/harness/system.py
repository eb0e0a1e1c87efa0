"""A stand-in of the device's system for one library in the harness: windows and classes, dialogs
and their controls, GDI objects and device contexts, a registry held in memory, a clock the
session sets, local memory, events and processes, and for the setup library the files the
installer works on and the Today screen holding the libraries of its items. Every call the
library makes is recorded with its arguments as values (texts, rectangles, font records, colours,
handles), never as addresses, so two builds of the library can be compared call by call.

The Today screen itself is a window of the harness's (the host), which answers the item's
colour, watermark and selection messages.

On ARM, every call out is also where the device's unwinder is checked: from the stand-in's entry
it must come back through the library's frames to exactly the harness's call into the library
(its return address, sp and callee-saved registers). A stand-in armed to fault raises an access
violation there instead of answering, dispatched by the same unwinder to the handler the harness
placed in that frame."""
import struct

from cpu import HEAP_BASE, HEAP_SIZE, Fault
from unwinder import UnwindError

HOST_WINDOW = 0x5000
HWND_BROADCAST = 0xFFFF
HKEY_CURRENT_USER = 0x80000001
STOCK_BASE = 0x100  # stock object n is handle STOCK_BASE + n, never released
WHITE_BRUSH, SYSTEM_FONT = 0, 13

WM_CREATE, WM_DESTROY, WM_SIZE, WM_PAINT, WM_CLOSE = 0x01, 0x02, 0x05, 0x0F, 0x10
WM_SETTEXT, WM_GETTEXT, WM_ERASEBKGND, WM_WININICHANGE = 0x0C, 0x0D, 0x14, 0x1A
WM_INITDIALOG, WM_COMMAND, WM_TIMER = 0x110, 0x111, 0x113
BM_GETCHECK, BM_SETCHECK = 0xF0, 0xF1
CB_ADDSTRING, CB_GETCURSEL, CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_SETCURSEL = (
    0x143, 0x147, 0x148, 0x149, 0x14E)
CBN_SELCHANGE, CBN_EDITCHANGE, BN_CLICKED = 1, 5, 0
TODAYM_GETCOLOR, TODAYM_DRAWWATERMARK, TODAYM_TOOKSELECTION = 0x464, 0x465, 0x466
LOGPIXELSX, LOGPIXELSY = 88, 90
CB_ERR = 0xFFFFFFFF
ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA = 0, 2, 234
ERROR_INVALID_HANDLE, ERROR_SHARING_VIOLATION = 6, 32
RT_DIALOG = 5
CBS_DROPDOWN_KINDS = 0x3  # CBS_SIMPLE 1, CBS_DROPDOWN 2, CBS_DROPDOWNLIST 3
CBS_DROPDOWNLIST = 3
CBS_SORT = 0x100
BS_TYPE, BS_AUTOCHECKBOX = 0xF, 3
EXCEPTION_ACCESS_VIOLATION = 0xC0000005


class Unanswered(Exception):
    """A call the stand-in has no answer for: the session stops, naming it."""


class Unwinds:
    """What the unwinder did over a session: the unwinds checked, the frames they went through,
    the table entries (function starts) they met, the deepest, and the exceptions dispatched."""

    def __init__(self):
        self.checked = 0
        self.frames = 0
        self.functions = set()
        self.deepest = 0
        self.table = 0  # the entries of the library's function table
        self.dispatched = []  # (step, the call that faulted, the frames unwound, by name)

    def add(self, other):
        self.checked += other.checked
        self.frames += other.frames
        self.functions |= other.functions
        self.deepest = max(self.deepest, other.deepest)
        self.table = max(self.table, other.table)
        self.dispatched += other.dispatched


def signed(value):
    return value - (1 << 32) if value & 0x80000000 else value


class Entry:
    __slots__ = ("step", "name", "args", "result", "out")

    def __init__(self, step, name, args):
        self.step, self.name, self.args = step, name, args
        self.result = None
        self.out = ()

    def key(self):
        return (self.name, self.args, self.result, self.out)

    def __str__(self):
        text = f"{self.name}({', '.join(map(repr, self.args))}) = {self.result!r}"
        if self.out:
            text += f" -> {', '.join(map(repr, self.out))}"
        return f"[{self.step}] {text}"


class Window:
    def __init__(self, handle, klass, proc, parent, rect, style, text):
        self.handle, self.klass, self.proc, self.parent = handle, klass, proc, parent
        self.x, self.y, self.width, self.height = rect
        self.style, self.text = style, text
        self.update = None  # pending update rectangle, or None
        self.erase = False
        self.enabled = True
        # Dialogs: the controls by id; controls: their list, selection and check.
        self.controls = {}
        self.control_id = None
        self.items = []
        self.selection = -1
        self.check = 0
        self.ended = None  # a dialog's EndDialog result


class Obj:
    def __init__(self, kind, value, maker):
        self.kind, self.value, self.maker = kind, value, maker


class System:
    def __init__(self, cpu, image, stand_ins, dpi, clock, registry, script):
        self.cpu, self.image, self.dpi, self.clock = cpu, image, dpi, clock
        self.registry = registry  # {key path (lower case): {value name: (type, bytes)}}
        self.script = script  # the session's answers: dialogs' steps, menu, gesture, colour
        self.entries = []
        self.step = "load"
        self.heap = HEAP_BASE
        self.objects = {}
        self.next_handle = 0x1000
        self.windows = {HOST_WINDOW: Window(HOST_WINDOW, "DesktopExplorerWindow", None, None,
                                            (0, 26, 240, 268), 0, "Desktop")}
        self.classes = {}
        self.timers = {}
        self.posted = []
        self.capture = 0
        self.reload_requested = False
        self.helper_calls = {}
        self.local_blocks = {}
        self.init_costs = {}  # the library's instructions in each dialog's initialisation
        self.files = set()  # the paths (lower case) of the files there are
        # The setup session's Today screen (setup_session.TodayScreen): which libraries it holds,
        # and its reload when told that the items changed. None in the item's own session.
        self.today_items = None
        self.waited_ms = 0  # the time the library slept away
        self.last_error = 0
        self.host_colors = {0x10000004: 0x000000, 0x10000022: 0x00A06000, 0x10000023: 0x00FFFFFF}
        self.unwinds = Unwinds()
        self.function_names = {}  # start address -> name, from the link map, for messages only
        self.armed = None  # armed(entry): whether this call raises an access violation
        self.dialog_handler = None  # the handler the dialog manager places around a procedure
        self.calls_out = 0
        self.stand_ins = []
        for number, (library, name, slot) in enumerate(image.imports):
            stand_in = stand_ins.get(name)
            self.stand_ins.append((name, stand_in))
            cpu.bind(slot, number)
        cpu.on_thunk = self.dispatch

    # Recording.
    def record(self, name, args):
        entry = Entry(self.step, name, tuple(args))
        self.entries.append(entry)
        return entry

    def dispatch(self, index):
        name, stand_in = self.stand_ins[index]
        self.calls_out += 1
        if self.cpu.unwinder is not None:
            self.check_unwind(name)
        if stand_in is None:
            raise Unanswered(f"{name} has no stand-in")
        argc, c_convention, kinds, handler = stand_in
        raw = [self.cpu.arg(n) for n in range(argc)]
        if kinds is None:  # a helper of the C runtime, answered and counted but not recorded
            result = handler(self, raw)
            self.helper_calls[name] = self.helper_calls.get(name, 0) + 1
        else:
            entry = self.record(name, [self.show(kind, value) for kind, value in zip(kinds, raw)])
            if self.armed is not None and self.armed(entry):
                self.armed = None
                entry.result = "access violation"
                self.raise_access_violation(entry)
                return
            result = handler(self, entry, *raw)
            if isinstance(result, tuple):
                result, entry.result = result
            else:
                entry.result = signed(result)
        self.cpu.finish_stand_in(result, argc, not c_convention)

    # The unwinder.
    def frame_names(self, frames):
        """The functions of the frames, by the link map's name of their entry's start."""
        return [self.function_names.get(frame.entry.start, f"the function at "
                                        f"0x{frame.entry.start:x}") for frame in frames]

    def unwound(self, name):
        """Unwinds from this call out to the harness's call in; Fault, naming the functions,
        when it fails or arrives anywhere else."""
        call = f"call {self.calls_out} ({name}) of step '{self.step}'"
        try:
            arrived, frames, differences = self.cpu.unwind_from_system()
        except UnwindError as error:
            # The frame it could not unwind is named by where its return address is, as the link
            # map has it; the table may have no entry there at all.
            stopped = self.function_names.get(self.function_at(error.pc - 4),
                                              f"the code at 0x{error.pc:x}")
            through = self.frame_names(error.frames)
            raise Fault(f"the unwinder failed in the frame of {stopped} at {call}"
                        f"{', after ' + ' <- '.join(through) if through else ''}: "
                        f"{error}") from None
        if differences:
            names = self.frame_names(frames)
            shown = ", ".join(f"{what} 0x{value:x}, not 0x{expected:x}"
                              for what, value, expected in differences)
            raise Fault(f"the unwinder did not arrive at the harness's call into the library "
                        f"from {call}: unwound {' <- '.join(names) or 'no frame'}, "
                        f"arrived with {shown}")
        return arrived, frames

    def function_at(self, address):
        """The link map's function holding address (start address), for messages."""
        starts = [start for start in self.function_names if start <= address]
        return max(starts) if starts else None

    def check_unwind(self, name):
        arrived, frames = self.unwound(name)
        record = self.unwinds
        record.table = len(self.cpu.unwinder.table)
        record.checked += 1
        record.frames += len(frames)
        record.deepest = max(record.deepest, len(frames))
        record.functions.update(frame.entry.start for frame in frames)

    def raise_access_violation(self, entry):
        """The system's access violation inside this stand-in: dispatched as the device's
        dispatcher does, by unwinding the library's frames to the harness's frame that called
        into the library, where the harness's handler must be; it resumes there with the sp and
        callee-saved registers the unwinding restored."""
        arrived, frames = self.unwound(entry.name)
        if self.cpu.calls_in[-1].handler is None:
            raise Fault(f"an access violation in {entry.name} reached the harness's call into "
                        "the library, which has no handler there")
        self.unwinds.dispatched.append((self.step, entry.name, self.frame_names(frames)))
        self.cpu.resume_at_handler(arrived, EXCEPTION_ACCESS_VIOLATION)

    def show(self, kind, value):
        """An argument as a value both builds agree on."""
        if kind == "i":
            return signed(value)
        if kind == "h":  # a handle: the module's own is named, others are the stand-in's numbers
            return "module" if value == self.image.base else value
        if kind == "s":
            return self.text(value)
        if kind == "r":
            return self.rect(value)
        if kind == "f":  # a function of the library's
            return self.function_name(value)
        return None  # "-": a pointer to memory the call fills or reads in its own way

    def function_name(self, address):
        if address == 0:
            return None
        for ordinal, export in self.image.exports.items():
            if export == address:
                return f"export {ordinal}"
        if not self.image.contains(address):
            raise Fault(f"a function pointer 0x{address:x} outside the library")
        return "function"

    # Memory the system hands the library.
    def alloc(self, size, data=b""):
        address = (self.heap + 15) & ~15
        if address + size > HEAP_BASE + HEAP_SIZE:
            raise Fault("the harness's heap is full")
        self.heap = address + size
        self.cpu.write(address, bytes(size))
        if data:
            self.cpu.write(address, data)
        return address

    def text(self, address, limit=4096):
        if address == 0:
            return None
        if address < 0x10000:
            return f"#{address}"
        units = []
        for offset in range(0, 2 * limit, 64):
            chunk = self.cpu.read(address + offset, 64)
            for n in range(0, 64, 2):
                unit = chunk[n] | chunk[n + 1] << 8
                if unit == 0:
                    return bytes(units).decode("utf-16-le", "replace")
                units += chunk[n : n + 2]
        raise Fault(f"a text at 0x{address:x} has no terminator within {limit} units")

    def counted_text(self, address, count):
        if count == 0xFFFFFFFF:
            return self.text(address)
        return self.cpu.read(address, 2 * count).decode("utf-16-le", "replace")

    def put_text(self, address, capacity, text):
        """Writes text cut to capacity units, terminated; returns the units written."""
        if capacity <= 0:
            return 0
        data = text.encode("utf-16-le")[: 2 * (capacity - 1)]
        self.cpu.write(address, data + b"\0\0")
        return len(data) // 2

    def rect(self, address):
        if address == 0:
            return None
        return struct.unpack("<4i", self.cpu.read(address, 16))

    def put_rect(self, address, rect):
        self.cpu.write(address, struct.pack("<4i", *rect))

    def logfont(self, address):
        fields = struct.unpack("<5i8B", self.cpu.read(address, 28))
        face = self.cpu.read(address + 28, 64).decode("utf-16-le", "replace").split("\0")[0]
        return fields + (face,)

    @staticmethod
    def pack_logfont(height, weight, face, charset=0, italic=0):
        return struct.pack("<5i8B", height, 0, 0, 0, weight, italic, 0, 0, charset, 0, 0, 0,
                           0x22) + face.encode("utf-16-le").ljust(64, b"\0")

    # Handles.
    def new_handle(self, kind, value, maker=True):
        handle = self.next_handle
        self.next_handle += 4
        self.objects[handle] = Obj(kind, value, maker)
        return handle

    def take(self, handle, kinds):
        obj = self.objects.get(handle)
        if obj is None or obj.kind not in kinds:
            return None
        return obj

    def release(self, handle, kinds):
        obj = self.objects.get(handle)
        if obj is None or obj.kind not in kinds:
            return False
        del self.objects[handle]
        return True

    def leaks(self):
        """What the library made and still holds."""
        found = [f"{obj.kind} {handle:#x}" for handle, obj in self.objects.items() if obj.maker]
        found += [f"local block of {size} bytes" for size in self.local_blocks.values()]
        found += [f"window {w.handle:#x} ({w.klass})" for w in self.windows.values()
                  if w.handle != HOST_WINDOW and w.control_id is None]
        found += [f"window class {name}" for name in self.classes]
        found += [f"timer {key}" for key in self.timers]
        return found

    # Windows and messages.
    def window(self, handle):
        window = self.windows.get(handle)
        if window is None:
            raise Unanswered(f"a call on window {handle:#x}, which does not exist")
        return window

    def control(self, dialog, control_id):
        """A control of the dialog by its id, or None."""
        return self.window(dialog).controls.get(signed(control_id))

    def send(self, handle, message, wparam=0, lparam=0, handler=None):
        """A message to a window of the library's, through its procedure; handler(code), where
        given, is the caller's handler of an exception dispatched to it, and its result the
        message's."""
        window = self.window(handle)
        entry = self.record("-> window procedure", (message, wparam_shown(message, wparam),
                                                    lparam_shown(message, lparam)))
        result = self.cpu.call(window.proc, [handle, message, wparam, lparam], callee_pops=True,
                               handler=handler)
        entry.result = signed(result)
        return result

    def origin(self, handle):
        """A window's client origin on the screen."""
        if handle == 0:
            return 0, 0
        window = self.window(handle)
        x, y = window.x, window.y
        if window.parent:
            px, py = self.origin(window.parent)
            x, y = x + px, y + py
        return x, y

    def invalidate(self, window, rect, erase):
        area = rect or (0, 0, window.width, window.height)
        if window.update:
            u = window.update
            area = (min(u[0], area[0]), min(u[1], area[1]), max(u[2], area[2]),
                    max(u[3], area[3]))
        window.update = area
        window.erase = window.erase or bool(erase)

    def paint_if_needed(self, handle):
        window = self.windows.get(handle)
        if window is not None and window.update is not None:
            self.send(handle, WM_PAINT)
            if window.update is not None:
                raise Fault(f"the window {handle:#x} left its update region after WM_PAINT")

    def destroy(self, handle):
        """The host destroys a window of the library's; its timers go with it, as the system's
        do."""
        self.send(handle, WM_DESTROY)
        for key in [k for k in self.timers if k[0] == handle]:
            del self.timers[key]
        if self.capture == handle:
            self.capture = 0
        del self.windows[handle]

    def pump(self):
        """Delivers the posted messages, in order."""
        while self.posted:
            handle, message, wparam, lparam = self.posted.pop(0)
            if handle in self.windows:
                self.send(handle, message, wparam, lparam)

    # Dialogs.
    def run_dialog(self, template, owner, proc, param):
        template_id = self.template_id(template)
        controls = parse_template(self, template)
        dialog = Window(self.new_handle("dialog", template_id, maker=False), "#32770", proc,
                        owner, (0, 0, 240, 268), 0, "")
        self.windows[dialog.handle] = dialog
        for control_id, klass, text, style in controls:
            control = Window(self.new_handle("control", control_id, maker=False), klass, None,
                             dialog.handle, (0, 0, 0, 0), style, text)
            control.control_id = control_id
            self.windows[control.handle] = control
            if control_id != -1:
                dialog.controls[control_id] = control
        before = self.cpu.instructions
        self.dialog_call(dialog, WM_INITDIALOG, 0, param)
        self.init_costs[template_id] = self.cpu.instructions - before
        for action in self.script.dialog_steps(template_id):
            if dialog.ended is not None:
                break
            self.act(dialog, action)
        if dialog.ended is None:
            raise Fault(f"dialog {template_id} did not end on its script's last step")
        self.dialog_call(dialog, WM_DESTROY, 0, 0)
        for control in dialog.controls.values():
            self.windows.pop(control.handle, None)
        for handle in [h for h, w in self.windows.items() if w.parent == dialog.handle]:
            del self.windows[handle]
        del self.windows[dialog.handle]
        del self.objects[dialog.handle]
        return dialog.ended

    def template_id(self, address):
        for template_id in self.script.templates:
            found = self.image.find_resource(RT_DIALOG, template_id)
            if found and found[0] == address:
                return template_id
        raise Unanswered(f"a dialog template at 0x{address:x} that is none of the library's")

    def dialog_call(self, dialog, message, wparam, lparam):
        entry = self.record("-> dialog procedure", (message, wparam, lparam_shown(message,
                                                                                  lparam)))
        entry.result = signed(self.cpu.call(dialog.proc, [dialog.handle, message, wparam, lparam],
                                            callee_pops=True, handler=self.dialog_handler))
        return entry.result

    def abandon_paint(self, handle):
        """What the system does for a paint an exception cut short: the paint's device context
        released, the window validated (the library's own objects are its own)."""
        for dc in [h for h, obj in self.objects.items() if obj.kind == "dc" and
                   obj.value["window"] == handle and obj.value["kind"] == "paint"]:
            del self.objects[dc]
        self.window(handle).update = None

    def act(self, dialog, action):
        """One step a person takes in a dialog."""
        kind = action[0]
        if kind == "arm":  # the next call action[1] holds raises an access violation
            self.armed = action[1]
        elif kind == "done":
            self.dialog_call(dialog, WM_COMMAND, 1, 0)
        elif kind == "cancel":
            self.dialog_call(dialog, WM_COMMAND, 2, 0)
        elif kind == "close":
            self.dialog_call(dialog, WM_CLOSE, 0, 0)
        elif kind == "pick":
            control = dialog.controls[action[1]]
            if action[2] not in control.items:
                raise Fault(f"dialog list {action[1]} holds no '{action[2]}': {control.items}")
            control.selection = control.items.index(action[2])
            if control.style & CBS_DROPDOWN_KINDS != CBS_DROPDOWNLIST:
                control.text = action[2]
            self.dialog_call(dialog, WM_COMMAND, action[1] | CBN_SELCHANGE << 16, control.handle)
        elif kind == "type":
            control = dialog.controls[action[1]]
            control.text = action[2]
            control.selection = -1
            self.dialog_call(dialog, WM_COMMAND, action[1] | CBN_EDITCHANGE << 16,
                             control.handle)
        elif kind == "click":
            control = dialog.controls[action[1]]
            if control.style & BS_TYPE == BS_AUTOCHECKBOX:
                control.check ^= 1
            self.dialog_call(dialog, WM_COMMAND, action[1] | BN_CLICKED << 16, control.handle)
        else:
            raise ValueError(action)

    def control_message(self, control, message, wparam, lparam):
        """What the platform's combo box, static and button answer."""
        klass = control.klass.lower()
        if message == WM_SETTEXT:
            control.text = self.text(lparam)
            return 1, None
        if message == WM_GETTEXT:
            return self.put_text(lparam, wparam, control.text), control.text
        if klass == "combobox":
            if message == CB_ADDSTRING:
                text = self.text(lparam)
                index = len(control.items)
                if control.style & CBS_SORT:
                    index = sum(1 for item in control.items if item.lower() <= text.lower())
                control.items.insert(index, text)
                return index, None
            if message == CB_SETCURSEL:
                control.selection = wparam if wparam < len(control.items) else -1
                if control.selection >= 0 and control.style & 3 != CBS_DROPDOWNLIST:
                    control.text = control.items[control.selection]
                return (wparam if control.selection >= 0 else CB_ERR), None
            if message == CB_GETCURSEL:
                return control.selection & 0xFFFFFFFF, None
            if message == CB_GETLBTEXTLEN:
                if wparam >= len(control.items):
                    return CB_ERR, None
                return len(control.items[wparam].encode("utf-16-le")) // 2, None
            if message == CB_GETLBTEXT:
                if wparam >= len(control.items):
                    return CB_ERR, None
                text = control.items[wparam]
                self.cpu.write(lparam, text.encode("utf-16-le") + b"\0\0")
                return len(text.encode("utf-16-le")) // 2, text
        if klass == "button":
            if message == BM_SETCHECK:
                control.check = wparam
                return 0, None
            if message == BM_GETCHECK:
                return control.check, None
        raise Unanswered(f"message {message:#x} to a {control.klass} control")


def parse_template(system, address):
    from pe_image import parse_dialog_template
    return parse_dialog_template(system.cpu.read, address)


def wparam_shown(message, wparam):
    # The Today screen's cache messages carry the address of the item's record.
    return "item record" if message in (0x4F2, 0x4F3) else wparam


def lparam_shown(message, lparam):
    # The creation message's second argument is an address: what it points to is what it carries.
    if message == WM_CREATE and lparam:
        return "creation record"
    return lparam
