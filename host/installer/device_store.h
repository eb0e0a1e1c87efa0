// The device's files and registry as the installer touches them: device paths on the prefix's
// drive C: (the device's root, whose \\Windows is the prefix's Windows folder), and registry values
// named "ROOT\\key<tab>name".
#pragma once

#include "platform/platform.h"
#include "host/installer/byte_reader.h"

#include <string>
#include <vector>

// The largest file the installer reads whole: a cabinet, or a file it replaces.
enum { CabinetLimit = 64 << 20 };

// A value as it stood before an installation wrote it: "ROOT\key<tab>name", and its type and
// bytes.
struct SavedValue {
    std::wstring Where;
    DWORD Type;
    std::vector<BYTE> Data;
};

struct Root {
    const WCHAR* Name;
    HKEY Key;
    int Number; // as the installation data numbers it
};
std::wstring Wide(const std::string& text);
// The record's texts back as the plan's: printable ASCII only, as every plan is.
bool Narrow(const std::wstring& text, std::string* narrow);
std::wstring HostPath(const std::wstring& devicePath);
// Names compared as the file system and the registry compare them, in any letter case.
bool SameName(const std::wstring& a, const std::wstring& b);
bool Listed(const std::vector<std::wstring>& list, const std::wstring& item);

// "ROOT\\key" split into its root and the key's path; false for an unknown root.
bool SplitKey(const std::wstring& full, const Root** root, std::wstring* key);
// "ROOT\\key<tab>name" split into its root, the key's path and the value's name.
bool SplitValue(const std::wstring& where, const Root** root, std::wstring* key,
                std::wstring* name);
// The root the installation data numbers so; the plan holds known roots only.
const Root& RootOf(int number);

// An error as the installer says it: "in use" for a file a program holds.
std::wstring ErrorText(DWORD error);
bool ReadWholeFile(const std::wstring& path, Bytes* bytes, std::wstring* said);
bool Exists(const std::wstring& devicePath);
// The first of the files that is there and could not be replaced or deleted now, in held, with
// the error in error: a program holding one (a loaded library) keeps others from writing it.
// False when every one could.
bool AnyHeld(const std::vector<std::wstring>& devicePaths, std::wstring* held, DWORD* error);
bool WriteBytes(const std::wstring& devicePath, const Bytes& bytes, DWORD* error);

bool ReadValue(const std::wstring& where, SavedValue* value);
// Puts the value back as it was, or takes it away when there was none.
void PutBack(const std::wstring& where, const SavedValue* before);
const SavedValue* SavedFor(const std::vector<SavedValue>& saved, const std::wstring& where);

// Keys and folders taken away, the latest first, each only once nothing else is left in it.
void TakeAwayKeys(const std::vector<std::wstring>& keys);
void TakeAwayFolders(const std::vector<std::wstring>& folders);
