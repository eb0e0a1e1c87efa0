// The stand-in of the device's installer (wceload.exe): installs a Pocket PC cabinet into this
// prefix as the device installs it, its files at their device paths on drive C: (the device's
// root, whose \Windows is the prefix's Windows folder) and its registry values, and records what
// it wrote under HKLM\Software\Apps\<provider> <name>, from where removal takes it away again.
#pragma once

#include "platform/platform.h"

#include <string>

#define INSTALLED_APPS_KEY L"Software\\Apps"

// Installs the cabinet. The whole cabinet is read and checked first, so one that is damaged or
// asks for what the device would not do is refused with nothing written; an installation of the
// same program already there is removed first. What was done, or why not, is put in said.
bool InstallCabinet(const std::wstring& path, std::wstring* said);

// Removes the installed program NAME (its provider and name, or its name alone) and everything
// its installation wrote, as Remove Programs does.
bool RemoveProgram(const std::wstring& name, std::wstring* said);
