#!/usr/bin/python3
"""Checks the device's morvane.dll as the device's loader and the Today screen take it, or with
--setup its morvane_setup.dll as the device's loader and installer take it:

    check_device_dll.py [--setup] header|exports|imports|size DLL [MAP]

  header   machine ARM (0x1C0), subsystem Windows CE GUI (9) version 5.01, neither dynamic-base
           nor NX flag, base relocations present, nothing linked from .ctors or .dtors (by MAP,
           the link map: nothing on the device would run them), no floating-point helper imported
  exports  ordinals 240 and 241 and nothing else, no names; with --setup, the installer's four
           entry points by name (Install_Init, Install_Exit, Uninstall_Init, Uninstall_Exit), each
           code, and nothing else
  imports  from coredll.dll, aygshell.dll and commdlg.dll only, every one by name; with --setup,
           from coredll.dll only
  size     the file's size, at most 48 KiB (morvane.dll only)

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
    return (f"machine ARM, subsystem Windows CE GUI 5.01, DllCharacteristics 0x{flags:04X}, "
            f"{relocations} base relocations, no constructors, no floating-point helpers")


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
          "size": check_size}
SETUP_CHECKS = {"header": check_header, "exports": check_setup_exports,
                "imports": check_setup_imports}


def main(argv):
    checks = CHECKS
    if argv[1:2] == ["--setup"]:
        checks = SETUP_CHECKS
        argv = argv[:1] + argv[2:]
    if len(argv) not in (3, 4) or argv[1] not in checks or (argv[1] == "header" and
                                                            len(argv) != 4):
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
