"""The scripted session the setup library goes through in the harness: loaded as the device's
installer loads it from the cabinet, its entry points found by name and called as the installer
calls them around its own work, against a registry, files and a Today screen that holds the
library of every checked item. Each load is a fresh process, as each installation is."""
import struct

import session
from cpu import Fault
from session import Failed, Process, expect
from system import Unanswered, signed

# The installer's calls, as ce_setup.h declares them, and their answers.
INSTALL_INIT_CONTINUE, INSTALL_INIT_CANCEL = 0, 1
INSTALL_EXIT_DONE = 0
UNINSTALL_INIT_CONTINUE = 0
UNINSTALL_EXIT_DONE = 0
INSTALL_FOLDER = "\\Windows"

LIBRARY = "\\Windows\\morvane.dll"
ITEM_KEY = "hklm\\software\\microsoft\\today\\items\\morvane"
SETTINGS_KEY = session.SETTINGS_KEY
MAKER_KEY = "hkcu\\software\\kelbrit"
REG_SZ, REG_DWORD = 1, 4
WAIT_STEP_MS, WAIT_LIMIT_MS = 100, 5000  # the setup library's polling step and its longest wait
# How long a Today screen busy drawing takes to let go of a library after the reload request.
BUSY_SCREEN_MS = 300


def dword(value):
    return (REG_DWORD, struct.pack("<I", value))


def text(value):
    return (REG_SZ, value.encode("utf-16-le") + b"\0\0")


def item_values(enabled):
    """The Today item's registration as docs/morvane.inf writes it, checked or not."""
    return {"dll": text(LIBRARY), "type": dword(4), "enabled": dword(enabled),
            "options": dword(1), "order": dword(2), "selectability": dword(2)}


def registry_of(keys):
    """A registry holding the keys given and every key above them (the roots aside)."""
    registry = {}
    for path, values in keys.items():
        parts = path.split("\\")
        for depth in range(2, len(parts)):
            registry.setdefault("\\".join(parts[:depth]), {})
        registry[path] = dict(values)
    return registry


def device_with(enabled, settings=True, other_program=False):
    """The device before the installer runs: Morvane registered, checked or not, its library in
    \\Windows, with its settings stored and, if asked, another of the maker's programs' key."""
    keys = {ITEM_KEY: item_values(enabled)}
    if settings:
        keys[SETTINGS_KEY] = {"layout": dword(1), "timeformat": text("HH:mm")}
    if other_program:
        keys[MAKER_KEY + "\\other"] = {"version": dword(2)}
    return registry_of(keys), {LIBRARY.lower()}


class TodayScreen:
    """The Today screen: it holds the library of every checked item open. Told that the items
    changed (WM_WININICHANGE 0xF2, broadcast), it loads them again: it lets go of the library of an
    item no longer checked release_ms of the session's time later, or never when it hangs on to
    it, and loads a checked item's library again."""

    def __init__(self, registry, lets_go=True, release_ms=0):
        self.registry, self.lets_go, self.release_ms = registry, lets_go, release_ms
        self.held = {}  # library (lower case) -> the time it is let go, None while held
        self.now = 0  # the session's time, carried from one process to the next
        self.load(0)

    def load(self, now):
        values = self.registry.get(ITEM_KEY, {})
        library = values.get("dll", (REG_SZ, b"\0\0"))[1].decode("utf-16-le").split("\0")[0]
        enabled = values.get("enabled", dword(0)) != dword(0)
        if not library:
            return
        if enabled:
            self.held[library.lower()] = None
        elif self.lets_go and library.lower() in self.held and self.held[library.lower()] is None:
            self.held[library.lower()] = now + self.release_ms

    def reload(self, system):
        self.load(system.waited_ms)

    def holds(self, library, now):
        if library.lower() not in self.held:
            return False
        free_from = self.held[library.lower()]
        return free_from is None or now < free_from


class Installer:
    """One load of the setup library, as the device's installer makes it."""

    def __init__(self, path, log, registry, files, today):
        self.process = Process(path, 96, (2026, 12, 4, 31, 9, 10, 41, 0), registry, log)
        self.system = self.process.system
        self.system.files = files
        self.system.today_items = today
        self.system.waited_ms = today.now
        self.registry, self.files, self.today = registry, files, today
        self.log = log
        self.process.attach()
        # The installer finds the entry points by name, as GetProcAddress does.
        self.entry_points = {}
        for name in ("Install_Init", "Install_Exit", "Uninstall_Init", "Uninstall_Exit"):
            address = self.process.image.export_named(name)
            expect(address, f"the library exports no {name}")
            self.entry_points[name] = address

    def step(self, name):
        self.process.step(name)
        self.first_entry = len(self.log)

    def call(self, name, args, shown):
        """An entry point called as the installer calls it (the C convention); its answer."""
        entry = self.system.record(f"-> {name}", shown)
        before = self.process.cpu.instructions
        result = self.process.cpu.call(self.entry_points[name], args, callee_pops=False)
        self.instructions = self.process.cpu.instructions - before
        entry.result = signed(result)
        return result

    def wide(self, value):
        return self.system.alloc(2 * len(value) + 2, value.encode("utf-16-le") + b"\0\0")

    def install_init(self):
        return self.call("Install_Init", [0, 1, 1, self.wide(INSTALL_FOLDER)],
                         (None, 1, 1, INSTALL_FOLDER))

    def install_exit(self):
        return self.call("Install_Exit", [0, self.wide(INSTALL_FOLDER), 0, 0, 0, 0, 0],
                         (None, INSTALL_FOLDER, 0, 0, 0, 0, 0))

    def uninstall_init(self):
        return self.call("Uninstall_Init", [0, self.wide(INSTALL_FOLDER)],
                         (None, INSTALL_FOLDER))

    def uninstall_exit(self):
        return self.call("Uninstall_Exit", [0], (None,))

    def calls(self, name):
        """This step's calls of the system's function name."""
        return [entry for entry in self.log[self.first_entry :] if entry.name == name]

    def reloads(self):
        return [entry for entry in self.calls("SendMessageW") if entry.args[0] == 0xFFFF and
                entry.args[1:3] == (0x1A, 0xF2)]

    def enabled(self):
        stored = self.registry.get(ITEM_KEY, {}).get("enabled")
        return struct.unpack("<I", stored[1])[0] if stored else None

    def held(self):
        return self.today.holds(LIBRARY, self.system.waited_ms)

    def the_wait(self, released_after):
        """The step's wait for the library: 100 ms sleeps, at most 5 s in all, and over no later
        than the step after the Today screen let go (None: it never did)."""
        sleeps = [entry.args[0] for entry in self.calls("Sleep")]
        expect(all(ms == WAIT_STEP_MS for ms in sleeps), f"slept {sleeps} ms, not 100 ms steps")
        waited = sum(sleeps)
        expect(waited <= WAIT_LIMIT_MS, f"waited {waited} ms for the library, over 5 s")
        if released_after is not None:
            expect(released_after <= waited < released_after + WAIT_STEP_MS,
                   f"waited {waited} ms for a library let go after {released_after} ms")
        return waited

    def took_item_off(self, name):
        """After an entry point's start on a checked item: the item unchecked, one reload, the
        library released within a step of the busy Today screen letting go, and no message."""
        expect(self.enabled() == 0, f"{name} left the item's Enabled {self.enabled()}, not 0")
        expect(len(self.reloads()) == 1, f"{name} asked for {len(self.reloads())} reloads, not 1")
        expect(not self.held(), f"{name} returned with the library still held")
        self.the_wait(released_after=BUSY_SCREEN_MS)
        self.no_message()

    def no_message(self):
        shown = [entry.args[1] for entry in self.calls("MessageBoxW")]
        expect(not shown, f"a message on success: {shown}")

    def the_installer_writes(self):
        """The installer's own work between Install_Init and Install_Exit: the library replaced
        (which fails while the Today screen holds it) and the registration written, checked."""
        expect(not self.held(), "the installer would write a library the Today screen holds")
        self.files.add(LIBRARY.lower())
        self.registry.setdefault(ITEM_KEY, {}).update(item_values(1))

    def the_installer_removes(self):
        """The installer's own work between Uninstall_Init and Uninstall_Exit: the library and
        the registration it wrote, removed."""
        expect(not self.held(), "the installer would delete a library the Today screen holds")
        self.files.discard(LIBRARY.lower())
        self.registry.pop(ITEM_KEY, None)

    def unload(self):
        self.process.detach()
        self.today.now = self.system.waited_ms


def upgrade_and_removal(path, log, costs):
    """Installed over a checked item that a busy Today screen lets go of late, then removed."""
    registry, files = device_with(enabled=1)
    today = TodayScreen(registry, release_ms=BUSY_SCREEN_MS)
    expect(today.holds(LIBRARY, 0), "the Today screen did not load the checked item")
    i = Installer(path, log, registry, files, today)
    i.step("Install_Init over a checked item")
    expect(i.install_init() == INSTALL_INIT_CONTINUE, "Install_Init did not continue")
    costs["Install_Init, checked item"] = i.instructions
    i.took_item_off("Install_Init")
    i.the_installer_writes()
    i.step("Install_Exit")
    expect(i.install_exit() == INSTALL_EXIT_DONE, "Install_Exit did not answer done")
    costs["Install_Exit"] = i.instructions
    expect(i.enabled() == 1, f"Install_Exit left the item's Enabled {i.enabled()}, not 1")
    expect(len(i.reloads()) == 1, f"Install_Exit asked for {len(i.reloads())} reloads, not 1")
    expect(i.held(), "the Today screen did not load the item again after Install_Exit")
    i.no_message()
    i.unload()

    i = Installer(path, log, registry, files, today)
    i.step("Uninstall_Init")
    expect(i.uninstall_init() == UNINSTALL_INIT_CONTINUE, "Uninstall_Init did not continue")
    costs["Uninstall_Init"] = i.instructions
    i.took_item_off("Uninstall_Init")
    i.the_installer_removes()
    i.step("Uninstall_Exit")
    expect(i.uninstall_exit() == UNINSTALL_EXIT_DONE, "Uninstall_Exit did not answer done")
    costs["Uninstall_Exit"] = i.instructions
    expect(SETTINGS_KEY not in registry, "Uninstall_Exit left the settings key")
    expect(MAKER_KEY not in registry, "Uninstall_Exit left the maker's key, with nothing in it")
    expect("hkcu\\software" in registry, "Uninstall_Exit deleted HKCU\\Software")
    expect(len(i.reloads()) == 1, f"Uninstall_Exit asked for {len(i.reloads())} reloads, not 1")
    i.no_message()
    i.unload()


def unchecked_item(path, log, costs):
    """Installed over an unchecked item, which the Today screen never loaded: nothing to wait
    for, and the item stays unchecked though the installer writes it checked; then removed beside
    another of the maker's programs, whose key stays."""
    registry, files = device_with(enabled=0, other_program=True)
    today = TodayScreen(registry)
    i = Installer(path, log, registry, files, today)
    i.step("Install_Init over an unchecked item")
    expect(i.install_init() == INSTALL_INIT_CONTINUE, "Install_Init did not continue")
    expect(not i.reloads() and not i.calls("CreateFileW"),
           "Install_Init asked for a reload or waited for a library no Today screen loaded")
    expect(i.enabled() == 0, f"Install_Init left the item's Enabled {i.enabled()}, not 0")
    i.the_installer_writes()
    i.step("Install_Exit, item unchecked before")
    expect(i.install_exit() == INSTALL_EXIT_DONE, "Install_Exit did not answer done")
    expect(i.enabled() == 0, f"Install_Exit left the item's Enabled {i.enabled()}, not 0 as the "
           "user had it")
    expect(len(i.reloads()) == 1, f"Install_Exit asked for {len(i.reloads())} reloads, not 1")
    expect(not i.held(), "the Today screen loaded an unchecked item")
    i.unload()

    i = Installer(path, log, registry, files, today)
    i.step("Uninstall_Init, item unchecked")
    expect(i.uninstall_init() == UNINSTALL_INIT_CONTINUE, "Uninstall_Init did not continue")
    expect(not i.reloads(), "Uninstall_Init asked for a reload for an unchecked item")
    i.the_installer_removes()
    i.step("Uninstall_Exit beside another program")
    expect(i.uninstall_exit() == UNINSTALL_EXIT_DONE, "Uninstall_Exit did not answer done")
    expect(SETTINGS_KEY not in registry, "Uninstall_Exit left the settings key")
    expect(MAKER_KEY + "\\other" in registry and registry[MAKER_KEY + "\\other"],
           "Uninstall_Exit deleted another program's key under the maker's")
    i.unload()


def held_for_good(path, log, costs):
    """Installed while the Today screen never lets go of the library: the installation cancelled
    after a bounded wait, the item checked again, and one message naming the library."""
    registry, files = device_with(enabled=1)
    today = TodayScreen(registry, lets_go=False)
    i = Installer(path, log, registry, files, today)
    i.step("Install_Init, library held for good")
    expect(i.install_init() == INSTALL_INIT_CANCEL, "Install_Init did not cancel")
    costs["Install_Init, library held"] = i.instructions
    expect(i.enabled() == 1, f"Install_Init left the item's Enabled {i.enabled()}, not 1")
    expect(len(i.reloads()) == 2, f"Install_Init asked for {len(i.reloads())} reloads, not 2 "
           "(item unchecked, then checked again)")
    waited = i.the_wait(released_after=None)
    expect(waited == WAIT_LIMIT_MS, f"gave up after {waited} ms, not 5 s")
    opened = i.calls("CreateFileW")
    expect(opened and all(entry.result == -1 for entry in opened),
           "the library was opened while the Today screen held it")
    shown = [entry.args[1] for entry in i.calls("MessageBoxW")]
    expect(len(shown) == 1 and LIBRARY in shown[0],
           f"showed {shown}, not one message naming {LIBRARY}")
    i.unload()


PARTS = (upgrade_and_removal, unchecked_item, held_for_good)


def run(path):
    """The whole setup session on one build: its recorded calls, the library's instructions per
    entry point call and the unwinds checked (ARM only)."""
    log, costs = [], {}
    session.UNWINDS.clear()
    for part in PARTS:
        try:
            part(path, log, costs)
        except (Fault, Unanswered, Failed) as problem:
            raise Failed(f"{part.__name__}, step '{session.current_step}': {problem}") from None
    return log, costs, session.unwinds_of_run()
