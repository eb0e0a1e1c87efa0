#!/usr/bin/python3
"""Finishes a DLL the device build linked, in place, with what ld 2.40 leaves out or sets otherwise
than the device's own compilers:

    finish_image.py DLL SOURCE_DIR

  - the function table (.pdata) sorted by start address: ld lays the entries out in the order of
    its input files, and the device's exception dispatcher searches the table as a sorted one.
    Whole 8-byte entries move, and each entry's first word carries a base relocation and its
    second none, so the relocations still cover the start addresses (refused otherwise);
  - a time stamp in the file header and the export directory: the time of SOURCE_DATE_EPOCH when
    set, else of SOURCE_DIR's last commit when the DLL is linked, else a fixed one, so the same
    sources give the same bytes (the link itself writes 0: --no-insert-timestamp);
  - the import address table's data directory (entry 12), over the FirstThunk arrays ld wrote;
  - .rsrc read-only, as in the SDK's images: nothing writes a DLL's resources;
  - no debug-stripped flag (IMAGE_FILE_DEBUG_STRIPPED), which ld sets on any image without
    debugging sections;
  - the checksum, computed again over the finished bytes: ld writes a valid one, and a header
    changed after it would otherwise carry a wrong one.

Running it again on its own output changes nothing. When it refuses, it deletes the DLL, so the
next build links it again rather than keep an unfinished one.
"""
import os
import struct
import subprocess
import sys
import tempfile

import pefile

EXCEPTION_DIRECTORY, IMPORT_ADDRESS_TABLE_DIRECTORY = 3, 12
IMAGE_FILE_DEBUG_STRIPPED = 0x0200
IMAGE_SCN_MEM_WRITE = 0x80000000
HIGHLOW = 3
TABLE_ENTRY = 8
# When neither SOURCE_DATE_EPOCH nor a commit gives a time (a bare copy of the sources): a fixed
# one, 1 January 2006 00:00 UTC, so such a build is reproducible too and still carries a stamp.
FIXED_TIME = 1136073600


class Refused(Exception):
    pass


def build_time(source_dir):
    """The time stamp, and where it came from."""
    value = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    if value:
        if not value.isdigit() or not 0 < int(value) < 2**32:
            raise Refused(f"SOURCE_DATE_EPOCH {value!r} is not a time a PE header can hold")
        return int(value), "SOURCE_DATE_EPOCH"
    try:
        result = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                                capture_output=True, text=True, check=True)
        commit = result.stdout.strip()
        if commit.isdigit() and 0 < int(commit) < 2**32:
            return int(commit), "the last commit"
    except (OSError, subprocess.CalledProcessError):
        pass
    return FIXED_TIME, "a fixed time (no SOURCE_DATE_EPOCH, no commit)"


def relocated(pe):
    """The RVAs the base relocations patch."""
    found = set()
    for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []):
        for entry in block.entries:
            if entry.type == HIGHLOW:
                found.add(entry.rva)
            elif entry.type != 0:
                raise Refused(f"a base relocation of type {entry.type} at RVA 0x{entry.rva:x}")
    return found


def sort_function_table(pe, image):
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[EXCEPTION_DIRECTORY]
    if not directory.VirtualAddress or not directory.Size:
        return 0  # nothing to sort; DeviceImage/functions says what is missing
    if directory.Size % TABLE_ENTRY:
        raise Refused(f"the function table's {directory.Size} bytes are not whole entries")
    relocations = relocated(pe)
    offset = pe.get_offset_from_rva(directory.VirtualAddress)
    entries = []
    for index in range(directory.Size // TABLE_ENTRY):
        rva = directory.VirtualAddress + index * TABLE_ENTRY
        if rva not in relocations or rva + 4 in relocations:
            raise Refused(f"function table entry {index} (RVA 0x{rva:x}): its start is not the "
                          "one word of it a base relocation covers")
        entries.append(bytes(image[offset + index * TABLE_ENTRY:
                                   offset + (index + 1) * TABLE_ENTRY]))
    entries.sort(key=lambda entry: struct.unpack_from("<I", entry)[0])
    image[offset:offset + directory.Size] = b"".join(entries)
    return len(entries)


def import_address_table(pe):
    """The RVA and size of the FirstThunk arrays together, each with its closing zero; ld writes
    them one after another."""
    arrays = []
    for library in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        start = rva = library.struct.FirstThunk
        while pe.get_dword_at_rva(rva):
            rva += 4
        arrays.append((start, rva + 4 - start))
    if not arrays:
        return 0, 0
    arrays.sort()
    end = arrays[0][0]
    for start, size in arrays:
        if start != end:
            raise Refused(f"the import address table has a gap or an overlap at RVA 0x{start:x}")
        end = start + size
    return arrays[0][0], end - arrays[0][0]


def checksum(image, field):
    """The PE checksum: the file's 16-bit words summed with their carries folded back, the
    checksum field itself counted as zero, plus the file's length."""
    data = bytearray(image)
    data[field:field + 4] = b"\0\0\0\0"
    if len(data) % 2:
        data.append(0)
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(image)) & 0xFFFFFFFF


def finish(path, source_dir):
    with open(path, "rb") as f:
        image = bytearray(f.read())
    pe = pefile.PE(data=bytes(image))
    entries = sort_function_table(pe, image)

    stamp, origin = build_time(source_dir)
    struct.pack_into("<I", image, pe.FILE_HEADER.get_file_offset() + 4, stamp)
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if exports is not None:
        struct.pack_into("<I", image, exports.struct.get_file_offset() + 4, stamp)

    iat = pe.OPTIONAL_HEADER.DATA_DIRECTORY[IMPORT_ADDRESS_TABLE_DIRECTORY]
    iat_rva, iat_size = import_address_table(pe)
    struct.pack_into("<II", image, iat.get_file_offset(), iat_rva, iat_size)

    resources = "no resources"
    for section in pe.sections:
        if section.Name.rstrip(b"\0") == b".rsrc":
            struct.pack_into("<I", image, section.get_file_offset() + 36,
                             section.Characteristics & ~IMAGE_SCN_MEM_WRITE)
            resources = ".rsrc read-only"

    struct.pack_into("<H", image, pe.FILE_HEADER.get_file_offset() + 18,
                     pe.FILE_HEADER.Characteristics & ~IMAGE_FILE_DEBUG_STRIPPED)

    field = pe.OPTIONAL_HEADER.get_file_offset() + 64
    value = checksum(image, field)
    struct.pack_into("<I", image, field, value)

    folder = os.path.dirname(os.path.abspath(path))
    with tempfile.NamedTemporaryFile(dir=folder, delete=False) as f:
        f.write(image)
    os.chmod(f.name, os.stat(path).st_mode & 0o777)
    os.replace(f.name, path)
    table = f"function table of {entries} entries sorted" if entries else "no function table"
    return (f"{table}; time stamp {stamp} from {origin}; "
            f"import address table at RVA 0x{iat_rva:x}, {iat_size} bytes; {resources}; "
            f"no debug-stripped flag; checksum 0x{value:08X}")


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    path, source_dir = argv[1], argv[2]
    try:
        print(f"finish_image: {path}: {finish(path, source_dir)}")
    except (Refused, pefile.PEFormatError, OSError) as problem:
        print(f"finish_image: {path}: {problem}; the DLL is deleted", file=sys.stderr)
        try:
            os.remove(path)
        except OSError:
            pass
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
