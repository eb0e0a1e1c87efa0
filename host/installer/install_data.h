// The installation data of a Pocket PC cabinet (its .000 file): who and what it installs, and its
// STRINGS, DIRS, FILES, REGHIVES, REGKEYS and LINKS sections with every id resolved, and the
// padding the SDK's wizard adds taken off. Pure code:
// the installer stand-in, its tests and the fuzzer share it.
#pragma once

#include "host/installer/cabinet_archive.h"

#include <map>
#include <string>
#include <vector>

// The registry roots a hive names, by their number in the data.
enum { RootClasses = 1, RootCurrentUser = 2, RootLocalMachine = 3, RootUsers = 4 };

// The types of a registry entry (its flags' type bits) and the one flag known.
enum : uint32_t {
    EntryString = 0x00000000,
    EntryBinary = 0x00000001,
    EntryMultiString = 0x00010000,
    EntryDword = 0x00010001,
    EntryTypeMask = 0x00010001,
    EntryNoClobber = 0x00000002
};

// The one file flag the installer heeds: a file already on the device is not overwritten.
enum : uint32_t { FileNoOverwrite = 0x00000010 };

struct InstallFile {
    uint16_t Id;        // its number: the cabinet's file with this extension
    std::string Folder; // its DIRS entry joined with backslashes, such as %CE2%
    uint32_t Flags;
    std::string Name; // its name once installed
};

// A shortcut's entry: 1 for one to a file of the installation, 0 for one to a folder.
enum : uint16_t { LinkToFolder = 0, LinkToFile = 1 };

struct InstallLink {
    uint16_t Id;
    uint16_t Base;   // the n of the %CEn% folder its path starts from
    uint16_t Target; // the FILES entry, or the DIRS entry, it leads to
    bool ToFile;
    std::string Path;         // its folders under Base and, last, its name without ".lnk"
    std::string TargetFolder; // a folder's DIRS path, for one to a folder
};

struct InstallEntry {
    int Root;        // one of the roots above
    std::string Key; // its REGHIVES entry joined with backslashes
    std::string Name;
    uint32_t Flags;  // a type above, with EntryNoClobber perhaps
    bool Substitute; // %CEn% in its text is replaced by the folder when installed
    Bytes Data;      // as stored: a string or strings with their zero bytes, or a DWORD's four
};

struct InstallData {
    std::string AppName, Provider;
    std::vector<std::string> Unsupported;                    // platforms it does not run on
    uint32_t Processor = 0;                                  // 0 for any
    uint32_t VersionMin[2] = {0, 0}, VersionMax[2] = {0, 0}; // major, minor; 0 for no limit
    uint32_t BuildMin = 0, BuildMax = 0;
    std::map<uint16_t, std::string> Strings;
    std::vector<InstallFile> Files;
    std::vector<InstallEntry> Entries;
    std::vector<InstallLink> Links;
};

// Reads the .000's bytes. False, with what is wrong in problem, when the signature, a size, count
// or offset, an id or a text does not hold.
bool ReadInstallData(const Bytes& bytes, InstallData* data, std::string* problem);

// A path's parts between its backslashes, empty ones included.
std::vector<std::string> PathParts(const std::string& path);

// The root's short name (HKLM, ...), as the information file writes it.
const char* RootName(int root);
