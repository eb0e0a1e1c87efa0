#!/usr/bin/python3
"""Makes the import library of one of the device's system libraries from our definition file.

    make_import_library.py DEF OUT.a TOOLS WORK

TOOLS is the path prefix of the arm-mingw32ce tools (…/bin/arm-mingw32ce-); WORK a folder for the
intermediate files.

dlltool makes the import table's pieces: for each function an import slot, __imp_NAME, which the
loader fills with the function's address. Its own call stubs jump with `ldr pc, [ip]`, which on
an ARMv4T processor never switches to Thumb code, and the device's libraries may export Thumb
code; so dlltool is given every function as DATA (the slot alone) and each function gets a stub
of ours that loads the slot and jumps with `bx`, which switches as the address asks. Stubs and
slots go into one archive, one member per function, so the link takes only what is called.
Each stub has its entry in the function table (.pdata) as the DLL's own functions have: no
prologue (it saves nothing and leaves by a jump), its length with the slot's address, ARM code.
"""
import os
import subprocess
import sys

STUB = """\t.section\t.text$import_{name},"xr"
\t.globl\t{name}
\t.align\t2
{name}:
\tldr\tip, 1f
\tldr\tip, [ip]
\tbx\tip
1:\t.word\t__imp_{name}
2:
\t.section\t.pdata$import_{name},"dr"
\t.word\t{name}
\t.word\t(((2b - {name}) / 4) << 8) | 0x40000000
"""


def fail(message):
    sys.stderr.write(f"make_import_library: {message}\n")
    sys.exit(1)


def read_definitions(path):
    """The library's name and its functions, in the file's order."""
    library, functions, in_exports = None, [], False
    with open(path, encoding="ascii") as f:
        for number, raw in enumerate(f, 1):
            line = raw.split(";", 1)[0].strip()
            if not line:
                continue
            words = line.split()
            if words[0] == "LIBRARY" and len(words) == 2:
                library = words[1]
            elif words == ["EXPORTS"]:
                in_exports = True
            elif in_exports and len(words) == 1 and words[0].isidentifier():
                functions.append(words[0])
            else:
                fail(f"{path}:{number}: not a LIBRARY, EXPORTS or function line: {raw.strip()}")
    if library is None or not functions:
        fail(f"{path}: no LIBRARY line or no functions")
    return library, functions


def run(step, command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        fail(f"step '{step}' failed (exit {result.returncode}): {' '.join(command)}\n"
             f"{result.stdout}{result.stderr}")


def main(argv):
    if len(argv) != 5:
        fail("usage: make_import_library.py DEF OUT.a TOOLS WORK")
    definitions, archive, tools, work = argv[1:]
    library, functions = read_definitions(definitions)
    os.makedirs(work, exist_ok=True)

    slots = os.path.join(work, "slots.def")
    with open(slots, "w", encoding="ascii") as f:
        f.write(f"LIBRARY {library}\nEXPORTS\n")
        f.writelines(f"    {name} DATA\n" for name in functions)
    if os.path.exists(archive):
        os.remove(archive)
    run("dlltool", [tools + "dlltool", "-m", "arm-wince", "--as", tools + "as", "-d", slots,
                    "-l", archive])

    stubs = []
    for name in functions:
        source = os.path.join(work, f"stub_{name}.s")
        obj = os.path.join(work, f"stub_{name}.o")
        with open(source, "w", encoding="ascii") as f:
            f.write(STUB.format(name=name))
        run("assemble", [tools + "as", "-o", obj, source])
        stubs.append(obj)
    run("archive", [tools + "ar", "rs", archive] + stubs)


if __name__ == "__main__":
    main(sys.argv)
