// The stand-in of the device's installer (wceload.exe): installs a Pocket PC cabinet into this
// prefix as the device installs it, its files at their device paths on drive C: (the device's
// root, whose \Windows is the prefix's Windows folder) and its registry values, and records what
// it wrote under HKLM\Software\Apps\<provider> <name>, from where removal takes it away again.
#pragma once

#include "platform/platform.h"
#include "host/installer/install_record.h"

#include <string>

// Installs the cabinet. The whole cabinet is read and checked first, and every file it would
// replace, so one that is damaged, hostile or held by a program is refused with nothing written;
// an installation of the same program already there is replaced, and stays whole when this one
// fails. What was done, or why not, is put in said.
bool InstallCabinet(const std::wstring& path, std::wstring* said);

// Removes the installed program NAME (its provider and name, exactly as recorded) and everything
// its installation wrote, putting back the values it overwrote, as Remove Programs does; nothing
// when a file of it is held or its record names what this installer never writes.
bool RemoveProgram(const std::wstring& name, std::wstring* said);
