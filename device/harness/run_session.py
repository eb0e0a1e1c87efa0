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
            print(f"run_session: the {label} build failed: {failure}")
            return 1
        print(f"{label}: {path}: {len(results[label][0])} calls recorded in "
              f"{time.monotonic() - start:.1f} s")
    device, costs = results["ARM"]
    desktop, _ = results["i686"]
    write_log(options.logs, "session-arm.log", device)
    write_log(options.logs, "session-i686.log", desktop)

    index, converted = first_difference(device, desktop)
    if index is not None:
        print(f"run_session: the builds differ at call {index + 1}:")
        for n in range(max(0, index - CONTEXT), index + 1):
            if n < len(device):
                print(f"  ARM  {device[n]}")
            if n < len(converted):
                print(f"  i686 {converted[n]}")
        return 1
    print(f"no difference in {len(device)} calls; on purpose:")
    for line in deliberate_differences():
        print(f"  {line}")
    print(f"ARM instructions in morvane.dll (at {DEVICE_CLOCK_MHZ} MHz, one a cycle):")
    for name, count in costs.items():
        print(f"  {name}: {count} ({count / DEVICE_CLOCK_MHZ:.1f} us)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
