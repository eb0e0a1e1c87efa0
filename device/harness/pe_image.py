"""A PE library as the device's loader maps it: sections at a base of the harness's choosing (not
the preferred one, so every base relocation is applied), the import slots to bind, the exports by
ordinal and by name, and the resources the stand-ins serve from it."""
import bisect
import struct

import pefile

MACHINE_ARM = 0x1C0
MACHINE_I386 = 0x14C
RT_STRING = 6
RT_DIALOG = 5
RT_ICON = 3
RT_GROUP_ICON = 14


class LoadError(Exception):
    pass


class Image:
    def __init__(self, path, base):
        self.path = path
        self.pe = pefile.PE(path)
        self.machine = self.pe.FILE_HEADER.Machine
        if self.machine not in (MACHINE_ARM, MACHINE_I386):
            raise LoadError(f"{path}: machine 0x{self.machine:x} is neither ARM nor i386")
        self.preferred_base = self.pe.OPTIONAL_HEADER.ImageBase
        if base == self.preferred_base:
            raise LoadError("the harness loads every image away from its preferred base")
        self.base = base
        self.size = (self.pe.OPTIONAL_HEADER.SizeOfImage + 0xFFF) & ~0xFFF
        self.entry = base + self.pe.OPTIONAL_HEADER.AddressOfEntryPoint
        self.relocations = 0
        self.bytes = self._map()
        self.imports = self._imports()
        self.exports = self._exports()

    def _map(self):
        image = bytearray(self.size)
        headers = self.pe.OPTIONAL_HEADER.SizeOfHeaders
        image[:headers] = self.pe.__data__[:headers]
        for section in self.pe.sections:
            data = section.get_data()
            if section.Misc_VirtualSize:
                data = data[: section.Misc_VirtualSize]
            start = section.VirtualAddress
            image[start : start + len(data)] = data
        delta = (self.base - self.preferred_base) & 0xFFFFFFFF
        for block in getattr(self.pe, "DIRECTORY_ENTRY_BASERELOC", []):
            for entry in block.entries:
                if entry.type == 0:  # padding
                    continue
                if entry.type != 3:  # IMAGE_REL_BASED_HIGHLOW, the only kind a 32-bit image needs
                    raise LoadError(f"base relocation of type {entry.type} at 0x{entry.rva:x}")
                (value,) = struct.unpack_from("<I", image, entry.rva)
                struct.pack_into("<I", image, entry.rva, (value + delta) & 0xFFFFFFFF)
                self.relocations += 1
        return bytes(image)

    def _imports(self):
        """(library, function, slot address) for every import, by name only."""
        found = []
        for library in getattr(self.pe, "DIRECTORY_ENTRY_IMPORT", []):
            for symbol in library.imports:
                if symbol.name is None:
                    raise LoadError(f"{library.dll.decode()} ordinal {symbol.ordinal}: "
                                    "imports by ordinal are not expected")
                found.append((library.dll.decode(), symbol.name.decode(),
                              self.base + symbol.address - self.preferred_base))
        return found

    def _exports(self):
        exports = {}
        directory = getattr(self.pe, "DIRECTORY_ENTRY_EXPORT", None)
        for symbol in directory.symbols if directory else []:
            exports[symbol.ordinal] = self.base + symbol.address
        return exports

    def export_named(self, name):
        """An export's address found by its name as GetProcAddress finds it, in the mapped image:
        the name pointer table searched by halves (the loader relies on its ascending order), the
        name's ordinal index, then the address table. None when no export has the name."""
        directory = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[0]  # IMAGE_DIRECTORY_ENTRY_EXPORT
        if not directory.VirtualAddress:
            return None
        (_flags, _stamp, _major, _minor, _name, _base, functions, count, address_table,
         name_table, ordinal_table) = struct.unpack_from("<IIHHIIIIIII", self.bytes,
                                                         directory.VirtualAddress)
        names = [self._c_string(struct.unpack_from("<I", self.bytes, name_table + 4 * n)[0])
                 for n in range(count)]
        if names != sorted(names):
            raise LoadError(f"{self.path}: the export names are not in ascending order: {names}")
        found = bisect.bisect_left(names, name.encode("ascii"))
        if found == count or names[found] != name.encode("ascii"):
            return None
        (index,) = struct.unpack_from("<H", self.bytes, ordinal_table + 2 * found)
        if index >= functions:
            raise LoadError(f"{self.path}: {name} has ordinal index {index} of {functions}")
        (rva,) = struct.unpack_from("<I", self.bytes, address_table + 4 * index)
        if directory.VirtualAddress <= rva < directory.VirtualAddress + directory.Size:
            raise LoadError(f"{self.path}: {name} is forwarded to another library")
        return self.base + rva

    def _c_string(self, rva):
        return self.bytes[rva : self.bytes.index(b"\0", rva)]

    def contains(self, address):
        return self.base <= address < self.base + self.size

    def find_resource(self, type_id, name_id):
        """(address, size) of the first language of a numbered resource, or None."""
        for kind in getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None).entries:
            if kind.id != type_id:
                continue
            for name in kind.directory.entries:
                if name.id != name_id:
                    continue
                data = name.directory.entries[0].data.struct
                return self.base + data.OffsetToData, data.Size
        return None

    def string(self, string_id):
        """String string_id of the string table, or None."""
        found = self.find_resource(RT_STRING, string_id // 16 + 1)
        if not found:
            return None
        address, size = found
        data = self.bytes[address - self.base : address - self.base + size]
        offset = 0
        for index in range(16):
            (length,) = struct.unpack_from("<H", data, offset)
            offset += 2
            if index == string_id % 16:
                return data[offset : offset + 2 * length].decode("utf-16-le")
            offset += 2 * length
        return None


def read_ordinal_or_text(read_u16, address):
    """A resource-style name in a dialog template: (value, new address); value is None, an int or
    a str."""
    first = read_u16(address)
    if first == 0:
        return None, address + 2
    if first == 0xFFFF:
        return read_u16(address + 2), address + 4
    chars = []
    while True:
        unit = read_u16(address)
        address += 2
        if unit == 0:
            return "".join(chars), address
        chars.append(chr(unit))


CONTROL_CLASSES = {0x80: "Button", 0x81: "Edit", 0x82: "Static", 0x83: "ListBox",
                   0x84: "ScrollBar", 0x85: "ComboBox"}


def parse_dialog_template(read, address):
    """The controls of a DLGTEMPLATE (the device takes no extended ones) in memory: a list of
    (id, class, text, style)."""
    def u16(a):
        return struct.unpack("<H", read(a, 2))[0]

    style, _extended, count = struct.unpack("<IIH", read(address, 10))
    if u16(address) == 1 and u16(address + 2) == 0xFFFF:
        raise LoadError("an extended dialog template, which the device does not take")
    cursor = address + 18
    _menu, cursor = read_ordinal_or_text(u16, cursor)
    _klass, cursor = read_ordinal_or_text(u16, cursor)
    _caption, cursor = read_ordinal_or_text(u16, cursor)
    if style & 0x40:  # DS_SETFONT: point size, then the face
        cursor += 2
        _face, cursor = read_ordinal_or_text(u16, cursor)
    controls = []
    for _ in range(count):
        cursor = (cursor + 3) & ~3
        item_style, _ex, _x, _y, _cx, _cy, control_id = struct.unpack("<IIhhhhH", read(cursor, 18))
        cursor += 18
        klass, cursor = read_ordinal_or_text(u16, cursor)
        text, cursor = read_ordinal_or_text(u16, cursor)
        extra = u16(cursor)
        cursor += 2 + extra
        if isinstance(klass, int):
            klass = CONTROL_CLASSES.get(klass, f"#{klass}")
        controls.append((control_id if control_id != 0xFFFF else -1, klass, text or "",
                         item_style))
    return controls
