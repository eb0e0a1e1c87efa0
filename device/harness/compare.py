"""The device's build against the i686 build, call by call. The sources choose a few differences
on purpose; they are listed here, each with its reason, and the i686 build's record is brought
into the device's terms before the comparison. Anything else that differs is a fault."""
from standins import resource_handle
from system import Entry

# Functions the device's libraries export under another name (platform/device_names.h).
RENAMED = {
    "GetProcAddress": ("GetProcAddressW", "coredll.dll exports the wide form"),
    "ChooseColorW": ("ChooseColor", "commdlg.dll exports the colour chooser without a suffix"),
}
# Calls the desktop makes and the device does not.
DROPPED = {
    "LockResource": "a macro on the device: a loaded resource is its own address",
}
# The desktop's DialogBoxParamW is, on the device, the macro over these three calls.
EXPANDED = "DialogBoxParamW"
# Results the builds report differently on purpose: the function and what is left out.
IGNORED_OUT = {
    "CreateProcessW": "the start-up record: none on the device (platform/program_start.h)",
}


def in_device_terms(log):
    """The i686 build's record as the device's build would make it."""
    converted = []
    for entry in log:
        if entry.name in DROPPED:
            continue
        if entry.name == EXPANDED:
            module, name, owner, proc, param = entry.args
            number = int(name[1:])
            found = Entry(entry.step, "FindResourceW", (module, name, "#5"))
            found.result = resource_handle(5, number)
            loaded = Entry(entry.step, "LoadResource", (module, found.result))
            loaded.result = "resource data"
            shown = Entry(entry.step, "DialogBoxIndirectParamW",
                          (module, f"dialog {number}", owner, proc, param))
            shown.result = entry.result
            converted += [found, loaded, shown]
            continue
        if entry.name in RENAMED:
            renamed = Entry(entry.step, RENAMED[entry.name][0], entry.args)
            renamed.result, renamed.out = entry.result, entry.out
            entry = renamed
        converted.append(entry)
    return converted


def comparable(entry):
    return (entry.name, entry.args, entry.result,
            () if entry.name in IGNORED_OUT else entry.out)


def first_difference(device, desktop):
    """None when the records agree; else the index of the first call that differs."""
    desktop = in_device_terms(desktop)
    for index, (ours, theirs) in enumerate(zip(device, desktop)):
        if comparable(ours) != comparable(theirs):
            return index, desktop
    if len(device) != len(desktop):
        return min(len(device), len(desktop)), desktop
    return None, desktop


def deliberate_differences():
    lines = [f"{name} is {new} on the device: {why}" for name, (new, why) in RENAMED.items()]
    lines += [f"{name} is not called on the device: {why}" for name, why in DROPPED.items()]
    lines.append(f"{EXPANDED} is FindResourceW, LoadResource and DialogBoxIndirectParamW on the "
                 "device: the device's header makes it a macro over them")
    lines += [f"{name}: {what}" for name, what in IGNORED_OUT.items()]
    return lines
