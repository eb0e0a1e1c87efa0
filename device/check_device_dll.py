#!/usr/bin/python3
"""Checks the device's morvane.dll as the device's loader and the Today screen take it, or with
--setup its morvane_setup.dll as the device's loader and installer take it:

    check_device_dll.py [--setup] header|exports|imports|size|functions DLL [MAP]

  header     machine ARM (0x1C0), subsystem Windows CE GUI (9) version 5.01, neither dynamic-base
             nor NX flag, base relocations present, nothing linked from .ctors or .dtors (by MAP,
             the link map: nothing on the device would run them), no floating-point helper
             imported; and as the SDK's images have them: a time stamp, the same in the export
             directory, the import address table's directory over exactly the FirstThunk arrays,
             .rsrc read-only, no debug-stripped flag, a checksum that matches the file
  exports    ordinals 240 and 241 and nothing else, no names; with --setup, the installer's four
             entry points by name (Install_Init, Install_Exit, Uninstall_Init, Uninstall_Exit),
             each code, and nothing else
  imports    from coredll.dll, aygshell.dll and commdlg.dll only, every one by name; with --setup,
             from coredll.dll only
  size       the file's size, at most 48 KiB (morvane.dll only)
  functions  the function table Windows CE unwinds a stack by (.pdata): the exception directory
             on it, entries sorted and apart, every function of MAP (each .text$NAME section)
             covered by exactly one entry of its length, marked ARM code without a handler, whose
             prologue length is that of the stack instructions its code starts with, and whose
             start a base relocation covers; no code outside a function's own section

Prints what it found; exits 1 naming the first thing that is not as it must be. The expected
values are typed here on purpose, apart from the build's own flags: the check is an oracle of
what the device requires, not a copy of the build."""
import re
import sys

import pefile

MACHINE_ARM = 0x1C0
SUBSYSTEM_WINDOWS_CE_GUI = 9
DYNAMIC_BASE, NX_COMPAT = 0x40, 0x100
EXPORTED_ORDINALS = {240, 241}
DEVICE_LIBRARIES = {"coredll.dll", "aygshell.dll", "commdlg.dll"}
# The names the device's installer looks the setup library's entry points up by (ce_setup.h's
# szINSTALL_INIT and the others), and the one library it may import from.
SETUP_EXPORTS = {"Install_Init", "Install_Exit", "Uninstall_Init", "Uninstall_Exit"}
SETUP_LIBRARIES = {"coredll.dll"}
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
IMAGE_FILE_DEBUG_STRIPPED = 0x0200
EXCEPTION_DIRECTORY, IMPORT_ADDRESS_TABLE_DIRECTORY = 3, 12
# A function table entry (the Windows CE ARM reference's PDATA): the start address, then the
# prologue's length (bits 0-7) and the function's (bits 8-29) in instructions, the 32-bit-code
# flag (bit 30) and the exception-handler flag (bit 31).
TABLE_ENTRY = 8
ARM_CODE, HAS_HANDLER = 1 << 30, 1 << 31
IMAGE_REL_BASED_HIGHLOW = 3
SIZE_LIMIT = 48 * 1024
# Floating-point helpers: GCC's soft-float ones and the device's own (coredll.dll's __adds, __muld,
# __dtoi and the like), none of which integer-only code needs.
FLOAT_HELPER = re.compile(r"^__(aeabi_[fd]|(add|sub|mul|div|neg|cmp|eq|ne|lt|le|gt|ge|unord)"
                          r"[sd]f\d|fix|float|extend|trunc|(add|sub|mul|div|neg|cmp|eq|ne|lt|le|"
                          r"gt|ge)[sd]$|[sd]to|[iu]to[sd]|[sd]to[iu])")


class Problem(Exception):
    pass


def require(condition, message):
    if not condition:
        raise Problem(message)


def check_header(pe, path, map_path):
    header = pe.FILE_HEADER
    optional = pe.OPTIONAL_HEADER
    require(header.Machine == MACHINE_ARM, f"machine 0x{header.Machine:X}, not ARM (0x1C0)")
    require(optional.Subsystem == SUBSYSTEM_WINDOWS_CE_GUI,
            f"subsystem {optional.Subsystem}, not Windows CE GUI (9)")
    version = (optional.MajorSubsystemVersion, optional.MinorSubsystemVersion)
    require(version == (5, 1), f"subsystem version {version[0]}.{version[1]:02d}, not 5.01")
    flags = optional.DllCharacteristics
    require(not flags & DYNAMIC_BASE, "the dynamic-base flag is set")
    require(not flags & NX_COMPAT, "the NX flag is set")
    relocations = sum(len(block.entries) for block in
                      getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []))
    require(relocations > 0, "no base relocations: the loader could not move it")
    constructors = linked_sections(map_path, (".ctors", ".dtors"))
    require(not constructors, f"links {', '.join(constructors)}, which nothing would run")
    floating = [name for _, name in imports(pe) if FLOAT_HELPER.match(name)]
    require(not floating, f"imports floating-point helpers: {', '.join(floating)}")
    stamp = header.TimeDateStamp
    require(stamp != 0, "no time stamp (TimeDateStamp 0)")
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    require(exports is None or exports.struct.TimeDateStamp == stamp,
            f"the export directory's time stamp {exports and exports.struct.TimeDateStamp} is "
            f"not the file's {stamp}")
    iat_rva, iat_size = import_address_table(pe)
    directory = optional.DATA_DIRECTORY[IMPORT_ADDRESS_TABLE_DIRECTORY]
    require((directory.VirtualAddress, directory.Size) == (iat_rva, iat_size),
            f"the import address table's directory is RVA 0x{directory.VirtualAddress:x}, "
            f"{directory.Size} bytes, not the FirstThunk arrays' 0x{iat_rva:x}, {iat_size} bytes")
    resources = [section for section in pe.sections if section.Name.rstrip(b"\0") == b".rsrc"]
    require(not any(section.Characteristics & IMAGE_SCN_MEM_WRITE for section in resources),
            ".rsrc is writable")
    require(not header.Characteristics & IMAGE_FILE_DEBUG_STRIPPED,
            f"the debug-stripped flag is set (Characteristics 0x{header.Characteristics:04X})")
    require(optional.CheckSum == pe.generate_checksum(),
            f"checksum 0x{optional.CheckSum:08X}, the file's is 0x{pe.generate_checksum():08X}")
    return (f"machine ARM, subsystem Windows CE GUI 5.01, DllCharacteristics 0x{flags:04X}, "
            f"{relocations} base relocations, no constructors, no floating-point helpers; "
            f"time stamp {stamp}, the export directory's too; import address table at RVA "
            f"0x{iat_rva:x}, {iat_size} bytes; "
            f"{'.rsrc read-only' if resources else 'no resources'}; Characteristics "
            f"0x{header.Characteristics:04X}, without debug-stripped; checksum "
            f"0x{optional.CheckSum:08X}, the file's")


def import_address_table(pe):
    """The RVA and size the FirstThunk arrays span together, each with its closing zero, when they
    lie one after another; (0, 0) without imports."""
    arrays = []
    for library in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        start = end = library.struct.FirstThunk
        while pe.get_dword_at_rva(end):
            end += 4
        arrays.append((start, end + 4))
    if not arrays:
        return 0, 0
    arrays.sort()
    for (_, end), (start, _) in zip(arrays, arrays[1:]):
        require(start == end, f"the FirstThunk arrays are not one table (a gap or an overlap at "
                              f"RVA 0x{start:x})")
    return arrays[0][0], arrays[-1][1] - arrays[0][0]


def linked_sections(map_path, prefixes):
    """Input sections of the link map with a name of the prefixes and a size other than 0."""
    found = []
    pending = None
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            match = re.match(r"^ (\.\S+)(?:\s+0x[0-9a-f]+\s+0x([0-9a-f]+))?", line)
            if pending and not match:
                size = re.match(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)", line)
                if size and int(size.group(1), 16):
                    found.append(pending)
                pending = None
                continue
            pending = None
            if match and match.group(1).startswith(prefixes):
                if match.group(2) is None:
                    pending = match.group(1)
                elif int(match.group(2), 16):
                    found.append(match.group(1))
    return found


def map_input_sections(map_path):
    """(output section, input section, address, size, file) for every input section the link
    map places, in its order."""
    found = []
    output = None
    pending = None
    with open(map_path, encoding="utf-8", errors="replace") as f:
        # What comes before is the list of discarded sections, which are in no output section.
        lines = f.read().split("Linker script and memory map", 1)[-1].splitlines()
    for line in lines:
        if pending:
            placed = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
            if placed:
                found.append((output, pending, int(placed.group(1), 16),
                              int(placed.group(2), 16), placed.group(3)))
            pending = None
            continue
        heading = re.match(r"^(\S+)", line)
        if heading:
            output = heading.group(1)
            continue
        placed = re.match(r"^ (\.\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*))?$", line)
        if placed and placed.group(2) is None:
            pending = placed.group(1)
        elif placed:
            found.append((output, placed.group(1), int(placed.group(2), 16),
                          int(placed.group(3), 16), placed.group(4)))
    return found


def functions_of_map(map_path):
    """Address to (name, size) of every function the link map puts in .text: each is a .text$NAME
    section of its own (-ffunction-sections, COMDAT groups, the import call stubs)."""
    functions = {}
    for output, name, address, size, origin in map_input_sections(map_path):
        if output != ".text" or not size:
            continue
        require(name.startswith(".text$"),
                f"{size} bytes of code in {name} of {origin}, outside a function's own section, "
                "where the function table cannot cover it")
        functions[address] = (name[len(".text$"):], size)
    return functions


def without_entry(functions, covered):
    """The functions of the link map no entry covers, named (the first ten)."""
    missing = [name for address, (name, _) in sorted(functions.items()) if address not in covered]
    more = f" and {len(missing) - 10} more" if len(missing) > 10 else ""
    return f"{len(missing)} functions without an entry: {', '.join(missing[:10])}{more}"


# The ARM instructions of a prologue the device's unwinder undoes (condition "always"): registers
# saved (STMDB sp!, which push is, or STR of one register to [sp, #-4]!), stack allocated
# (SUB sp, sp, #n), and with a frame pointer MOV ip, sp first and SUB fp, ip, #n or ADD fp, sp, #n.
PROLOGUE_INSTRUCTIONS = (
    (0xFFFF0000, 0xE92D0000),  # stmdb sp!, {...}
    (0xFFFF0FFF, 0xE52D0004),  # str rX, [sp, #-4]!
    (0xFFFFF000, 0xE24DD000),  # sub sp, sp, #n
    (0xFFFFF000, 0xE24CB000),  # sub fp, ip, #n
    (0xFFFFF000, 0xE28DB000),  # add fp, sp, #n
)
MOV_IP_SP = 0xE1A0C00D


def prologue_length(pe, rva, limit):
    """How many instructions from RVA, at most LIMIT, are prologue instructions."""
    length = 0
    while length < limit:
        word = pe.get_dword_at_rva(rva + 4 * length)
        if not (any(word & mask == value for mask, value in PROLOGUE_INSTRUCTIONS) or
                (length == 0 and word == MOV_IP_SP)):
            break
        length += 1
    return length


def check_functions(pe, path, map_path):
    require(map_path, "no link map given")
    optional = pe.OPTIONAL_HEADER
    base = optional.ImageBase
    directory = optional.DATA_DIRECTORY[EXCEPTION_DIRECTORY]
    functions = functions_of_map(map_path)
    require(directory.VirtualAddress and directory.Size,
            f"no function table (the exception directory is empty): "
            f"{without_entry(functions, set())}")
    section = pe.get_section_by_rva(directory.VirtualAddress)
    require(section is not None and section.Name.rstrip(b"\0") == b".pdata" and
            section.VirtualAddress == directory.VirtualAddress and
            section.Misc_VirtualSize == directory.Size,
            f"the exception directory (RVA 0x{directory.VirtualAddress:x}, {directory.Size} "
            "bytes) is not the .pdata section")
    require(directory.Size % TABLE_ENTRY == 0,
            f"the function table's {directory.Size} bytes are not whole entries")
    relocations = {entry.rva for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
                   for entry in block.entries if entry.type == IMAGE_REL_BASED_HIGHLOW}

    entries = []
    for index in range(directory.Size // TABLE_ENTRY):
        rva = directory.VirtualAddress + index * TABLE_ENTRY
        start, word = pe.get_dword_at_rva(rva), pe.get_dword_at_rva(rva + 4)
        entries.append((start, word & 0xFF, (word >> 8) & 0x3FFFFF, word, rva))
    previous = None
    for start, prologue, length, word, rva in entries:
        name = functions.get(start, (f"at 0x{start:x}",))[0]
        require(start in functions, f"the entry at RVA 0x{rva:x} starts at 0x{start:x}, where no "
                                    "function of the link map starts")
        if previous:
            require(start != previous[0], f"two entries for {name}")
            require(start > previous[0], f"the function table is not sorted: {name} (0x{start:x}) "
                                         f"after {previous[1]} (0x{previous[0]:x})")
            require(previous[0] + 4 * previous[2] <= start,
                    f"the entry of {previous[1]} ({previous[2]} instructions) overlaps {name}")
        previous = (start, name, length)
        require(word & ARM_CODE and not word & HAS_HANDLER,
                f"the entry of {name} is 0x{word:08X}: not ARM code, or with a handler")
        size = functions[start][1]
        require(4 * length == size, f"the entry of {name} gives {length} instructions, the "
                                    f"function is {size // 4} ({size} bytes)")
        found = prologue_length(pe, start - base, length)
        require(found == prologue, f"the entry of {name} gives a prologue of {prologue} "
                                   f"instructions, its code starts with {found}")
        require(rva in relocations and rva + 4 not in relocations,
                f"the entry of {name}: its start is not the one word of it a base relocation "
                "covers")
    covered = {start for start, *_ in entries}
    require(covered >= set(functions), without_entry(functions, covered))
    with_prologue = sum(1 for entry in entries if entry[1])
    return (f"function table of {len(entries)} functions, sorted, apart, each a function of the "
            f"link map with its length and prologue ({with_prologue} with a prologue, "
            f"{len(entries) - with_prologue} without), each start relocated")


def check_exports(pe, path, map_path):
    directory = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    require(directory is not None, "no export table")
    ordinals = {symbol.ordinal for symbol in directory.symbols if symbol.address}
    require(ordinals == EXPORTED_ORDINALS, f"exports ordinals {sorted(ordinals)}, not 240 and 241")
    names = [symbol.name.decode() for symbol in directory.symbols if symbol.name]
    require(directory.struct.NumberOfNames == 0 and not names,
            f"exports by name: {', '.join(names) or directory.struct.NumberOfNames}")
    return "exports 240 and 241 by ordinal, no names"


def check_setup_exports(pe, path, map_path):
    directory = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    require(directory is not None, "no export table")
    exported = [symbol for symbol in directory.symbols if symbol.address]
    unnamed = [symbol.ordinal for symbol in exported if not symbol.name]
    require(not unnamed, f"exports ordinals {unnamed} without a name")
    names = sorted(symbol.name.decode() for symbol in exported)
    require(set(names) == SETUP_EXPORTS and len(names) == len(SETUP_EXPORTS),
            f"exports {', '.join(names) or 'nothing'}, not {', '.join(sorted(SETUP_EXPORTS))}")
    for symbol in exported:
        section = pe.get_section_by_rva(symbol.address)
        require(section is not None and section.Characteristics & IMAGE_SCN_MEM_EXECUTE,
                f"{symbol.name.decode()} is not code (RVA 0x{symbol.address:x})")
    return f"exports {', '.join(names)} by name, each code, nothing else"


def imports(pe):
    for library in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        for symbol in library.imports:
            yield library.dll.decode(), (symbol.name.decode() if symbol.name else None)


def check_imports(pe, path, map_path, allowed=DEVICE_LIBRARIES):
    found = list(imports(pe))
    require(found, "imports nothing")
    libraries = {library.lower() for library, _ in found}
    require(libraries <= allowed, f"imports from {', '.join(sorted(libraries - allowed))}")
    by_ordinal = [library for library, name in found if name is None]
    require(not by_ordinal, f"imports by ordinal from {', '.join(by_ordinal)}")
    counts = ", ".join(f"{library} {sum(1 for l, _ in found if l.lower() == library)}"
                       for library in sorted(libraries))
    return f"{len(found)} imports by name: {counts}"


def check_size(pe, path, map_path):
    size = len(pe.__data__)
    require(size <= SIZE_LIMIT, f"{size} bytes, over {SIZE_LIMIT}")
    return f"{size} bytes ({size / 1024:.1f} KiB), at most {SIZE_LIMIT}"


def check_setup_imports(pe, path, map_path):
    return check_imports(pe, path, map_path, SETUP_LIBRARIES)


CHECKS = {"header": check_header, "exports": check_exports, "imports": check_imports,
          "size": check_size, "functions": check_functions}
SETUP_CHECKS = {"header": check_header, "exports": check_setup_exports,
                "imports": check_setup_imports, "functions": check_functions}


def main(argv):
    checks = CHECKS
    if argv[1:2] == ["--setup"]:
        checks = SETUP_CHECKS
        argv = argv[:1] + argv[2:]
    if len(argv) not in (3, 4) or argv[1] not in checks or (argv[1] in ("header", "functions")
                                                            and len(argv) != 4):
        sys.stderr.write(__doc__)
        return 2
    path = argv[2]
    try:
        pe = pefile.PE(path)
        print(f"{path}: {checks[argv[1]](pe, path, argv[3] if len(argv) == 4 else None)}")
    except (Problem, pefile.PEFormatError, OSError) as problem:
        print(f"check_device_dll {argv[1]}: {path}: {problem}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
