#!/usr/bin/python3
"""Makes a Pocket PC installation cabinet from a cabwiz information file.

    make_cabinet.py INF OUT.cab --source DIR [--cpu CPU]

The cabinet is a standard Microsoft cabinet, stored without compression, whose first file (the
.000) holds the installation data the device's installer reads: the application's name and
provider, the processor and Windows CE versions it asks for, and its STRINGS, DIRS, FILES,
REGHIVES, REGKEYS and LINKS sections. The files to install follow under 8.3 names whose extension
is their file number, in descending order. The files are taken from DIR. With --cpu, the
information file's [CEDevice.CPU] section adds to [CEDevice], as cabwiz's /cpu does; without it,
the cabinet names no processor.

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
CE_FOLDER = re.compile(r"%CE([1-9]|1[0-7])%")
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

    install = key_values(sections, "defaultinstall", {"CopyFiles", "AddReg"})
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
    for name, lines in sections.items():
        # A processor's own section serves the cabinets made for that processor alone.
        if name.startswith("cedevice.") and name != f"cedevice.{(cpu or '').lower()}":
            continue
        if name not in used and lines:
            lines[0].refuse(f"[{name}] is no section this writer reads")
    return found


class InstallData:
    """The .000's bytes, built section by section."""

    def __init__(self):
        self.strings = {}  # text to id, in the order first used

    def string_id(self, text):
        if text not in self.strings:
            self.strings[text] = len(self.strings) + 1
        return self.strings[text]

    def path_ids(self, path):
        """The path as the string ids of its parts, ending in 0."""
        ids = [self.string_id(part) for part in path.split("\\") if part]
        return struct.pack(f"<{len(ids) + 1}H", *ids, 0)


def entry(*values_and_tail):
    *values, tail = values_and_tail
    return b"".join(struct.pack("<H", v) for v in values) + tail


def build_install_data(found):
    data = InstallData()
    folders, dirs, files = {}, [], []
    for number_, folder, flags, installed, _ in found.files:
        if folder not in folders:
            folders[folder] = len(folders) + 1
            ids = data.path_ids(folder)
            dirs.append(entry(folders[folder], len(ids), ids))
        name = installed.encode("ascii") + b"\0"
        files.append(struct.pack("<HHHIH", number_, folders[folder], number_, flags, len(name)) +
                     name)
    hives, reghives, regkeys = {}, [], []
    for root, key, name, kind, stored, substitute in found.values:
        if (root, key.lower()) not in hives:
            hives[(root, key.lower())] = len(hives) + 1
            ids = data.path_ids(key)
            reghives.append(entry(hives[(root, key.lower())], root, 0, len(ids), ids))
        body = name.encode("ascii") + b"\0" + stored
        regkeys.append(struct.pack("<HHHIH", len(regkeys) + 1, hives[(root, key.lower())],
                                   substitute, kind, len(body)) + body)
    strings = [entry(i, len(t) + 1, t.encode("ascii") + b"\0") for t, i in data.strings.items()]

    app_name = found.app_name.encode("ascii") + b"\0"
    provider = found.provider.encode("ascii") + b"\0"
    body, offsets = b"", []
    for part in (app_name, provider, b"", b"".join(strings), b"".join(dirs), b"".join(files),
                 b"".join(reghives), b"".join(regkeys), b""):
        offsets.append(HEADER_SIZE + len(body))
        body += part
    header = SIGNATURE + struct.pack(
        "<IIIII" "IIIIII" "HHHHHH" "IIIIII" "HHHHHH" "HH",
        0, HEADER_SIZE + len(body), 0, 1, found.processor,
        *found.version_min, *found.version_max, found.build_min, found.build_max,
        len(strings), len(dirs), len(files), len(reghives), len(regkeys), 0,
        *offsets[3:9],
        offsets[0], len(app_name), offsets[1], len(provider), offsets[2], 0,
        0, 0)
    assert len(header) == HEADER_SIZE
    return header + body


def short_name(name, number_):
    """The 8.3 name the cabinet stores a file under: its stem, padded to eight, and its number."""
    stem = re.sub(r"[^A-Za-z0-9_-]", "_", os.path.splitext(os.path.basename(name))[0])[:8]
    return f"{stem.rjust(8, '0')}.{number_:03d}"


def make_cabinet(inf, output, source, cpu):
    found = read_installation(inf, cpu)
    with tempfile.TemporaryDirectory() as work:
        stamp = int(os.environ.get("SOURCE_DATE_EPOCH", os.stat(inf).st_mtime))
        names = [short_name(output, 0)]
        with open(os.path.join(work, names[0]), "wb") as f:
            f.write(build_install_data(found))
        os.utime(os.path.join(work, names[0]), (stamp, stamp))
        for number_, _, _, _, source_name in sorted(found.files, reverse=True):
            path = os.path.join(source, source_name)
            if not os.path.isfile(path):
                raise Refusal(f"{inf}: {source_name} is not in {source}")
            names.append(short_name(source_name, number_))
            shutil.copy2(path, os.path.join(work, names[-1]))
        partial = output + ".part"
        run = subprocess.run(["gcab", "--create", "--nopath", os.path.abspath(partial), *names],
                             cwd=work, capture_output=True, text=True)
        if run.returncode != 0:
            raise Refusal(f"gcab failed: {run.stderr.strip() or run.stdout.strip()}")
        os.replace(partial, output)
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("inf")
    parser.add_argument("output")
    parser.add_argument("--source", required=True, help="the folder holding the files to install")
    parser.add_argument("--cpu", help="the processor, whose [CEDevice.CPU] section applies")
    args = parser.parse_args()
    try:
        found = make_cabinet(args.inf, args.output, args.source, args.cpu)
    except (Refusal, OSError) as problem:
        sys.stderr.write(f"make_cabinet: {problem}\n")
        sys.exit(1)
    files, values = len(found.files), len(found.values)
    print(f"make_cabinet: {args.output}: {found.app_name}, {files} file{'s' * (files != 1)}, "
          f"{values} registry value{'s' * (values != 1)}")


if __name__ == "__main__":
    main()
