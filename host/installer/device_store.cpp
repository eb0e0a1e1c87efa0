#include "host/installer/device_store.h"

#include "host/installer/install_data.h"

namespace {

const WCHAR DeviceDrive[] = L"C:";

const Root Roots[] = {{L"HKCR", HKEY_CLASSES_ROOT, RootClasses},
                      {L"HKCU", HKEY_CURRENT_USER, RootCurrentUser},
                      {L"HKLM", HKEY_LOCAL_MACHINE, RootLocalMachine},
                      {L"HKU", HKEY_USERS, RootUsers}};

} // namespace

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// The record's texts back as the plan's: printable ASCII only, as every plan is.
bool Narrow(const std::wstring& text, std::string* narrow) {
    narrow->clear();
    for (WCHAR c : text) {
        if (c < L' ' || c > L'~')
            return false;
        *narrow += (char)c;
    }
    return true;
}

std::wstring HostPath(const std::wstring& devicePath) {
    return DeviceDrive + devicePath;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

bool Listed(const std::vector<std::wstring>& list, const std::wstring& item) {
    for (const std::wstring& listed : list)
        if (SameName(listed, item))
            return true;
    return false;
}

// "ROOT\key" split into its root and the key's path; false for an unknown root.
bool SplitKey(const std::wstring& full, const Root** root, std::wstring* key) {
    size_t slash = full.find(L'\\');
    std::wstring name = full.substr(0, slash);
    for (const Root& r : Roots)
        if (name == r.Name) {
            *root = &r;
            *key = slash == std::wstring::npos ? L"" : full.substr(slash + 1);
            return true;
        }
    return false;
}

// "ROOT\key<tab>name" split into its open key's parts and the value's name.
bool SplitValue(const std::wstring& where, const Root** root, std::wstring* key,
                std::wstring* name) {
    size_t tab = where.find(L'\t');
    if (tab == std::wstring::npos || !SplitKey(where.substr(0, tab), root, key))
        return false;
    *name = where.substr(tab + 1);
    return true;
}

std::wstring ErrorText(DWORD error) {
    return error == ERROR_SHARING_VIOLATION ? L"in use (error 32)"
                                            : L"error " + std::to_wstring(error);
}

bool ReadWholeFile(const std::wstring& path, Bytes* bytes, std::wstring* said) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *said = L"cannot read " + path + L": " + ErrorText(GetLastError());
        return false;
    }
    DWORD size = GetFileSize(file, NULL), got = 0;
    bool read = size != INVALID_FILE_SIZE && size <= CabinetLimit;
    if (read) {
        bytes->resize(size);
        read = size == 0 || (ReadFile(file, bytes->data(), size, &got, NULL) && got == size);
    }
    CloseHandle(file);
    if (!read)
        *said = L"cannot read " + path + L" whole (at most 64 MiB are taken)";
    return read;
}

bool Exists(const std::wstring& devicePath) {
    return GetFileAttributesW(HostPath(devicePath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool AnyHeld(const std::vector<std::wstring>& devicePaths, std::wstring* held, DWORD* error) {
    for (const std::wstring& path : devicePaths) {
        if (!Exists(path))
            continue;
        HANDLE file =
            CreateFileW(HostPath(path).c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            *held = path;
            *error = GetLastError();
            return true;
        }
        CloseHandle(file);
    }
    return false;
}

bool WriteBytes(const std::wstring& devicePath, const Bytes& bytes, DWORD* error) {
    HANDLE file = CreateFileW(HostPath(devicePath).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    DWORD put = 0, size = (DWORD)bytes.size();
    bool done = size == 0 || (WriteFile(file, bytes.data(), size, &put, NULL) && put == size);
    *error = done ? 0 : GetLastError();
    CloseHandle(file);
    return done;
}

const Root& RootOf(int number) {
    for (const Root& root : Roots)
        if (root.Number == number)
            return root;
    return Roots[0]; // the plan holds known roots only
}

bool ReadValue(const std::wstring& where, SavedValue* value) {
    const Root* root;
    std::wstring path, name;
    HKEY key;
    if (!SplitValue(where, &root, &path, &name) ||
        RegOpenKeyExW(root->Key, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool found =
        RegQueryValueExW(key, name.c_str(), NULL, &value->Type, NULL, &size) == ERROR_SUCCESS;
    if (found) {
        value->Data.resize(size);
        found = RegQueryValueExW(key, name.c_str(), NULL, &value->Type, value->Data.data(),
                                 &size) == ERROR_SUCCESS;
        value->Data.resize(size);
    }
    RegCloseKey(key);
    value->Where = where;
    return found;
}

// Puts the value back as it was, or takes it away when there was none.
void PutBack(const std::wstring& where, const SavedValue* before) {
    const Root* root;
    std::wstring path, name;
    HKEY key;
    if (!SplitValue(where, &root, &path, &name) ||
        RegOpenKeyExW(root->Key, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    if (before)
        RegSetValueExW(key, name.c_str(), 0, before->Type, before->Data.data(),
                       (DWORD)before->Data.size());
    else
        RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
}

const SavedValue* SavedFor(const std::vector<SavedValue>& saved, const std::wstring& where) {
    for (const SavedValue& value : saved)
        if (SameName(value.Where, where))
            return &value;
    return nullptr;
}

void TakeAwayKeys(const std::vector<std::wstring>& keys) {
    // A key goes only once nothing else is left in it.
    for (auto made = keys.rbegin(); made != keys.rend(); ++made) {
        const Root* root;
        std::wstring path;
        HKEY key;
        DWORD subkeys = 1, values = 1;
        if (!SplitKey(*made, &root, &path) ||
            RegOpenKeyExW(root->Key, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        RegQueryInfoKeyW(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL,
                         NULL);
        RegCloseKey(key);
        if (subkeys == 0 && values == 0)
            RegDeleteKeyW(root->Key, path.c_str());
    }
}

void TakeAwayFolders(const std::vector<std::wstring>& folders) {
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        RemoveDirectoryW(HostPath(*folder).c_str());
}
