"""The stand-ins of the device's system functions the library imports, one per function, both
builds' names included (the i686 build's desktop names where the device's differ).

Each row: name -> (argument count, C convention, kinds of the recorded arguments, handler). The
C convention matters on x86 only (the caller pops: wsprintfW and the shell stand-in's functions);
on ARM every convention is one. Kinds: i integer, h handle, s text or numbered resource, r
rectangle, f a function of the library's, - not recorded as it stands (the handler records what it
points to). A row without kinds is a helper of the C runtime, answered and counted, not recorded.
Handlers take (system, entry, *raw arguments) and return the result, or (result, as recorded)."""
import struct

from cpu import Fault
from system import (CB_ADDSTRING, CB_GETLBTEXT, ERROR_FILE_NOT_FOUND, ERROR_INVALID_HANDLE,
                    ERROR_MORE_DATA, ERROR_SHARING_VIOLATION, ERROR_SUCCESS, HOST_WINDOW,
                    HWND_BROADCAST, LOGPIXELSX, LOGPIXELSY, RT_DIALOG, STOCK_BASE, SYSTEM_FONT,
                    TODAYM_DRAWWATERMARK, TODAYM_GETCOLOR, TODAYM_TOOKSELECTION, WHITE_BRUSH,
                    WM_CREATE, WM_ERASEBKGND, WM_GETTEXT, WM_SETTEXT, WM_SIZE, WM_WININICHANGE,
                    Unanswered, Window, lparam_shown, signed, wparam_shown)

STAND_INS = {}

DT_CALCRECT = 0x400
TPM_RETURNCMD = 0x100
LMEM_ZEROINIT = 0x40
UNWRITTEN = b"\xa5"  # what fresh local memory holds where nothing was written
WAIT_OBJECT_0, WAIT_TIMEOUT = 0, 0x102
SHELL_READY_EVENT = "SYSTEM/ShellAPIReady"
CHOOSECOLOR_SIZE = 36
FONT_FAMILIES = (("Tahoma", 0), ("Courier New", 0), ("Tahoma", 128), ("MS UI Gothic", 128))
INVALID_HANDLE_VALUE = 0xFFFFFFFF
GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING = 0x40000000, 1, 3
TODAY_ITEMS_CHANGED = 0xF2  # WM_WININICHANGE's flag: the Today screen loads its items again


def stand_in(name, argc, kinds, c_convention=False):
    def register(handler):
        STAND_INS[name] = (argc, c_convention, kinds, handler)
        return handler
    return register


def alias(name, of):
    STAND_INS[name] = STAND_INS[of]


# Fonts: a simple, fixed model of the device's rasteriser, the same for both builds.
def system_font(system):
    return system.pack_logfont(-round(12 * system.dpi / 96), 700, "Tahoma")


def font_record(system, handle):
    if handle == STOCK_BASE + SYSTEM_FONT:
        return struct.unpack("<5i8B", system_font(system)[:28]) + ("Tahoma",)
    obj = system.take(handle, ("font",))
    if obj is None:
        raise Unanswered(f"a font {handle:#x} the library never made")
    return obj.value


def metrics(record):
    height, width, weight = record[0], record[1], record[4]
    pixels = abs(height) or 16
    cell = pixels + pixels // 5 if height < 0 else pixels
    average = width if width > 0 else max(1, pixels * 7 // 16 + (1 if weight >= 700 else 0))
    return cell, average


def text_width(text, average):
    return sum(2 * average if ord(ch) >= 0x2E80 else average for ch in text)


def dc_of(system, handle):
    obj = system.take(handle, ("dc",))
    if obj is None:
        raise Unanswered(f"a device context {handle:#x} that is not open")
    return obj.value


def font_shown(record):
    return (record[0], record[4], record[5], record[8], record[13])


# Time, events, processes, memory.
@stand_in("GetLocalTime", 1, "-")
def get_local_time(system, entry, time):
    system.cpu.write(time, struct.pack("<8H", *system.clock))
    return 0, None


@stand_in("OpenEventW", 3, "iis")
def open_event(system, entry, access, inherit, name):
    if system.text(name) != SHELL_READY_EVENT or not system.script.shell_ready:
        return 0
    return system.new_handle("event", SHELL_READY_EVENT)


@stand_in("WaitForSingleObject", 2, "hi")
def wait_for(system, entry, handle, timeout):
    if system.take(handle, ("event",)) is None:
        return 0xFFFFFFFF
    return WAIT_OBJECT_0 if system.script.shell_ready else WAIT_TIMEOUT


@stand_in("CloseHandle", 1, "h")
def close_handle(system, entry, handle):
    return int(system.release(handle, ("event", "process", "thread", "file")))


# Files: only whether one is there and whether a program holds it, which is all the setup library
# asks of them. A loaded library is open for reading and shared for reading alone, so opening it
# to write, or without sharing it, fails while it is loaded.
@stand_in("CreateFileW", 7, "sii-iih")
def create_file(system, entry, name, access, share, security, disposition, flags, template):
    if security or disposition != OPEN_EXISTING:
        raise Unanswered(f"CreateFileW with security attributes {security:#x} or disposition "
                         f"{disposition}")
    path = system.text(name).lower()
    held = system.today_items is not None and system.today_items.holds(path, system.waited_ms)
    if path not in system.files:
        system.last_error = ERROR_FILE_NOT_FOUND
    elif held and (access & GENERIC_WRITE or not share & FILE_SHARE_READ):
        system.last_error = ERROR_SHARING_VIOLATION
    else:
        system.last_error = ERROR_SUCCESS
        return system.new_handle("file", path)
    return INVALID_HANDLE_VALUE


@stand_in("GetLastError", 0, "")
def get_last_error(system, entry):
    return system.last_error


@stand_in("Sleep", 1, "i")
def sleep(system, entry, milliseconds):
    system.waited_ms += milliseconds
    return 0


@stand_in("CreateProcessW", 10, "ss--ii-s--")
def create_process(system, entry, app, command, pa, ta, inherit, flags, env, folder, startup,
                   information):
    # The start-up record: none on the device, the desktop's otherwise (its size alone).
    entry.out = ("start-up record", system.cpu.u32(startup) if startup else None)
    process = system.new_handle("process", system.text(app))
    thread = system.new_handle("thread", system.text(app))
    system.cpu.write(information, struct.pack("<4I", process, thread, 0x700, 0x704))
    return 1


@stand_in("GetProcAddressW", 2, "hs")
def get_proc_address(system, entry, module, name):
    if module != system.image.base or name >= 0x10000:
        return 0
    address = system.image.exports.get(name, 0)
    return address, (f"export {name}" if address else None)


alias("GetProcAddress", "GetProcAddressW")


# A found resource's handle is made of its type and number, so that finding one takes no number
# from the handles the other calls get (the i686 build finds Select Font's template inside
# DialogBoxParamW, the device's build through FindResourceW).
RESOURCE_HANDLE_BASE = 0x7F000000


def resource_handle(kind, name):
    return RESOURCE_HANDLE_BASE | kind << 16 | name


@stand_in("FindResourceW", 3, "hss")
def find_resource(system, entry, module, name, kind):
    if module != system.image.base or name >= 0x10000 or kind >= 0x100:
        return 0
    if not system.image.find_resource(kind, name):
        return 0
    return resource_handle(kind, name)


@stand_in("LoadResource", 2, "hh")
def load_resource(system, entry, module, resource):
    if module != system.image.base or resource & 0xFF000000 != RESOURCE_HANDLE_BASE:
        return 0
    found = system.image.find_resource(resource >> 16 & 0xFF, resource & 0xFFFF)
    return (found[0], "resource data") if found else 0


@stand_in("LockResource", 1, "-")
def lock_resource(system, entry, data):
    return data, "resource data"


@stand_in("LocalAlloc", 2, "ii")
def local_alloc(system, entry, flags, size):
    # Not zeroed unless asked, as the system's are not: code that reads what it never wrote
    # reads a pattern.
    address = system.alloc(max(size, 1), b"" if flags & LMEM_ZEROINIT else UNWRITTEN * size)
    system.local_blocks[address] = size
    return address, f"block of {size}"


@stand_in("LocalReAlloc", 3, "-ii")
def local_realloc(system, entry, block, size, flags):
    old = system.local_blocks.pop(block, None)
    if old is None:
        raise Fault("LocalReAlloc of a block the library does not hold")
    entry.args = (f"block of {old}",) + entry.args[1:]
    kept = system.cpu.read(block, min(old, size))
    address = system.alloc(max(size, 1), kept + UNWRITTEN * (size - len(kept)))
    system.local_blocks[address] = size
    return address, f"block of {size}"


@stand_in("LocalFree", 1, "-")
def local_free(system, entry, block):
    size = system.local_blocks.pop(block, None)
    if size is None:
        raise Fault("LocalFree of a block the library does not hold")
    entry.args = (f"block of {size}",)
    return 0


@stand_in("memcpy", 3, None)
def memcpy(system, args):
    destination, source, count = args
    system.cpu.write(destination, system.cpu.read(source, count))
    return destination


@stand_in("memset", 3, None)
def memset(system, args):
    destination, value, count = args
    system.cpu.write(destination, bytes([value & 0xFF]) * count)
    return destination


@stand_in("wsprintfW", 2, "-s", c_convention=True)
def wsprintf(system, entry, buffer, form):
    text, cursor, pieces = system.text(form), 2, []
    index = 0
    while index < len(text):
        ch = text[index]
        if ch != "%":
            pieces.append(ch)
        elif text[index + 1 : index + 2] == "%":
            pieces.append("%")
            index += 1
        elif text[index + 1 : index + 2] == "d":
            pieces.append(str(signed(system.cpu.arg(cursor))))
            cursor += 1
            index += 1
        else:
            raise Unanswered(f"wsprintfW with the format '{text}'")
        index += 1
    result = "".join(pieces)
    entry.out = (result,)
    return system.put_text(buffer, 1024, result)


# The registry, in memory.
def key_path(system, root, sub):
    base = system.take(root, ("key",))
    prefix = base.value if base else {0x80000001: "hkcu", 0x80000002: "hklm"}.get(root)
    if prefix is None:
        raise Unanswered(f"a registry root {root:#x}")
    return (prefix + "\\" + system.text(sub).lower()) if sub else prefix


@stand_in("RegOpenKeyExW", 5, "hsii-")
def reg_open_key(system, entry, root, sub, options, access, result):
    path = key_path(system, root, sub)
    if path not in system.registry:
        return ERROR_FILE_NOT_FOUND
    handle = system.new_handle("key", path)
    system.cpu.put_u32(result, handle)
    entry.out = (handle,)
    return ERROR_SUCCESS


@stand_in("RegCreateKeyExW", 9, "hsisii---")
def reg_create_key(system, entry, root, sub, reserved, klass, options, access, security, result,
                   disposition):
    path = key_path(system, root, sub)
    created = path not in system.registry
    system.registry.setdefault(path, {})
    handle = system.new_handle("key", path)
    system.cpu.put_u32(result, handle)
    if disposition:
        system.cpu.put_u32(disposition, 1 if created else 2)
    entry.out = (handle,)
    return ERROR_SUCCESS


@stand_in("RegQueryValueExW", 6, "hs----")
def reg_query_value(system, entry, key, name, reserved, kind, data, size):
    obj = system.take(key, ("key",))
    room = system.cpu.u32(size) if size else 0
    entry.args = entry.args[:2] + (room,)
    stored = system.registry.get(obj.value, {}).get((system.text(name) or "").lower())
    if stored is None:
        return ERROR_FILE_NOT_FOUND
    value_type, value = stored
    if kind:
        system.cpu.put_u32(kind, value_type)
    if size:
        system.cpu.put_u32(size, len(value))
    if data and room < len(value):
        return ERROR_MORE_DATA
    if data:
        system.cpu.write(data, value)
    entry.out = (value_type, value.hex())
    return ERROR_SUCCESS


@stand_in("RegSetValueExW", 6, "hsii-i")
def reg_set_value(system, entry, key, name, reserved, value_type, data, size):
    obj = system.take(key, ("key",))
    value = system.cpu.read(data, size)
    system.registry[obj.value][system.text(name).lower()] = (value_type, value)
    entry.out = (value.hex(),)
    return ERROR_SUCCESS


@stand_in("RegDeleteKeyW", 2, "hs")
def reg_delete_key(system, entry, root, sub):
    # The device's RegDeleteKey takes the key's subkeys with it (the desktop's refuses a key that
    # has any).
    path = key_path(system, root, sub)
    if path not in system.registry:
        return ERROR_FILE_NOT_FOUND
    gone = [key for key in system.registry if key == path or key.startswith(path + "\\")]
    for key in gone:
        del system.registry[key]
    entry.out = (len(gone),)
    return ERROR_SUCCESS


REGISTRY_INFO = ("class", "class length", "reserved", "subkeys", "longest subkey name",
                 "longest class", "values", "longest value name", "longest value",
                 "security descriptor", "last written")


@stand_in("RegQueryInfoKeyW", 12, "h" + "-" * 11)
def reg_query_info_key(system, entry, key, *fields):
    obj = system.take(key, ("key",))
    if obj is None:
        return ERROR_INVALID_HANDLE
    path = obj.value
    subkeys = [k[len(path) + 1 :] for k in system.registry
               if k.startswith(path + "\\") and "\\" not in k[len(path) + 1 :]]
    values = system.registry.get(path, {})
    known = {"subkeys": len(subkeys), "longest subkey name": max(map(len, subkeys), default=0),
             "longest class": 0, "values": len(values),
             "longest value name": max(map(len, values), default=0),
             "longest value": max((len(data) for _, data in values.values()), default=0),
             "security descriptor": 0}
    # Recorded: which of the fields the library asks for, and what they held.
    asked = tuple(name for name, address in zip(REGISTRY_INFO, fields) if address)
    entry.args = (entry.args[0], asked)
    for name, address in zip(REGISTRY_INFO, fields):
        if not address:
            continue
        if name == "last written":
            system.cpu.write(address, bytes(8))
        elif name in known:
            system.cpu.put_u32(address, known[name])
        else:
            raise Unanswered(f"RegQueryInfoKeyW asking for the {name}")
    entry.out = tuple(known.get(name, 0) for name in asked)
    return ERROR_SUCCESS


@stand_in("RegCloseKey", 1, "h")
def reg_close_key(system, entry, key):
    return ERROR_SUCCESS if system.release(key, ("key",)) else 6  # ERROR_INVALID_HANDLE


# Window classes and windows.
@stand_in("RegisterClassW", 1, "-")
def register_class(system, entry, record):
    fields = struct.unpack("<10I", system.cpu.read(record, 40))
    style, proc, class_extra, window_extra, instance, icon, cursor, brush, menu, name = fields
    name_text = system.text(name)
    entry.args = (style, system.function_name(proc), class_extra, window_extra,
                  system.show("h", instance), icon, cursor, brush, system.text(menu), name_text)
    if name_text.lower() in system.classes:
        return 0
    system.classes[name_text.lower()] = (proc, instance)
    return 0xC000 + len(system.classes)


@stand_in("UnregisterClassW", 2, "sh")
def unregister_class(system, entry, name, instance):
    return int(system.classes.pop(system.text(name).lower(), None) is not None)


@stand_in("CreateWindowExW", 12, "issiiiiihhh-")
def create_window(system, entry, ex_style, klass, title, style, x, y, width, height, parent, menu,
                  instance, param):
    found = system.classes.get((system.text(klass) or "").lower())
    if found is None or parent not in system.windows:
        return 0
    proc, _ = found
    default = 0x80000000
    window = Window(system.new_handle("window", system.text(klass), maker=False),
                    system.text(klass), proc, parent,
                    (0 if x == default else signed(x), 0 if y == default else signed(y),
                     signed(width), signed(height)), style, system.text(title) or "")
    system.windows[window.handle] = window
    creation = system.alloc(48, struct.pack("<12I", param, instance, menu, parent, height, width,
                                            y, x, style, title, klass, ex_style))
    if system.send(window.handle, WM_CREATE, 0, creation) == 0xFFFFFFFF:
        system.destroy(window.handle)
        return 0
    system.send(window.handle, WM_SIZE, 0, window.width & 0xFFFF | (window.height & 0xFFFF) << 16)
    if style & 0x10000000:  # WS_VISIBLE: the new window is to be painted
        system.invalidate(window, None, True)
    return window.handle


@stand_in("ShowWindow", 2, "hi")
def show_window(system, entry, window, command):
    return 0


@stand_in("UpdateWindow", 1, "h")
def update_window(system, entry, window):
    system.window(window)
    system.paint_if_needed(window)
    return 1


@stand_in("InvalidateRect", 3, "hri")
def invalidate_rect(system, entry, window, rect, erase):
    system.invalidate(system.window(window), system.rect(rect), erase)
    return 1


@stand_in("ValidateRect", 2, "hr")
def validate_rect(system, entry, window, rect):
    system.window(window).update = None
    return 1


@stand_in("GetClientRect", 2, "h-")
def get_client_rect(system, entry, handle, rect):
    window = system.window(handle)
    system.put_rect(rect, (0, 0, window.width, window.height))
    entry.out = ((0, 0, window.width, window.height),)
    return 1


@stand_in("GetWindowRect", 2, "h-")
def get_window_rect(system, entry, handle, rect):
    window = system.window(handle)
    x, y = system.origin(handle)
    bounds = (x, y, x + window.width, y + window.height)
    system.put_rect(rect, bounds)
    entry.out = (bounds,)
    return 1


@stand_in("MapWindowPoints", 4, "hh-i")
def map_window_points(system, entry, source, target, points, count):
    sx, sy = system.origin(source)
    tx, ty = system.origin(target)
    dx, dy = sx - tx, sy - ty
    moved = []
    for n in range(count):
        x, y = struct.unpack("<2i", system.cpu.read(points + 8 * n, 8))
        moved.append((x + dx, y + dy))
        system.cpu.write(points + 8 * n, struct.pack("<2i", x + dx, y + dy))
    entry.out = tuple(moved)
    return (dx & 0xFFFF) | (dy & 0xFFFF) << 16


@stand_in("GetParent", 1, "h")
def get_parent(system, entry, window):
    return system.window(window).parent or 0


@stand_in("DefWindowProcW", 4, "hiii")
def def_window_proc(system, entry, window, message, wparam, lparam):
    entry.args = (window, message, wparam_shown(message, wparam), lparam_shown(message, lparam))
    return 0


@stand_in("SendMessageW", 4, "hiii")
def send_message(system, entry, target, message, wparam, lparam):
    if target == HWND_BROADCAST:
        if message == WM_WININICHANGE and wparam == TODAY_ITEMS_CHANGED:
            system.reload_requested = True
            if system.today_items is not None:
                system.today_items.reload(system)
            return 0
        raise Unanswered(f"a broadcast of message {message:#x}")
    if target == HOST_WINDOW:
        return host_message(system, entry, message, wparam, lparam)
    window = system.window(target)
    if window.control_id is not None:
        return control_call(system, entry, window, message, wparam, lparam)
    return system.send(target, message, wparam, lparam)


def host_message(system, entry, message, wparam, lparam):
    """The Today screen's answers to its items."""
    if message == TODAYM_GETCOLOR and wparam in system.host_colors:
        return system.host_colors[wparam]
    if message == TODAYM_DRAWWATERMARK:
        dc, left, top, right, bottom, window = struct.unpack("<I4iI",
                                                             system.cpu.read(lparam, 24))
        entry.args = entry.args[:3] + ((dc, (left, top, right, bottom), window),)
        return 1
    if message == TODAYM_TOOKSELECTION:
        system.script.took_selection = wparam
        return 0
    raise Unanswered(f"message {message:#x} to the Today screen")


def control_call(system, entry, control, message, wparam, lparam):
    if message in (WM_SETTEXT, CB_ADDSTRING):
        entry.args = entry.args[:3] + (system.text(lparam),)
    elif message in (WM_GETTEXT, CB_GETLBTEXT):
        entry.args = entry.args[:3] + ("buffer",)
    result, shown = system.control_message(control, message, wparam, lparam)
    if shown is not None:
        entry.out = (shown,)
    return result


@stand_in("SendDlgItemMessageW", 5, "hiiii")
def send_dialog_item_message(system, entry, dialog, control_id, message, wparam, lparam):
    control = system.control(dialog, control_id)
    if control is None:
        return 0
    return control_call(system, entry, control, message, wparam, lparam)


@stand_in("PostMessageW", 4, "hiii")
def post_message(system, entry, window, message, wparam, lparam):
    system.window(window)
    system.posted.append((window, message, wparam, lparam))
    return 1


@stand_in("SetTimer", 4, "hiif")
def set_timer(system, entry, window, timer, period, proc):
    system.timers[(window, timer)] = period
    return timer


@stand_in("KillTimer", 2, "hi")
def kill_timer(system, entry, window, timer):
    return int(system.timers.pop((window, timer), None) is not None)


@stand_in("SetCapture", 1, "h")
def set_capture(system, entry, window):
    previous, system.capture = system.capture, window
    return previous


@stand_in("GetCapture", 0, "")
def get_capture(system, entry):
    return system.capture


@stand_in("ReleaseCapture", 0, "")
def release_capture(system, entry):
    system.capture = 0
    return 1


# Painting and device contexts.
def open_dc(system, window, kind):
    return system.new_handle("dc", {"window": window, "kind": kind, "font": STOCK_BASE +
                                    SYSTEM_FONT, "brush": STOCK_BASE + WHITE_BRUSH, "color": 0,
                                    "mode": 2})


@stand_in("BeginPaint", 2, "h-")
def begin_paint(system, entry, handle, paint):
    window = system.window(handle)
    dc = open_dc(system, handle, "paint")
    area = window.update or (0, 0, 0, 0)
    erase = window.erase
    window.update, window.erase = None, False
    if erase:
        erased = system.send(handle, WM_ERASEBKGND, dc, 0)
        erase = erased == 0
    system.cpu.write(paint, struct.pack("<II4iII", dc, int(erase), *area, 0, 0) + bytes(32))
    entry.out = (area,)
    return dc


@stand_in("EndPaint", 2, "h-")
def end_paint(system, entry, window, paint):
    dc = system.cpu.u32(paint)
    entry.args = (window, dc)
    return int(system.release(dc, ("dc",)))


@stand_in("GetDC", 1, "h")
def get_dc(system, entry, window):
    return open_dc(system, window, "window")


@stand_in("ReleaseDC", 2, "hh")
def release_dc(system, entry, window, dc):
    return int(system.release(dc, ("dc",)))


@stand_in("GetDeviceCaps", 2, "hi")
def get_device_caps(system, entry, dc, index):
    dc_of(system, dc)
    if index not in (LOGPIXELSX, LOGPIXELSY):
        raise Unanswered(f"GetDeviceCaps index {index}")
    return system.dpi


@stand_in("GetStockObject", 1, "i")
def get_stock_object(system, entry, index):
    if index not in (WHITE_BRUSH, SYSTEM_FONT):
        raise Unanswered(f"GetStockObject({index})")
    return STOCK_BASE + index


@stand_in("GetObjectW", 3, "hi-")
def get_object(system, entry, handle, size, buffer):
    if handle != STOCK_BASE + SYSTEM_FONT or size != 92:
        raise Unanswered(f"GetObjectW of {handle:#x} with {size} bytes")
    system.cpu.write(buffer, system_font(system))
    return 92


@stand_in("CreateFontIndirectW", 1, "-")
def create_font(system, entry, record):
    font = system.logfont(record)
    entry.args = (font,)
    return system.new_handle("font", font)


@stand_in("SelectObject", 2, "hh")
def select_object(system, entry, dc, handle):
    state = dc_of(system, dc)
    if handle == STOCK_BASE + SYSTEM_FONT or system.take(handle, ("font",)):
        previous, state["font"] = state["font"], handle
    elif handle == STOCK_BASE + WHITE_BRUSH or system.take(handle, ("brush",)):
        previous, state["brush"] = state["brush"], handle
    else:
        return 0
    return previous


@stand_in("DeleteObject", 1, "h")
def delete_object(system, entry, handle):
    if handle >= STOCK_BASE and handle < STOCK_BASE + 32:
        return 1
    for obj in system.objects.values():
        if obj.kind == "dc" and handle in (obj.value["font"], obj.value["brush"]):
            raise Fault(f"DeleteObject of {handle:#x}, still selected into a device context")
    return int(system.release(handle, ("font", "brush")))


@stand_in("GetTextMetricsW", 2, "h-")
def get_text_metrics(system, entry, dc, buffer):
    cell, average = metrics(font_record(system, dc_of(system, dc)["font"]))
    system.cpu.write(buffer, struct.pack("<11i", cell, cell * 4 // 5, cell // 5, cell // 5, 0,
                                         average, average * 2, 400, 0, 96, 96) + bytes(16))
    entry.out = (cell, average)
    return 1


@stand_in("SetBkMode", 2, "hi")
def set_bk_mode(system, entry, dc, mode):
    state = dc_of(system, dc)
    previous, state["mode"] = state["mode"], mode
    return previous


@stand_in("SetTextColor", 2, "hi")
def set_text_color(system, entry, dc, color):
    state = dc_of(system, dc)
    previous, state["color"] = state["color"], color
    return previous


@stand_in("DrawTextW", 5, "h-iri")
def draw_text(system, entry, dc, text, count, rect, flags):
    state = dc_of(system, dc)
    record = font_record(system, state["font"])
    cell, average = metrics(record)
    words = system.counted_text(text, count)
    entry.args = (dc, words) + entry.args[2:]
    left, top, right, bottom = system.rect(rect)
    if flags & DT_CALCRECT:
        measured = (left, top, left + text_width(words, average), top + cell)
        system.put_rect(rect, measured)
        entry.out = (measured,)
    else:
        entry.out = (font_shown(record), state["color"], state["mode"])
    return cell


@stand_in("DrawIconEx", 9, "hiihiiihi")
def draw_icon(system, entry, dc, x, y, icon, width, height, step, brush, flags):
    dc_of(system, dc)
    return int(system.take(icon, ("icon",)) is not None)


@stand_in("CreateSolidBrush", 1, "i")
def create_brush(system, entry, color):
    return system.new_handle("brush", color)


@stand_in("FillRect", 3, "hrh")
def fill_rect(system, entry, dc, rect, brush):
    dc_of(system, dc)
    obj = system.take(brush, ("brush",))
    entry.out = (obj.value if obj else None,)
    return int(obj is not None)


@stand_in("EnumFontFamiliesW", 4, "hsfi")
def enum_font_families(system, entry, dc, family, proc, data):
    dc_of(system, dc)
    result = 1
    for face, charset in FONT_FAMILIES:
        record = system.alloc(92, system.pack_logfont(-12, 400, face, charset))
        text_metrics = system.alloc(60)
        called = system.record("-> font enumeration", (face, charset))
        called.result = result = signed(system.cpu.call(proc, [record, text_metrics, 4, data],
                                                        callee_pops=True))
        if result == 0:
            break
    return result


# Icons, strings, menus, message boxes.
@stand_in("LoadImageW", 6, "hsiiii")
def load_image(system, entry, module, name, kind, width, height, flags):
    if module != system.image.base or kind != 1:  # IMAGE_ICON
        return 0
    return system.new_handle("icon", (name, width, height))


@stand_in("DestroyIcon", 1, "h")
def destroy_icon(system, entry, icon):
    return int(system.release(icon, ("icon",)))


@stand_in("LoadStringW", 4, "hi-i")
def load_string(system, entry, module, string_id, buffer, capacity):
    text = system.image.string(string_id) if module == system.image.base else None
    if text is None:
        return 0
    written = system.put_text(buffer, capacity, text)
    entry.out = (text[:written],)
    return written


@stand_in("CreatePopupMenu", 0, "")
def create_popup_menu(system, entry):
    return system.new_handle("menu", [])


@stand_in("AppendMenuW", 4, "hiis")
def append_menu(system, entry, menu, flags, command, text):
    obj = system.take(menu, ("menu",))
    obj.value.append((command, system.text(text)))
    return 1


@stand_in("TrackPopupMenuEx", 6, "hiiih-")
def track_popup_menu(system, entry, menu, flags, x, y, window, params):
    items = system.take(menu, ("menu",)).value
    entry.out = tuple(items)
    picked = system.script.menu_pick
    if picked is not None and picked not in [command for command, _ in items]:
        raise Fault(f"the menu holds no command {picked}: {items}")
    return (picked or 0) if flags & TPM_RETURNCMD else 1


@stand_in("DestroyMenu", 1, "h")
def destroy_menu(system, entry, menu):
    return int(system.release(menu, ("menu",)))


@stand_in("MessageBoxW", 4, "hssi")
def message_box(system, entry, owner, text, caption, flags):
    return 1


# Dialogs.
@stand_in("DialogBoxIndirectParamW", 5, "h-hfi")
def dialog_box_indirect(system, entry, module, template, owner, proc, param):
    entry.args = (entry.args[0], f"dialog {system.template_id(template)}") + entry.args[2:]
    return system.run_dialog(template, owner, proc, param)


@stand_in("DialogBoxParamW", 5, "hshfi")
def dialog_box(system, entry, module, name, owner, proc, param):
    found = system.image.find_resource(RT_DIALOG, name) if module == system.image.base else None
    if not found:
        return 0xFFFFFFFF
    return system.run_dialog(found[0], owner, proc, param)


@stand_in("EndDialog", 2, "hi")
def end_dialog(system, entry, dialog, result):
    system.window(dialog).ended = signed(result)
    return 1


@stand_in("GetDlgItem", 2, "hi")
def get_dialog_item(system, entry, dialog, control_id):
    control = system.control(dialog, control_id)
    return control.handle if control else 0


@stand_in("GetDlgItemTextW", 4, "hi-i")
def get_dialog_item_text(system, entry, dialog, control_id, buffer, capacity):
    control = system.control(dialog, control_id)
    if control is None:
        return 0
    result, shown = system.control_message(control, WM_GETTEXT, capacity, buffer)
    entry.out = (shown,)
    return result


@stand_in("EnableWindow", 2, "hi")
def enable_window(system, entry, handle, enable):
    window = system.window(handle)
    was_disabled, window.enabled = not window.enabled, bool(enable)
    return int(was_disabled)


@stand_in("ChooseColor", 1, "-")
def choose_color(system, entry, request):
    size, owner, instance, result, colours, flags = struct.unpack("<6I",
                                                                   system.cpu.read(request, 24))
    custom = struct.unpack("<16I", system.cpu.read(colours, 64)) if colours else None
    entry.args = (size, owner, system.show("h", instance), result, custom, flags)
    if size != CHOOSECOLOR_SIZE:
        return 0
    picked = system.script.colour_pick
    if picked is None:
        return 0
    system.cpu.put_u32(request + 12, picked)
    return 1


alias("ChooseColorW", "ChooseColor")


# The shell helper library.
@stand_in("SHInitDialog", 1, "-", c_convention=True)
def sh_init_dialog(system, entry, info):
    mask, dialog, flags = struct.unpack("<3I", system.cpu.read(info, 12))
    entry.args = (mask, dialog, flags)
    return int(dialog in system.windows)


@stand_in("SHRecognizeGesture", 1, "-", c_convention=True)
def sh_recognize_gesture(system, entry, info):
    size, window, x, y, flags = struct.unpack("<IIiiI", system.cpu.read(info, 20))
    entry.args = (size, window, (x, y), flags)
    return system.script.gesture

