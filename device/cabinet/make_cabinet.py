#!/usr/bin/python3
"""Makes a Pocket PC installation cabinet from a cabwiz information file.

    make_cabinet.py INF OUT.cab --source DIR [--cpu CPU] [--padded] [--whole-paths]
                    [--compress none|mszip|lzx] [--signature N]

The cabinet is a standard Microsoft cabinet, stored without compression, whose first file (the
.000) holds the installation data the device's installer reads: the application's name and
provider, the processor and Windows CE versions it asks for, and its STRINGS, DIRS, FILES,
REGHIVES, REGKEYS and LINKS sections (the shortcuts of [DefaultInstall]'s CEShortcuts). The files
to install follow under 8.3 names whose extension is their file number, in descending order, after
the setup library of [DefaultInstall]'s CESetupDLL, if any, as file 999. The files are taken from
DIR. With --cpu, the information file's [CEDevice.CPU] section adds to
[CEDevice], as cabwiz's /cpu does; without it, the cabinet names no processor.

The other options make cabinets as the device's own tools make them, for the installer's tests:
--padded pads each text of the sections (a string value's name and text as one) with zero bytes
to a multiple of four bytes, and --whole-paths stores a folder's path as one string, as the SDK's
wizard does; --compress packs the files with MSZIP or with LZX (each 32 KiB frame stored as an
uncompressed LZX block); --signature N lays the cabinet out as a signed one is, a header reserve
naming N bytes appended after it.

Only what the information file says goes into the cabinet, and a line this writer does not know is
refused by file and line number rather than passed over.
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

SIGNATURE = b"MSCE"
HEADER_SIZE = 100
HIVE_ROOTS = {"HKCR": 1, "HKCU": 2, "HKLM": 3, "HKU": 4}
# AddReg types this writer stores: a string and a DWORD, each optionally not overwriting a value
# already there.
REG_STRING, REG_DWORD, REG_NOCLOBBER = 0x00000000, 0x00010001, 0x00000002
SETUP_LIBRARY_NUMBER = 999
CE_FOLDER = re.compile(r"%CE([1-9]|1[0-7])%")
# The cabinet's header, a folder and a data block's header, as the cabinet format lays them out.
CAB_HEADER = struct.Struct("<4sIIIIIBBHHHHH")
CAB_FOLDER = struct.Struct("<IHH")
CAB_DATA = struct.Struct("<IHH")
CAB_RESERVE_PRESENT = 0x0004
# A signed cabinet's header reserve: a tag, then where its signature lies and how long it is.
SIGNATURE_RESERVE = struct.Struct("<III8x")
SIGNATURE_TAG = 0x00100000
# LZX packs a folder in frames of 32 KiB; 0x1503 is LZX (3) with a 2 MiB window (2 ** 21).
LZX_FRAME = 0x8000
LZX_COMPRESSION = 0x0003 | 21 << 8
DEVICE_KEYS = {
    "VersionMin": "version",
    "VersionMax": "version",
    "BuildMin": "number",
    "BuildMax": "number",
    "ProcessorType": "number",
}


class Refusal(Exception):
    pass


class Line:
    def __init__(self, path, number, text):
        self.path, self.number, self.text = path, number, text

    def refuse(self, why):
        raise Refusal(f"{self.path}, line {self.number}: {why}: {self.text}")


def strip_comment(text):
    """The line without its comment; a ';' inside quotes is text."""
    quoted = False
    for at, c in enumerate(text):
        if c == '"':
            quoted = not quoted
        elif c == ";" and not quoted:
            return text[:at]
    return text


def unquote(text):
    text = text.strip()
    if len(text) >= 2 and text[0] == '"' and text[-1] == '"':
        return text[1:-1]
    return text


def read_sections(path):
    """Section name (lower case) to its lines, in the file's order."""
    sections, current = {}, None
    with open(path, encoding="ascii") as f:
        for number, raw in enumerate(f, 1):
            text = strip_comment(raw.rstrip("\r\n")).strip()
            if not text:
                continue
            line = Line(path, number, text)
            if text.startswith("["):
                if not text.endswith("]"):
                    line.refuse("a section name without its closing bracket")
                current = text[1:-1].strip().lower()
                if current in sections:
                    line.refuse("a section named twice")
                sections[current] = []
                continue
            if current is None:
                line.refuse("a line before the first section")
            sections[current].append(line)
    return sections


def key_values(sections, name, known):
    """A section of KEY = VALUE lines, each key one of those known."""
    values = {}
    for line in sections.get(name, []):
        key, equals, value = line.text.partition("=")
        key = key.strip()
        if not equals or key not in known:
            line.refuse(f"[{name}] takes {', '.join(sorted(known))}")
        values[key] = (unquote(value), line)
    return values


def fields(line, count):
    parts = [unquote(part) for part in line.text.split(",", count - 1)]
    return parts + [""] * (count - len(parts))


def number(text, line):
    try:
        return int(text, 0)
    except ValueError:
        line.refuse(f"'{text}' is not a number")


def version(text, line):
    match = re.fullmatch(r"(\d+)\.(\d+)", text)
    if not match:
        line.refuse(f"'{text}' is not a version such as 5.01")
    return int(match.group(1)), int(match.group(2))


def ascii_text(text, line):
    if not all(" " <= c <= "~" for c in text):
        line.refuse("the installation data holds printable ASCII text only")
    return text


class Installation:
    """What the information file installs, as the .000 stores it."""

    def __init__(self):
        self.app_name = self.provider = ""
        self.processor = 0
        self.version_min = self.version_max = (0, 0)
        self.build_min = self.build_max = 0
        self.files = []  # (number, folder, flags, installed name, source name)
        self.values = []  # (root, key, name, type, data bytes, substitute)
        # (name, folder 0 or file 1, file number or folder, base n of %CEn%, parts under it)
        self.links = []
        self.setup_library = ""  # the source name of [DefaultInstall]'s CESetupDLL, if any


def expand(text, strings, line):
    """%NAME% of [CEStrings] replaced now; %CEn% kept for the device's installer."""

    def one(match):
        name = match.group(1)
        if CE_FOLDER.fullmatch(match.group(0)):
            return match.group(0)
        if name in strings:
            return strings[name]
        line.refuse(f"%{name}% is neither a %CEn% folder nor a [CEStrings] name")

    return re.sub(r"%([^%]*)%", one, text)


def ce_folder(folder, line):
    """The n of the %CEn% folder a path starts from, and its further parts."""
    first, *rest = folder.split("\\")
    match = CE_FOLDER.fullmatch(first)
    if not match:
        line.refuse(f"{folder} is outside the %CEn% folders")
    return int(match.group(1)), [part for part in rest if part]


def section_list(value, line, sections):
    names = [part.strip().lower() for part in value.split(",") if part.strip()]
    for name in names:
        if name not in sections:
            line.refuse(f"no section [{name}]")
    return names


def read_installation(path, cpu):
    sections = read_sections(path)
    used = {"version", "cestrings", "cedevice", "sourcedisksnames", "sourcedisksfiles",
            "defaultinstall", "destinationdirs"}
    if cpu:
        used |= {f"cedevice.{cpu.lower()}"}
    found = Installation()

    version_keys = key_values(sections, "version", {"Signature", "Provider", "CESignature"})
    for key, expected in (("Signature", ("$Windows NT$", "$Chicago$")),
                          ("CESignature", ("$Windows CE$",))):
        value, line = version_keys.get(key, (None, None))
        if value is None:
            raise Refusal(f"{path}: [Version] has no {key}")
        if value not in expected:
            line.refuse(f"{key} must be {' or '.join(expected)}")
    ce_strings = key_values(sections, "cestrings", {"AppName", "InstallDir"})
    if "AppName" not in ce_strings:
        raise Refusal(f"{path}: [CEStrings] has no AppName")
    found.app_name = ascii_text(*ce_strings["AppName"])
    if "Provider" in version_keys:
        found.provider = ascii_text(*version_keys["Provider"])
    strings = {"AppName": found.app_name}
    if "InstallDir" in ce_strings:
        value, line = ce_strings["InstallDir"]
        strings["InstallDir"] = expand(value, {}, line)

    device = key_values(sections, "cedevice", DEVICE_KEYS)
    if cpu:
        device.update(key_values(sections, f"cedevice.{cpu.lower()}", DEVICE_KEYS))
    # The device's installer compares both ends; cabwiz refuses a lowest version without a highest.
    if "VersionMin" in device and "VersionMax" not in device:
        device["VersionMin"][1].refuse("VersionMin without VersionMax: a cabinet gives both ends")
    for key, (value, line) in device.items():
        if key == "VersionMin":
            found.version_min = version(value, line)
        elif key == "VersionMax":
            found.version_max = version(value, line)
        elif key == "BuildMin":
            found.build_min = number(value, line)
        elif key == "BuildMax":
            found.build_max = number(value, line)
        else:
            found.processor = number(value, line)
    if found.version_min > found.version_max:
        device["VersionMax"][1].refuse("the highest version is below the lowest")

    disks = {}
    for line in sections.get("sourcedisksnames", []):
        disk, _, rest = line.text.partition("=")
        parts = fields(Line(path, line.number, rest), 4)
        if parts[3].strip() != ".":
            line.refuse("files are taken from the source folder alone ('.')")
        disks[disk.strip()] = True
    sources = {}
    for line in sections.get("sourcedisksfiles", []):
        name, _, disk = (part.strip() for part in line.text.partition("="))
        if disk not in disks:
            line.refuse(f"disk {disk} is not in [SourceDisksNames]")
        sources[name.lower()] = name

    destinations = {}
    for line in sections.get("destinationdirs", []):
        name, equals, value = line.text.partition("=")
        kind, _, folder = (part.strip() for part in value.partition(","))
        if not equals or kind != "0":
            line.refuse("a destination is given as NAME = 0,FOLDER")
        destinations[name.strip().lower()] = (expand(unquote(folder), strings, line), line)

    install = key_values(sections, "defaultinstall",
                         {"CopyFiles", "AddReg", "CEShortcuts", "CESetupDLL"})
    if "CESetupDLL" in install:
        setup, line = install["CESetupDLL"]
        if setup.lower() not in sources:
            line.refuse(f"{setup} is not in [SourceDisksFiles]")
        found.setup_library = sources[setup.lower()]
    for name in section_list(install.get("CopyFiles", ("", None))[0],
                             install.get("CopyFiles", (None, None))[1], sections):
        used.add(name)
        folder, line = destinations.get(name) or destinations.get("defaultdestdir") or ("", None)
        if not folder:
            raise Refusal(f"{path}: [{name}] has no folder in [DestinationDirs]")
        if not CE_FOLDER.match(folder):
            line.refuse(f"{folder} is outside the %CEn% folders")
        for line in sections[name]:
            installed, source, _, flags = fields(line, 4)
            source = source or installed
            if source.lower() not in sources:
                line.refuse(f"{source} is not in [SourceDisksFiles]")
            found.files.append((len(found.files) + 1, ascii_text(folder, line),
                                number(flags or "0", line), ascii_text(installed, line),
                                sources[source.lower()]))
    for name in section_list(install.get("AddReg", ("", None))[0],
                             install.get("AddReg", (None, None))[1], sections):
        used.add(name)
        for line in sections[name]:
            root, key, value_name, kind, data = fields(line, 5)
            if root not in HIVE_ROOTS:
                line.refuse(f"the root {root} is none of {', '.join(HIVE_ROOTS)}")
            kind = number(kind, line)
            if kind & ~REG_NOCLOBBER not in (REG_STRING, REG_DWORD):
                line.refuse("the type is neither a string (0x00000000) nor a DWORD (0x00010001)")
            if kind & ~REG_NOCLOBBER == REG_DWORD:
                stored = struct.pack("<I", number(data, line) & 0xFFFFFFFF)
                substitute = 0
            else:
                text = ascii_text(expand(data, strings, line), line)
                stored, substitute = text.encode("ascii") + b"\0", int("%" in text)
            found.values.append((HIVE_ROOTS[root], ascii_text(key, line),
                                 ascii_text(value_name, line), kind, stored, substitute))
    # A shortcut's target is a file of this installation (type 0) or a folder (type 1); it goes in
    # its line's folder, else its section's [DestinationDirs] one.
    installed_files = {}
    for number_, _, _, installed, _ in reversed(found.files):
        installed_files[installed.lower()] = number_
    for name in section_list(*install.get("CEShortcuts", ("", None)), sections):
        used.add(name)
        for line in sections[name]:
            shortcut, kind, target, folder = fields(line, 4)
            if kind not in ("0", "1"):
                line.refuse("a shortcut's type is 0 (to a file) or 1 (to a folder)")
            where = line
            if folder:
                folder = expand(folder, strings, line)
            else:
                folder, where = destinations.get(name) or destinations.get("defaultdestdir") or \
                    ("", None)
                if not folder:
                    raise Refusal(f"{path}: [{name}] has no folder in [DestinationDirs]")
            base, parts = ce_folder(folder, where)
            target = expand(target, strings, line)
            if kind == "1":
                ce_folder(target, line)
            elif target.lower() in installed_files:
                target = installed_files[target.lower()]
            else:
                line.refuse(f"{target} is no file this installation installs")
            shortcut = re.sub(r"\.lnk$", "", ascii_text(shortcut, line), flags=re.IGNORECASE)
            found.links.append((shortcut, int(kind), target, base,
                                [ascii_text(part, line) for part in parts]))
    for name, lines in sections.items():
        # A processor's own section serves the cabinets made for that processor alone.
        if name.startswith("cedevice.") and name != f"cedevice.{(cpu or '').lower()}":
            continue
        if name not in used and lines:
            lines[0].refuse(f"[{name}] is no section this writer reads")
    return found


class InstallData:
    """The .000's bytes, built section by section."""

    def __init__(self, padded):
        self.strings = {}  # text to id, in the order first used
        self.padded = padded

    def string_id(self, text):
        if text not in self.strings:
            self.strings[text] = len(self.strings) + 1
        return self.strings[text]

    def text(self, text):
        """The text with its zero byte, and with the wizard's padding to four bytes if asked."""
        stored = text.encode("ascii") + b"\0"
        return stored + b"\0" * (-len(stored) % 4 if self.padded else 0)

    def path_ids(self, path, whole=False):
        """The path as the string ids of its parts, or of the whole path, ending in 0."""
        parts = [part for part in path.split("\\") if part]
        if whole and parts:
            parts = ["\\".join(parts)]
        ids = [self.string_id(part) for part in parts]
        return struct.pack(f"<{len(ids) + 1}H", *ids, 0)


def entry(*values_and_tail):
    *values, tail = values_and_tail
    return b"".join(struct.pack("<H", v) for v in values) + tail


def build_install_data(found, padded=False, whole_paths=False):
    data = InstallData(padded)
    folders, dirs, files = {}, [], []

    def folder_id(folder):
        if folder not in folders:
            folders[folder] = len(folders) + 1
            ids = data.path_ids(folder, whole_paths)
            dirs.append(entry(folders[folder], len(ids), ids))
        return folders[folder]

    for number_, folder, flags, installed, _ in found.files:
        name = data.text(installed)
        files.append(struct.pack("<HHHIH", number_, folder_id(folder), number_, flags, len(name)) +
                     name)
    hives, reghives, regkeys = {}, [], []
    for root, key, name, kind, stored, substitute in found.values:
        if (root, key.lower()) not in hives:
            hives[(root, key.lower())] = len(hives) + 1
            ids = data.path_ids(key)
            reghives.append(entry(hives[(root, key.lower())], root, 0, len(ids), ids))
        body = name.encode("ascii") + b"\0" + stored
        if padded and kind & ~REG_NOCLOBBER == REG_STRING:
            # The value's text takes the padding: a DWORD's four bytes must stay last.
            body += b"\0" * (-len(body) % 4)
        regkeys.append(struct.pack("<HHHIH", len(regkeys) + 1, hives[(root, key.lower())],
                                   substitute, kind, len(body)) + body)
    links = []
    for name, kind, target, base, parts in found.links:
        # The folder's parts under the base, without their ending 0, then the shortcut's name.
        ids = data.path_ids("\\".join(parts), whole_paths)[:-2] + data.path_ids(name)
        # In LINKS, type 1 is a shortcut to a file and 0 one to a folder, the other way from the
        # information file's.
        links.append(entry(len(links) + 1, 0, base, folder_id(target) if kind else target,
                           1 - kind, len(ids), ids))
    strings = [entry(i, len(data.text(t)), data.text(t)) for t, i in data.strings.items()]

    app_name = found.app_name.encode("ascii") + b"\0"
    provider = found.provider.encode("ascii") + b"\0"
    body, offsets = b"", []
    for part in (app_name, provider, b"", b"".join(strings), b"".join(dirs), b"".join(files),
                 b"".join(reghives), b"".join(regkeys), b"".join(links)):
        offsets.append(HEADER_SIZE + len(body))
        body += part
    header = SIGNATURE + struct.pack(
        "<IIIII" "IIIIII" "HHHHHH" "IIIIII" "HHHHHH" "HH",
        0, HEADER_SIZE + len(body), 0, 1, found.processor,
        *found.version_min, *found.version_max, found.build_min, found.build_max,
        len(strings), len(dirs), len(files), len(reghives), len(regkeys), len(links),
        *offsets[3:9],
        offsets[0], len(app_name), offsets[1], len(provider), offsets[2], 0,
        0, 0)
    assert len(header) == HEADER_SIZE
    return header + body


def short_name(name, number_):
    """The 8.3 name the cabinet stores a file under: its stem, padded to eight, and its number."""
    stem = re.sub(r"[^A-Za-z0-9_-]", "_", os.path.splitext(os.path.basename(name))[0])[:8]
    return f"{stem.rjust(8, '0')}.{number_:03d}"


def checksum(data, seed=0):
    """The cabinet format's checksum: the data's 32-bit little-endian words XORed, the last one to
    three bytes as one word with the first of them highest."""
    whole = len(data) // 4 * 4
    for (word,) in struct.iter_unpack("<I", data[:whole]):
        seed ^= word
    return seed ^ int.from_bytes(data[whole:], "big")


def read_cabinet(cabinet):
    """gcab's cabinet (no reserve, one of no set) as its folders, each its compression and data
    blocks (stored bytes, bytes unpacked), its file list's entries as stored, and its set id."""
    header = CAB_HEADER.unpack_from(cabinet)
    files_at, folder_count, file_count, flags, set_id = header[4], *header[8:12]
    assert flags == 0, "gcab made a cabinet with a reserve or of a set"
    folders = []
    for i in range(folder_count):
        at, count, compression = CAB_FOLDER.unpack_from(cabinet, CAB_HEADER.size + i * 8)
        blocks = []
        for _ in range(count):
            _, stored, unpacked = CAB_DATA.unpack_from(cabinet, at)
            at += CAB_DATA.size + stored
            blocks.append((cabinet[at - stored:at], unpacked))
        folders.append((compression, blocks))
    files, at = [], files_at
    for _ in range(file_count):
        end = cabinet.index(b"\0", at + 16) + 1  # after the name, which follows 16 bytes
        files.append(cabinet[at:end])
        at = end
    return folders, files, set_id


def write_cabinet(folders, files, set_id, signature=0):
    """The cabinet laid out as gcab lays it out: header, folders, file list, data blocks. With a
    signature's length, the header reserves 20 bytes naming the signature that follows the
    cabinet, and every offset after the header moves by the reserve's 24 bytes."""
    header_size = CAB_HEADER.size + (4 + SIGNATURE_RESERVE.size if signature else 0)
    files_at = header_size + CAB_FOLDER.size * len(folders)
    data_at = files_at + sum(len(f) for f in files)
    folder_list, data = b"", b""
    for compression, blocks in folders:
        folder_list += CAB_FOLDER.pack(data_at + len(data), len(blocks), compression)
        for stored, unpacked in blocks:
            sizes = struct.pack("<HH", len(stored), unpacked)
            data += struct.pack("<I", checksum(sizes, checksum(stored))) + sizes + stored
    size = data_at + len(data)
    header = CAB_HEADER.pack(b"MSCF", 0, size, 0, files_at, 0, 3, 1, len(folders), len(files),
                             CAB_RESERVE_PRESENT if signature else 0, set_id, 0)
    if signature:
        header += struct.pack("<HBB", SIGNATURE_RESERVE.size, 0, 0)
        header += SIGNATURE_RESERVE.pack(SIGNATURE_TAG, size, signature)
    return header + folder_list + b"".join(files) + data


def lzx_stored(blocks):
    """A stored folder's blocks as LZX, each 32 KiB frame one uncompressed LZX block. The frame's
    bit stream, 16-bit little-endian words read from their top bit, holds the block type (3) and
    its 24-bit size, the folder's first frame a 0 bit (no E8 translation) before them; aligned to
    16 bits, the three repeated match offsets (1, as at the start) and the frame's bytes follow,
    padded to an even length as the stream's 16-bit words need."""
    data = b"".join(stored for stored, _ in blocks)
    frames = []
    for at in range(0, len(data), LZX_FRAME):
        frame = data[at:at + LZX_FRAME]
        bits = ("0" if at == 0 else "") + f"{3:03b}{len(frame):024b}"
        bits += "0" * (-len(bits) % 16)
        words = [int(bits[i:i + 16], 2) for i in range(0, len(bits), 16)]
        frames.append((struct.pack(f"<{len(words)}H3I", *words, 1, 1, 1) + frame +
                       b"\0" * (len(frame) % 2), len(frame)))
    return frames


def make_cabinet(inf, output, source, cpu, padded=False, whole_paths=False, compress="none",
                 signature=0):
    found = read_installation(inf, cpu)
    with tempfile.TemporaryDirectory() as work:
        stamp = int(os.environ.get("SOURCE_DATE_EPOCH", os.stat(inf).st_mtime))
        names = [short_name(output, 0)]
        with open(os.path.join(work, names[0]), "wb") as f:
            f.write(build_install_data(found, padded, whole_paths))
        os.utime(os.path.join(work, names[0]), (stamp, stamp))
        # The setup library is file 999, where the device's installer looks for it; it is no
        # entry of the installation data's FILES, since the installer runs it rather than
        # installs it.
        packed = sorted(found.files, reverse=True)
        if found.setup_library:
            packed.insert(0, (SETUP_LIBRARY_NUMBER, "", 0, "", found.setup_library))
        for number_, _, _, _, source_name in packed:
            path = os.path.join(source, source_name)
            if not os.path.isfile(path):
                raise Refusal(f"{inf}: {source_name} is not in {source}")
            names.append(short_name(source_name, number_))
            shutil.copy2(path, os.path.join(work, names[-1]))
        partial = output + ".part"
        zip_option = ["--zip"] if compress == "mszip" else []
        run = subprocess.run(["gcab", "--create", *zip_option, "--nopath",
                              os.path.abspath(partial), *names],
                             cwd=work, capture_output=True, text=True)
        if run.returncode != 0:
            raise Refusal(f"gcab failed: {run.stderr.strip() or run.stdout.strip()}")
        if compress == "lzx" or signature:
            with open(partial, "rb") as f:
                folders, files, set_id = read_cabinet(f.read())
            if compress == "lzx":
                folders = [(LZX_COMPRESSION, lzx_stored(blocks)) for _, blocks in folders]
            stand_in = (b"stand-in signature block " * (signature // 25 + 1))[:signature]
            with open(partial, "wb") as f:
                f.write(write_cabinet(folders, files, set_id, signature) + stand_in)
        os.replace(partial, output)
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("inf")
    parser.add_argument("output")
    parser.add_argument("--source", required=True, help="the folder holding the files to install")
    parser.add_argument("--cpu", help="the processor, whose [CEDevice.CPU] section applies")
    parser.add_argument("--padded", action="store_true",
                        help="pad the sections' texts to four bytes, as the SDK's wizard does")
    parser.add_argument("--whole-paths", action="store_true",
                        help="store a folder's path as one string, as the SDK's wizard does")
    parser.add_argument("--compress", choices=("none", "mszip", "lzx"), default="none")
    parser.add_argument("--signature", type=int, default=0, metavar="N",
                        help="lay the cabinet out as signed, with N bytes of stand-in signature")
    args = parser.parse_args()
    if not 0 <= args.signature <= 0xFFFFFFFF:
        parser.error("--signature takes 0 to 4294967295 bytes")
    try:
        found = make_cabinet(args.inf, args.output, args.source, args.cpu, args.padded,
                             args.whole_paths, args.compress, args.signature)
    except (Refusal, OSError) as problem:
        sys.stderr.write(f"make_cabinet: {problem}\n")
        sys.exit(1)
    files, values = len(found.files), len(found.values)
    print(f"make_cabinet: {args.output}: {found.app_name}, {files} file{'s' * (files != 1)}, "
          f"{values} registry value{'s' * (values != 1)}")


if __name__ == "__main__":
    main()
