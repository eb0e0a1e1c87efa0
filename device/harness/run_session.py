#!/usr/bin/python3
"""Runs the device's morvane.dll (ARM code, on Unicorn's ARMv4T model) and the i686 build
(x86 code) through the same scripted session against the same stand-in of the device's system,
and compares every call they make; with --setup, the two builds of morvane_setup.dll through the
installer's session (setup_session.py).

    run_session.py [--setup] DEVICE_DLL I686_DLL [--logs FOLDER]

Prints the calls compared, the deliberate differences, and the ARM instructions the library
executes per unchanged refresh query, per repaint and for the settings page's initialisation (or
per call of the setup library's entry points). Exits 1 on a failed step or the first difference,
printing both builds' calls there. With --logs, both builds' calls and the summary are kept in
FOLDER: session-arm.log, session-i686.log and session-summary.txt, or for the setup library the
same names beginning setup-.

On ARM every call the library makes into the system is also an unwind checked: the device's
unwinder, from the function table alone, must come back through the library's frames to exactly
the harness's call into it (unwinder.py, system.py). For morvane.dll, two access violations are
then raised inside the system's functions in processes of their own, ARM only, and dispatched
through the library's frames to the Today screen's handlers (session.py); their calls are kept in
session-arm-faults.log, outside the comparison."""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import session  # noqa: E402
import setup_session  # noqa: E402
from compare import deliberate_differences, first_difference  # noqa: E402
from session import Failed  # noqa: E402

DEVICE_CLOCK_MHZ = 400
CONTEXT = 4


def write_log(folder, name, log):
    if folder:
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.writelines(f"{entry}\n" for entry in log)


def conclude(folder, prefix, lines, status):
    """Prints the outcome and keeps it in the folder's session-summary.txt (with the prefix)."""
    for line in lines:
        print(line)
    if folder:
        with open(os.path.join(folder, f"{prefix}session-summary.txt"), "w",
                  encoding="utf-8") as f:
            f.writelines(f"{line}\n" for line in lines if not line.startswith("  "))
    return status


def grouped(number):
    return f"{number:,}"


def short(name):
    return name.split("(", 1)[0]


def unwinder_lines(title, library, unwinds):
    """The unwinder's figures over the ARM build's session."""
    return [f"{title}: unwinder: {grouped(unwinds.checked)} calls into the system unwound "
            f"through {library}'s frames to the harness's call into it, each arriving at its "
            f"return address, sp and r4-r11 ({grouped(unwinds.frames)} frames, at most "
            f"{unwinds.deepest} deep, through {len(unwinds.functions)} of the {unwinds.table} "
            "functions of its table)"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("device_dll")
    parser.add_argument("desktop_dll")
    parser.add_argument("--logs", help="folder for both builds' recorded calls")
    parser.add_argument("--setup", action="store_true",
                        help="the setup library's session rather than the item's")
    options = parser.parse_args()
    if options.setup:
        title, prefix, run, library = ("setup session", "setup-", setup_session.run,
                                       "morvane_setup.dll")
    else:
        title, prefix, run, library = "device session", "", session.run, "morvane.dll"
    for path in (options.device_dll, options.desktop_dll):
        if not os.path.isfile(path):
            # Kept as the summary too, so that no earlier run's summary stands for this one.
            return conclude(options.logs, prefix, [f"{title}: {path} is missing (build the "
                                                   "device and windows-x86 presets)"], 1)

    results = {}
    for label, path in (("ARM", options.device_dll), ("i686", options.desktop_dll)):
        start = time.monotonic()
        try:
            results[label] = run(path)
        except Failed as failure:
            return conclude(options.logs, prefix, [f"{title}: the {label} build failed: "
                                                   f"{failure}"], 1)
        print(f"{label}: {path}: {len(results[label][0])} calls recorded in "
              f"{time.monotonic() - start:.1f} s")
    device, costs, unwinds = results["ARM"]
    desktop, _, _ = results["i686"]
    write_log(options.logs, f"{prefix}session-arm.log", device)
    write_log(options.logs, f"{prefix}session-i686.log", desktop)

    index, converted = first_difference(device, desktop)
    if index is not None:
        lines = [f"{title}: the ARM and i686 builds differ at call {index + 1} of "
                 f"{len(device)}:"]
        for n in range(max(0, index - CONTEXT), index + 1):
            if n < len(device):
                lines.append(f"  ARM  {device[n]}")
            if n < len(converted):
                lines.append(f"  i686 {converted[n]}")
        lines.append(f"{title}: first difference: "
                     f"ARM {device[index] if index < len(device) else 'ends'}"
                     f" / i686 {converted[index] if index < len(converted) else 'ends'}")
        return conclude(options.logs, prefix, lines, 1)
    figures = "; ".join(f"{name}: {count}" for name, count in costs.items())
    if options.setup:
        # None of the item's renamed or expanded calls is the setup library's to make. Its time
        # is the wait for the Today screen, not its own instructions.
        called = {}
        for entry in device:
            if entry.name.startswith("-> "):
                called[entry.name[3:]] = called.get(entry.name[3:], 0) + 1
        lines = [f"{title}: the ARM and i686 builds agree on all {len(device)} calls, in "
                 f"{sum(called.values())} calls of the entry points found by name ("
                 f"{', '.join(f'{name} {count}' for name, count in called.items())}), with no "
                 "differences on purpose",
                 f"{title}: ARM instructions in {library} per call: {figures}"]
        lines += unwinder_lines(title, library, unwinds)
        return conclude(options.logs, prefix, lines, 0)

    # The exceptions, on the ARM build alone, once both builds agree.
    start = time.monotonic()
    try:
        fault_log, fault_unwinds, dispatched = session.faults(options.device_dll)
    except Failed as failure:
        write_log(options.logs, "session-arm-faults.log", [])
        return conclude(options.logs, prefix, [f"{title}: an exception through the ARM build "
                                               f"failed: {failure}"], 1)
    write_log(options.logs, "session-arm-faults.log", fault_log)
    print(f"ARM: {options.device_dll}: {len(dispatched)} exceptions dispatched, "
          f"{len(fault_log)} calls, in {time.monotonic() - start:.1f} s")
    on_purpose = deliberate_differences()
    lines = [f"{title}: the ARM and i686 builds agree on all {len(device)} calls, but "
             f"for {len(on_purpose)} differences on purpose (device/harness/compare.py)"]
    lines += [f"  - {line}" for line in on_purpose]
    lines.append(f"{title}: ARM instructions in {library}: {figures} "
                 f"(at {DEVICE_CLOCK_MHZ} MHz and one a cycle, "
                 f"{max(costs.values()) / DEVICE_CLOCK_MHZ:.1f} us at most)")
    lines += unwinder_lines(title, library, unwinds)
    lines.append(f"{title}: unwinder: {len(dispatched)} access violations raised in the system, "
                 f"dispatched through {library}'s frames to the handler in the frame that called "
                 "into the library, resumed there with its sp and r4-r11, the library's later "
                 "calls as without them: "
                 + "; ".join(f"{call} {where}, through {' <- '.join(map(short, frames))} to "
                             f"{handler}" for where, call, frames, handler in dispatched)
                 + f" ({grouped(fault_unwinds.checked)} unwinds checked in those processes)")
    return conclude(options.logs, prefix, lines, 0)

if __name__ == "__main__":
    sys.exit(main())
