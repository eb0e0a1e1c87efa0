// A cabinet's setup library, run as the device's installer runs it: loaded from a copy of its own,
// its entry points found by name and called before and after the installer works, and their
// answers honoured.
#pragma once

#include "platform/platform.h"
#include "host/installer/byte_reader.h"
#include "platform/ce_setup.h"

#include <string>

struct SetupLibrary {
    HMODULE Module = NULL;
    std::wstring Copy; // the temporary copy it runs from
    pfnINSTALL_INIT InstallInit = nullptr;
    pfnINSTALL_EXIT InstallExit = nullptr;
    pfnUNINSTALL_INIT UninstallInit = nullptr;
    pfnUNINSTALL_EXIT UninstallExit = nullptr;
};

// Loads the library's bytes from a copy in the temporary folder. False, with why in said, when it
// cannot be written or loaded or lacks one of the four entry points.
bool LoadSetupLibrary(const Bytes& bytes, SetupLibrary* setup, std::wstring* said);

// Unloads it and deletes its copy; nothing for one never loaded.
void UnloadSetupLibrary(SetupLibrary* setup);
