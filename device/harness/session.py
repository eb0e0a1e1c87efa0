"""The scripted session one build of the library goes through in the harness: loaded as the
device's loader loads it, driven as the Today screen drives its items, with the settings page
worked as a person works it. Every process below is a fresh load of the library (the library
keeps its settings and the screen's resolution per process).

On ARM every call the library makes into the system is also an unwind checked (system.py); the
unwinds of all the processes are added up for the summary."""
import os
import struct
import subprocess
import sys

from cpu import Fault, cpu_for
from pe_image import Image
from standins import STAND_INS
from system import (CB_GETCURSEL, EXCEPTION_ACCESS_VIOLATION, HOST_WINDOW, WM_PAINT, WM_SETTEXT,
                    System, Unanswered, Unwinds)

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from check_device_dll import Problem, map_input_sections  # noqa: E402

LOAD_BASE = 0x20000000  # neither build's preferred base: every relocation is applied
DLL_PROCESS_ATTACH, DLL_PROCESS_DETACH = 1, 0
WM_TODAYCUSTOM_CLEARCACHE, WM_TODAYCUSTOM_QUERYREFRESHCACHE = 0x4F2, 0x4F3
WM_TODAYCUSTOM_RECEIVEDSELECTION, WM_TODAYCUSTOM_LOSTSELECTION = 0x4F4, 0x4F5
WM_TODAYCUSTOM_USERNAVIGATION, WM_TODAYCUSTOM_ACTION = 0x4F6, 0x4F7
WM_LBUTTONDOWN, WM_LBUTTONUP, WM_TIMER, WM_SIZE = 0x201, 0x202, 0x113, 0x05
VK_DOWN = 0x28
GN_CONTEXTMENU = 1000
IDM_ITEM_OPTIONS = 101
SECONDS_TIMER = 1
SETTINGS_KEY = "hkcu\\software\\kelbrit\\morvane"
REG_SZ, REG_BINARY, REG_DWORD = 1, 3, 4
ROW_TOP = 40  # where the Today screen places the item's row, below the rows above it

# The settings page worked as a person works it: every list picked, every sub-dialog opened
# with a change in each, the colour chooser and Select Font confirmed, Done.
SETTINGS_PAGE = {
    500: [("pick", 1011, "Stack"), ("pick", 1010, "Time Date"), ("pick", 1012, "Center"),
          ("click", 1008), ("click", 1004), ("click", 1016), ("done",)],
    105: [("pick", 1003, "HH:mm:ss"), ("type", 1005, "yyyy IN d (Y) ww"), ("done",)],
    106: [("pick", 1003, "Use different font for time/date"), ("click", 1006), ("click", 1007),
          ("click", 1008), ("done",)],
    510: [("pick", 1100, "Courier New"), ("pick", 1101, "14"), ("click", 1102), ("done",)],
    108: [("click", 1015), ("click", 1005), ("done",)],
    107: [("done",)],
}
PICKED_COLOUR = 0x00336699

# The stored values the settings page's picks lead to, by name: (type, what the value holds).
EXPECTED_AFTER_PAGE = {
    "fontsel": (REG_DWORD, struct.pack("<I", 2)), "usecolor": (REG_DWORD, struct.pack("<I", 1)),
    "textcolor": (REG_DWORD, struct.pack("<I", PICKED_COLOUR)),
    "disptype": (REG_DWORD, struct.pack("<I", 2)), "disppos": (REG_DWORD, struct.pack("<I", 1)),
    "layout": (REG_DWORD, struct.pack("<I", 1)), "hiddenicon": (REG_DWORD, struct.pack("<I", 1)),
}

# Times of the paint table: midnight, noon, a month's end, the year's end, a leap day. SYSTEMTIME
# fields: year, month, day of week, day, hour, minute, second, milliseconds.
TIMES = (
    (2026, 12, 4, 31, 0, 0, 0, 0),
    (2027, 1, 5, 1, 12, 0, 0, 0),
    (2026, 2, 6, 28, 23, 59, 59, 999),
    (2026, 12, 4, 31, 23, 59, 59, 0),
    (2024, 2, 4, 29, 9, 5, 7, 0),
)
# Formats of the paint table: presets, and long typed ones with the Japanese names.
FORMATS = (
    ("HH:mm", "M/d"),
    ("h:mm tt", "M/d (ww)"),
    ("hh:mm:ss TT", "yyyy/M/d (Y)"),
    ("TT h:mm:ss, HH:mm:ss (H) hh tt", "yyyy IN d (Y) ww, W, MMMM d, yyyy dd-MMM-yy"),
    ("H:mm", "W, MMMM d, yyyy"),
)


class Script:
    """The answers the session gives: the person's steps in each dialog, the menu command, the
    gesture, the colour picked."""
    templates = (105, 106, 107, 108, 500, 510)

    def __init__(self):
        self.shell_ready = True
        self.dialogs = {}
        self.menu_pick = None
        self.gesture = 0
        self.colour_pick = None
        self.took_selection = None

    def dialog_steps(self, template_id):
        return self.dialogs.get(template_id, [("done",)])


class Failed(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Failed(message)


def logfont(height, weight, face, italic=0):
    return struct.pack("<5i8B", height, 0, 0, 0, weight, italic, 0, 0, 0, 0, 0, 0, 0) + \
        face.encode("utf-16-le").ljust(64, b"\0")


def stored_settings(layout, position, display, icon_hidden, own_colour, formats):
    """The twelve values as the library stores them."""
    def dword(value):
        return (REG_DWORD, struct.pack("<I", value))

    def text(value):
        return (REG_SZ, value.encode("utf-16-le") + b"\0\0")

    font_sel = 2 if own_colour else 0
    return {
        "fontsel": dword(font_sel), "timefont": (REG_BINARY, logfont(-20, 700, "Tahoma")),
        "datefont": (REG_BINARY, logfont(-13, 400, "MS UI Gothic", italic=1)),
        "usecolor": dword(own_colour), "textcolor": dword(0x00204080),
        "custcolors": (REG_BINARY, bytes(range(64))), "disptype": dword(display),
        "disppos": dword(position), "timeformat": text(formats[0]),
        "dateformat": text(formats[1]), "layout": dword(layout), "hiddenicon": dword(icon_hidden),
    }


def function_names(path, image):
    """Each function's load address and name, from the link map beside the library
    (LIBRARY.map), demangled; only ever for naming a function in a message."""
    map_path = os.path.splitext(path)[0] + ".map"
    if map_path in NAMES:
        return NAMES[map_path]
    found = {}
    try:
        for output, section, address, size, origin in map_input_sections(map_path):
            if output == ".text" and size and section.startswith(".text$"):
                found[address - image.preferred_base + image.base] = section[len(".text$"):]
    except (OSError, Problem):
        pass
    try:
        readable = subprocess.run(["c++filt"], input="\n".join(found.values()), text=True,
                                  capture_output=True, check=True).stdout.splitlines()
        if len(readable) == len(found):
            found = dict(zip(found, readable))
    except (OSError, subprocess.CalledProcessError):
        pass
    NAMES[map_path] = found
    return found


NAMES = {}  # link map -> its functions' names
UNWINDS = []  # each process's unwinds in this run


class Process:
    """One load of the library into a fresh emulated process."""

    def __init__(self, path, dpi, clock, registry, log):
        self.image = Image(path, LOAD_BASE)
        self.cpu = cpu_for(self.image)
        self.script = Script()
        self.system = System(self.cpu, self.image, STAND_INS, dpi, list(clock), registry,
                             self.script)
        self.log = log
        self.system.entries = log
        if self.cpu.unwinder is not None:
            self.system.function_names = function_names(path, self.image)
            UNWINDS.append(self.system.unwinds)

    def step(self, name):
        global current_step
        self.system.step = current_step = name

    def attach(self):
        self.step("attach")
        result = self.cpu.call(self.image.entry, [self.image.base, DLL_PROCESS_ATTACH, 0],
                               callee_pops=True)
        expect(result == 1, "the module entry refused the attach")

    def detach(self):
        self.step("detach")
        self.cpu.call(self.image.entry, [self.image.base, DLL_PROCESS_DETACH, 0],
                      callee_pops=True)
        leaks = self.system.leaks()
        expect(not leaks, f"still held after detach: {', '.join(leaks)}")

    def item_record(self, enabled):
        name = "Morvane".encode("utf-16-le").ljust(64, b"\0")
        path = "\\Windows\\morvane.dll".encode("utf-16-le").ljust(520, b"\0")
        record = name + struct.pack("<6I", 4, 2, 0, enabled, 1, 0) + path + struct.pack(
            "<5I", self.image.base, 0, 0, 0, 0)
        assert len(record) == 628
        return self.system.alloc(628, record)

    def create_item(self, enabled=True):
        """Export 240 with a fresh record, as the Today screen calls it (a C function)."""
        self.item = self.item_record(enabled)
        entry = self.system.record("-> export 240", (enabled,))
        window = self.cpu.call(self.image.exports[240], [self.item, HOST_WINDOW],
                               callee_pops=False)
        entry.result = window
        return window

    def query(self, window):
        return self.system.send(window, WM_TODAYCUSTOM_QUERYREFRESHCACHE, self.item, 0)

    def reported_height(self):
        return self.cpu.u32(self.item + 72)

    def place(self, window):
        """The Today screen gives the row the height the item reported."""
        row = self.system.window(window)
        row.y, row.height = ROW_TOP, self.reported_height()
        self.system.send(window, WM_SIZE, 0, row.width | row.height << 16)
        self.system.invalidate(row, None, True)
        self.system.paint_if_needed(window)

    def repaint(self, window):
        self.system.invalidate(self.system.window(window), None, True)
        self.system.paint_if_needed(window)

    def counted(self, action):
        """The library's own instructions an action executes (ARM only; 0 elsewhere)."""
        before = self.cpu.instructions
        action()
        return self.cpu.instructions - before

    def tap(self, window, x, y, gesture):
        self.script.gesture = gesture
        self.system.send(window, WM_LBUTTONDOWN, 1, x | y << 16)
        if gesture != GN_CONTEXTMENU:
            self.system.send(window, WM_LBUTTONUP, 0, x | y << 16)


def started(log):
    return [e.args[:2] for e in log if e.name == "CreateProcessW"]


def the_item_lives(path, log, costs):
    """At 96 dpi: the item's life from attach to detach, with the settings page."""
    p = Process(path, 96, TIMES[0][:4] + (9, 10, 41, 0), {}, log)
    p.attach()
    p.step("export 240, unchecked")
    expect(p.create_item(enabled=False) == 0, "an unchecked item made a window")
    p.step("export 240")
    window = p.create_item()
    expect(window, "export 240 made no window")
    p.step("first query")
    expect(p.query(window) == 1 and p.reported_height() == 20,
           f"the first query reported {p.reported_height()} rows of pixels, not 20")
    p.place(window)
    p.step("query, no change")
    costs["unchanged refresh query"] = p.counted(lambda: expect(p.query(window) == 0, "an unchanged query asked "
                                              "for a repaint"))
    p.step("query, next minute")
    p.system.clock[5] += 1
    expect(p.query(window) == 1, "a new minute asked for no repaint")
    p.step("repaint, default settings")
    costs["repaint, default settings"] = p.counted(lambda: p.repaint(window))

    p.step("selection")
    expect(p.system.send(window, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0) == 1,
           "the item refused the highlight")
    p.system.paint_if_needed(window)
    expect(p.system.send(window, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, 0) == 0,
           "the item kept a navigation key")
    p.step("action key")
    p.system.send(window, WM_TODAYCUSTOM_ACTION, 0, 0)
    p.step("selection lost")
    p.system.send(window, WM_TODAYCUSTOM_LOSTSELECTION, 0, 0)
    p.system.paint_if_needed(window)
    p.step("tap")
    p.tap(window, 30, 8, 0)
    p.system.paint_if_needed(window)
    expect(started(log) == [("\\Windows\\ctlpnl.exe", "cplmain.cpl,16")] * 2,
           f"the action key and the tap started {started(log)}")

    p.step("tap and hold, settings page")
    p.script.dialogs = SETTINGS_PAGE
    p.script.menu_pick = IDM_ITEM_OPTIONS
    p.script.colour_pick = PICKED_COLOUR
    p.tap(window, 30, 8, GN_CONTEXTMENU)
    costs["settings page initialisation"] = p.system.init_costs.get(500, 0)
    stored = p.system.registry.get(SETTINGS_KEY, {})
    expect(len(stored) == 12, f"the settings page's Done stored {len(stored)} values, not 12")
    for name, value in EXPECTED_AFTER_PAGE.items():
        expect(stored.get(name) == value, f"the stored {name} is {stored.get(name)}, not {value}")
    p.step("reload request")
    p.system.pump()
    expect(p.system.reload_requested, "the new height asked the Today screen for no reload")
    p.step("reload")
    p.system.send(window, WM_TODAYCUSTOM_CLEARCACHE, p.item, 0)
    p.system.destroy(window)
    window = p.create_item()
    expect(p.query(window) == 1 and p.reported_height() == 40,
           f"after the reload the item reported {p.reported_height()}, not 40")
    p.place(window)
    p.step("seconds timer")
    expect(any(key[0] == window for key in p.system.timers), "seconds shown, but no timer")
    p.system.clock[6] += 1
    p.system.send(window, WM_TIMER, SECONDS_TIMER, 0)
    p.system.paint_if_needed(window)
    expect(p.query(window) == 0, "a query right after the timer's repaint asked for another")
    p.step("destroy")
    p.system.destroy(window)
    p.detach()


def one_item(path, log, dpi, clock, registry, step, then):
    """A fresh process whose item the Today screen makes, sizes and paints;
    then(process, window, first query's answer) runs before the window and the library go."""
    p = Process(path, dpi, clock, registry, log)
    p.attach()
    p.step(step)
    window = p.create_item()
    first = p.query(window)
    p.place(window)
    then(p, window, first)
    p.system.destroy(window)
    p.detach()


def high_resolution(path, log, costs):
    """At 192 dpi: the row and the icon twice as large."""
    def sized(p, window, first):
        expect(first == 1 and p.reported_height() == 40,
               f"at 192 dpi the item reported {p.reported_height()}, not 40")
    one_item(path, log, 192, TIMES[1], {}, "export 240 at 192 dpi", sized)


def paint_table(path, log, costs):
    """Every layout, position and display order, with the icon and the own colour on and off,
    the formats and times of the tables above; every third row selected too."""
    row = 0
    for layout in (0, 1):
        for position in (0, 1, 2):
            for display in range(4):
                formats = FORMATS[row % len(FORMATS)]
                settings = stored_settings(layout, position, display, row % 2, row // 2 % 2,
                                           formats)
                one_item(path, log, 96, TIMES[row % len(TIMES)], {SETTINGS_KEY: settings},
                         f"paint table row {row}: layout {layout}, position {position}, "
                         f"display {display}", highlighted if row % 3 == 0 else nothing)
                row += 1
    # The heaviest layout: time and date stacked and centred, the icon, the longest preset.
    heaviest = stored_settings(1, 1, 2, 0, 0, ("HH:mm", "W, MMMM d, yyyy"))

    def counted_repaint(p, window, first):
        costs["repaint, heaviest layout"] = p.counted(lambda: p.repaint(window))
    one_item(path, log, 96, TIMES[3], {SETTINGS_KEY: heaviest}, "repaint, heaviest layout",
             counted_repaint)


def highlighted(p, window, first):
    p.system.send(window, WM_TODAYCUSTOM_RECEIVEDSELECTION, 0, 0)
    p.system.paint_if_needed(window)


def nothing(p, window, first):
    pass


PARTS = (the_item_lives, high_resolution, paint_table)
current_step = "load"  # the step the session is at, named when it fails


# Exceptions through the library (ARM only: the i686 build has no function table to unwind by).
# The system raises an access violation inside one of its functions the library calls, and the
# device's dispatcher unwinds the library's frames with the unwinder to the frame that called into
# the library, where the Today screen placed a handler. Each is a process of its own; the calls
# are kept apart from the comparison of the two builds.
def the_calls(entries):
    """Calls as two repaints must both make them: what a call of the span returned (a device
    context, a font: fresh handles each time) is named by the call that made it."""
    made = {}
    for e in entries:
        if e.name in ("BeginPaint", "CreateFontIndirectW", "CreateSolidBrush", "GetDC"):
            made.setdefault(e.result, f"from {e.name}")

    def named(value):
        if isinstance(value, tuple):
            return tuple(named(part) for part in value)
        return made.get(value, value) if isinstance(value, int) else value
    return [(e.name, named(e.args), named(e.result), named(e.out)) for e in entries]


def item_for_a_fault(path, log, label):
    """A fresh process with the item made through export 240, sized and placed in its row."""
    p = Process(path, 96, TIMES[0][:4] + (9, 10, 41, 0), {}, log)
    p.attach()
    p.step(f"{label}: export 240")
    window = p.create_item()
    p.query(window)
    p.place(window)
    return p, window


def fault_in_a_paint(path, log):
    """An access violation in DrawIconEx, which the paint calls before it makes anything of its
    own: the Today screen's handler around its WM_PAINT catches it and ends the paint for the
    item; the next repaint draws what the one before the fault drew, and the detach finds
    everything released."""
    p, window = item_for_a_fault(path, log, "fault in a paint")
    p.step("fault in a paint: repaint")
    first = len(log)
    p.repaint(window)
    before = log[first:]
    expect(any(e.name == "DrawIconEx" for e in before), "the repaint drew no icon")

    p.step("fault in a paint: access violation in DrawIconEx")
    caught = []

    def today_screen(code):
        caught.append(code)
        p.system.abandon_paint(window)
        return 0
    p.system.armed = lambda entry: entry.name == "DrawIconEx"
    p.system.invalidate(p.system.window(window), None, True)
    p.system.send(window, WM_PAINT, handler=today_screen)
    expect(caught == [EXCEPTION_ACCESS_VIOLATION],
           f"the Today screen's handler caught {caught}, not one access violation")
    expect(p.system.window(window).update is None, "the paint cut short left its row invalid")

    p.step("fault in a paint: repaint after it")
    first = len(log)
    p.repaint(window)
    expect(the_calls(log[first:]) == the_calls(before),
           "the repaint after the fault differs from the one before it")
    p.step("fault in a paint: destroy")
    p.system.destroy(window)
    p.detach()
    return p.system.unwinds.dispatched


def fault_in_a_dialog(path, log):
    """An access violation in SendMessageW, called by the Format dialog's procedure as a format is
    picked (inside the settings page, inside the item's menu, inside its window procedure): the
    dialog manager's handler around the procedure catches it and the message counts as not
    handled; the pick made again works, and everything after it, out through the outer frames the
    exception left alone, stores what the settings page stores without the fault."""
    p, window = item_for_a_fault(path, log, "fault in a dialog")
    p.step("fault in a dialog: tap and hold, settings page")
    caught = []

    def dialog_manager(code):
        caught.append(code)
        return 0
    p.system.dialog_handler = dialog_manager
    p.script.dialogs = dict(SETTINGS_PAGE)
    p.script.dialogs[105] = [
        ("arm", lambda entry: entry.name == "SendMessageW" and entry.args[1] == CB_GETCURSEL),
    ] + SETTINGS_PAGE[105][:1] + SETTINGS_PAGE[105]
    p.script.menu_pick = IDM_ITEM_OPTIONS
    p.script.colour_pick = PICKED_COLOUR
    first = len(log)
    p.tap(window, 30, 8, GN_CONTEXTMENU)
    expect(caught == [EXCEPTION_ACCESS_VIOLATION],
           f"the dialog manager's handler caught {caught}, not one access violation")
    # The pick made again shows the seconds in the preview, which the one cut short never got to.
    calls = log[first:]
    fault = next(n for n, e in enumerate(calls) if e.result == "access violation")
    again = next(n for n, e in enumerate(calls) if n > fault and e.name == "-> dialog procedure")
    after = next((n for n, e in enumerate(calls) if n > again and
                  e.name == "-> dialog procedure"), len(calls))
    previews = [e.args[3] for e in calls[fault:after] if e.name == "SendDlgItemMessageW" and
                e.args[2] == WM_SETTEXT]
    expect(previews and previews[0].startswith("01:02:03") and
           all(e.name != "SendDlgItemMessageW" for e in calls[fault:again]),
           f"the pick made again after the fault showed {previews}, not the seconds")
    stored = p.system.registry.get(SETTINGS_KEY, {})
    expect(len(stored) == 12, f"the settings page's Done stored {len(stored)} values, not 12")
    # The formats too, the picked one above all: its pick was the one cut short. Text is stored
    # in its buffer's whole length, so what matters is what it begins with.
    expected = dict(EXPECTED_AFTER_PAGE, **{
        name: (REG_SZ, text.encode("utf-16-le") + b"\0\0")
        for name, text in (("timeformat", "HH:mm:ss"), ("dateformat", "yyyy IN d (Y) ww"))})
    for name, (kind, data) in expected.items():
        found = stored.get(name)
        expect(found is not None and found[0] == kind and found[1].startswith(data),
               f"the stored {name} is {found}, not {(kind, data)}")
    p.step("fault in a dialog: reload")
    p.system.pump()
    expect(p.system.reload_requested, "the new height asked the Today screen for no reload")
    p.system.send(window, WM_TODAYCUSTOM_CLEARCACHE, p.item, 0)
    p.system.destroy(window)
    p.detach()
    return p.system.unwinds.dispatched


# Each with where it happens and the handler it must reach.
FAULT_PROCESSES = ((fault_in_a_paint, "in a paint", "the Today screen's, around WM_PAINT"),
               (fault_in_a_dialog, "in the Format dialog's procedure",
                "the dialog manager's, around the procedure"))


def faults(path):
    """The exceptions dispatched through the ARM build: their calls, the unwinds checked in those
    processes, and for each exception (where, the call that raised it, the frames unwound, by
    name, and the handler)."""
    log, dispatched = [], []
    UNWINDS.clear()
    for process, where, handler in FAULT_PROCESSES:
        try:
            found = process(path, log)
        except (Fault, Unanswered, Failed) as problem:
            raise Failed(f"{process.__name__}, step '{current_step}': {problem}") from None
        expect(len(found) == 1, f"{process.__name__} dispatched {len(found)} exceptions, not 1")
        dispatched += [(where, call, frames, handler) for _step, call, frames in found]
    return log, unwinds_of_run(), dispatched


def unwinds_of_run():
    """The unwinds of every process since the last call, added up."""
    total = Unwinds()
    for unwinds in UNWINDS:
        total.add(unwinds)
    UNWINDS.clear()
    return total


def run(path):
    """The whole session on one build: its recorded calls, the costs counted and the unwinds
    checked (ARM)."""
    log, costs = [], {}
    UNWINDS.clear()
    for part in PARTS:
        try:
            part(path, log, costs)
        except (Fault, Unanswered, Failed) as problem:
            raise Failed(f"{part.__name__}, step '{current_step}': {problem}") from None
    return log, costs, unwinds_of_run()

