// What installing a cabinet writes on the device: its files at their paths in the device's
// folders and its registry values, worked out and checked whole before anything is written.
// Pure code, shared with the tests and the fuzzer.
#pragma once

#include "host/installer/cabinet_archive.h"
#include "host/installer/install_data.h"

#include <string>
#include <vector>

// The device the installer stands in for: Windows CE 5.01 (Windows Mobile 5.0), taking cabinets
// made for any processor, since it runs whatever the build made for the desktop.
enum { DeviceVersionMajor = 5, DeviceVersionMinor = 1 };
// The device's longest path, its terminating zero counted, and the longest name a program's record
// key can have.
enum { DeviceMaxPath = 260, ProgramNameLimit = 255 };

struct PlannedFile {
    std::string Path; // the device's path, such as \Windows\morvane.dll
    const Bytes* Data;
    bool KeepExisting; // a file already there stays
};

// A shortcut, a small file on the device: the length of the target's quoted path, "#", and the
// quoted path.
struct PlannedLink {
    std::string Path; // such as \Windows\Start Menu\Programs\Name.lnk
    Bytes Text;
};

struct PlannedValue {
    int Root;
    std::string Key, Name;
    uint32_t Type; // EntryString, EntryDword, ...
    Bytes Data;    // with the device's folders in place of %CEn%
    bool KeepExisting;
};

// The cabinet's file 999, the setup library the installer runs, kept on the device where removal
// finds it again.
enum { SetupLibraryNumber = 999 };
#define SETUP_LIBRARY_FOLDER "\\Windows\\AppMgr\\"

struct InstallPlan {
    std::string Program; // "Provider AppName", what the installation is recorded and removed as
    const Bytes* SetupLibrary = nullptr; // the setup library's bytes, when the cabinet has one
    InstallData Data;
    std::vector<PlannedFile> Files;
    std::vector<PlannedLink> Links;
    std::vector<PlannedValue> Values;
};

// The plan for the cabinet's files (the installation data first). The plan points into files,
// which must outlive it. False, with what is wrong in problem, when anything would not install.
bool PlanInstall(const std::vector<CabinetFile>& files, InstallPlan* plan, std::string* problem);

// Where the setup library of the program is kept for its removal: \Windows\AppMgr\<program>.dll.
std::string SetupLibraryPath(const std::string& program);

// The device's folder a %CEn% name stands for; empty for a name that is none of them.
std::string DeviceFolder(const std::string& name);

// The checks every plan passes, which a record of an installation must pass too before removal
// touches what it names. False, with why in problem:
// a device path that is not inside one of the %CEn% folders, climbs, names a device (CON, NUL,
// COM1, ... with any extension), or is longer than the device's MAX_PATH;
bool CheckDevicePath(const std::string& path, std::string* problem);
// a registry key among the installer's own records, Wine's configuration or the start-up keys;
bool CheckRegistryKey(int root, const std::string& key, std::string* problem);
// a program's name that its record could not be found by again.
bool CheckProgramName(const std::string& program, std::string* problem);
