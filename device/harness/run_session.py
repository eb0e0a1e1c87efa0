#!/usr/bin/python3
"""Runs the device's morvane.dll (ARM code, on Unicorn's ARMv4T model) and the i686 build
(x86 code) through the same scripted session against the same stand-in of the device's system,
and compares every call they make.

    run_session.py DEVICE_DLL I686_DLL [--logs FOLDER]

Prints the calls compared, the deliberate differences, and the ARM instructions the library
executes per unchanged refresh query, per repaint and for the settings page's initialisation.
Exits 1 on a failed step or the first difference, printing both builds' calls there."""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from compare import deliberate_differences, first_difference  # noqa: E402
from session import Failed, run  # noqa: E402

DEVICE_CLOCK_MHZ = 400
CONTEXT = 4


def write_log(folder, name, log):
    if folder:
        with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
            f.writelines(f"{entry}\n" for entry in log)


def conclude(folder, lines, status):
    """Prints the outcome and keeps it in the folder's session-summary.txt."""
    for line in lines:
        print(line)
    if folder:
        with open(os.path.join(folder, "session-summary.txt"), "w", encoding="utf-8") as f:
            f.writelines(f"{line}\n" for line in lines if not line.startswith("  "))
    return status


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("device_dll")
    parser.add_argument("desktop_dll")
    parser.add_argument("--logs", help="folder for both builds' recorded calls")
    options = parser.parse_args()
    for path in (options.device_dll, options.desktop_dll):
        if not os.path.isfile(path):
            print(f"run_session: {path} is missing (build the device and windows-x86 presets)")
            return 1

    results = {}
    for label, path in (("ARM", options.device_dll), ("i686", options.desktop_dll)):
        start = time.monotonic()
        try:
            results[label] = run(path)
        except Failed as failure:
            return conclude(options.logs, [f"device session: the {label} build failed: "
                                           f"{failure}"], 1)
        print(f"{label}: {path}: {len(results[label][0])} calls recorded in "
              f"{time.monotonic() - start:.1f} s")
    device, costs = results["ARM"]
    desktop, _ = results["i686"]
    write_log(options.logs, "session-arm.log", device)
    write_log(options.logs, "session-i686.log", desktop)

    index, converted = first_difference(device, desktop)
    if index is not None:
        lines = [f"device session: the ARM and i686 builds differ at call {index + 1} of "
                 f"{len(device)}:"]
        for n in range(max(0, index - CONTEXT), index + 1):
            if n < len(device):
                lines.append(f"  ARM  {device[n]}")
            if n < len(converted):
                lines.append(f"  i686 {converted[n]}")
        lines.append(f"device session: first difference: ARM {device[index] if index < len(device) else 'ends'}"
                     f" / i686 {converted[index] if index < len(converted) else 'ends'}")
        return conclude(options.logs, lines, 1)
    on_purpose = deliberate_differences()
    lines = [f"device session: the ARM and i686 builds agree on all {len(device)} calls, but "
             f"for {len(on_purpose)} differences on purpose (device/harness/compare.py)"]
    lines += [f"  - {line}" for line in on_purpose]
    figures = "; ".join(f"{name}: {count}" for name, count in costs.items())
    lines.append(f"device session: ARM instructions in morvane.dll: {figures} "
                 f"(at {DEVICE_CLOCK_MHZ} MHz and one a cycle, "
                 f"{max(costs.values()) / DEVICE_CLOCK_MHZ:.1f} us at most)")
    return conclude(options.logs, lines, 0)

if __name__ == "__main__":
    sys.exit(main())
