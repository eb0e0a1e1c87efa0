// The device built over the desktop's headers (the device preset: GCC for ARM with mingw-w64's
// headers). A few functions the desktop's headers declare are exported by the device's libraries
// under another name, or not at all; the device's SDK maps them in its own headers, and this file
// maps them the same way, so every call reaches an export of coredll.dll or commdlg.dll. Built
// with the SDK (UNDER_CE), its headers do this themselves and this file is not read.
#pragma once

// coredll.dll exports GetProcAddressW, which takes the name (or an ordinal) as a wide string.
#undef GetProcAddress
#define GetProcAddress GetProcAddressW
extern "C" FARPROC WINAPI GetProcAddressW(HMODULE module, LPCWSTR name);

// A loaded resource is its own address on the device: LockResource is a macro there, not an
// export.
#define LockResource(resource) ((LPVOID)(resource))

// The device's DialogBoxParam is a macro over DialogBoxIndirectParam, with the template found and
// loaded from the module first.
#define DialogBoxParamW(instance, name, owner, proc, param)                                        \
    DialogBoxIndirectParamW(                                                                       \
        (instance),                                                                                \
        (LPCDLGTEMPLATEW)LoadResource((instance), FindResourceW((instance), (name), RT_DIALOG)),   \
        (owner), (proc), (param))

// commdlg.dll exports the colour chooser as ChooseColor, taking the wide record.
#undef ChooseColor
extern "C" BOOL WINAPI ChooseColor(LPCHOOSECOLORW request);
