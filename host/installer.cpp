#include "platform/platform.h"
#include "host/installer.h"
#include "host/install_plan.h"

#include <string>
#include <vector>

namespace {

// The device's root: the prefix's drive C:, so that \Windows is its Windows folder.
const WCHAR DeviceDrive[] = L"C:";
const WCHAR InstalledFlag[] = L"Instl";
enum { CabinetLimit = 64 << 20, KeyNameCapacity = 256 };

// What an installation wrote, in the order written: device paths for files and folders,
// "ROOT\key" for the keys it made and "ROOT\key<tab>name" for its values.
struct Written {
    std::vector<std::wstring> Files, Folders, Keys, Values;
};
const WCHAR* const RecordNames[] = {L"Files", L"Folders", L"Keys", L"Values"};
enum { RecordListCount = sizeof RecordNames / sizeof RecordNames[0] };

std::vector<std::wstring>* RecordList(Written* written, int i) {
    std::vector<std::wstring>* lists[] = {&written->Files, &written->Folders, &written->Keys,
                                          &written->Values};
    return lists[i];
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::wstring HostPath(const std::wstring& devicePath) {
    return DeviceDrive + devicePath;
}

struct Root {
    const WCHAR* Name;
    HKEY Key;
};
const Root Roots[] = {{L"HKCR", HKEY_CLASSES_ROOT},
                      {L"HKCU", HKEY_CURRENT_USER},
                      {L"HKLM", HKEY_LOCAL_MACHINE},
                      {L"HKU", HKEY_USERS}};

// "ROOT\key" split into the root's handle and the key's path; false for an unknown root.
bool SplitKey(const std::wstring& full, HKEY* root, std::wstring* key) {
    size_t slash = full.find(L'\\');
    std::wstring name = full.substr(0, slash);
    for (const Root& r : Roots)
        if (name == r.Name) {
            *root = r.Key;
            *key = slash == std::wstring::npos ? L"" : full.substr(slash + 1);
            return true;
        }
    return false;
}

bool ReadWholeFile(const std::wstring& path, Bytes* bytes, std::wstring* said) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *said = L"cannot read " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
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

// ---- Writing, each step recorded as it is made ----

bool MakeFolders(const std::wstring& filePath, Written* written) {
    for (size_t at = filePath.find(L'\\', 1); at != std::wstring::npos;
         at = filePath.find(L'\\', at + 1)) {
        std::wstring folder = filePath.substr(0, at);
        if (GetFileAttributesW(HostPath(folder).c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (!CreateDirectoryW(HostPath(folder).c_str(), NULL))
            return false;
        written->Folders.push_back(folder);
    }
    return true;
}

bool WriteFileTo(const PlannedFile& planned, Written* written, std::wstring* said) {
    std::wstring path = Wide(planned.Path);
    if (planned.KeepExisting &&
        GetFileAttributesW(HostPath(path).c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    bool done = MakeFolders(path, written);
    HANDLE file = done ? CreateFileW(HostPath(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, NULL)
                       : INVALID_HANDLE_VALUE;
    if (file != INVALID_HANDLE_VALUE) {
        written->Files.push_back(path);
        DWORD put = 0, size = (DWORD)planned.Data->size();
        done =
            size == 0 || (WriteFile(file, planned.Data->data(), size, &put, NULL) && put == size);
        CloseHandle(file);
    } else {
        done = false;
    }
    if (!done)
        *said = L"cannot write " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
    return done;
}

// Opens ROOT\key, making each missing level and recording it.
bool MakeKey(const PlannedValue& planned, HKEY* key, Written* written) {
    const Root& root = Roots[planned.Root - RootClasses];
    std::wstring path = Wide(planned.Key), made = root.Name;
    HKEY parent = root.Key;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring part = path.substr(start, end - start);
        made += L"\\" + part;
        HKEY child;
        DWORD disposition = 0;
        LONG status = RegCreateKeyExW(parent, part.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                                      &child, &disposition);
        if (parent != root.Key)
            RegCloseKey(parent);
        if (status != ERROR_SUCCESS)
            return false;
        if (disposition == REG_CREATED_NEW_KEY)
            written->Keys.push_back(made);
        parent = child;
        start = end + 1;
    }
    *key = parent;
    return true;
}

// The value's bytes as the registry stores them: texts in UTF-16, numbers and data as they are.
std::vector<BYTE> StoredBytes(const PlannedValue& planned, DWORD* type) {
    static const DWORD types[][2] = {{EntryString, REG_SZ},
                                     {EntryMultiString, REG_MULTI_SZ},
                                     {EntryDword, REG_DWORD},
                                     {EntryBinary, REG_BINARY}};
    for (const DWORD* pair : types)
        if (pair[0] == planned.Type)
            *type = pair[1];
    if (*type != REG_SZ && *type != REG_MULTI_SZ)
        return std::vector<BYTE>(planned.Data.begin(), planned.Data.end());
    std::wstring text(planned.Data.begin(), planned.Data.end());
    const BYTE* at = (const BYTE*)text.data();
    return std::vector<BYTE>(at, at + text.size() * sizeof(WCHAR));
}

bool WriteValue(const PlannedValue& planned, Written* written, std::wstring* said) {
    HKEY key;
    std::wstring name = Wide(planned.Name);
    std::wstring where =
        std::wstring(Roots[planned.Root - RootClasses].Name) + L"\\" + Wide(planned.Key);
    if (!MakeKey(planned, &key, written)) {
        *said = L"cannot make the key " + where;
        return false;
    }
    bool keep = planned.KeepExisting &&
                RegQueryValueExW(key, name.c_str(), NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    DWORD type = REG_BINARY;
    std::vector<BYTE> bytes = StoredBytes(planned, &type);
    LONG status =
        keep ? ERROR_SUCCESS
             : RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        *said = L"cannot write the value " + where + L"\\" + name;
        return false;
    }
    if (!keep)
        written->Values.push_back(where + L"\t" + name);
    return true;
}

// ---- Taking away what was written, the latest first; what is gone already is passed over ----

void TakeAway(const Written& written) {
    for (auto value = written.Values.rbegin(); value != written.Values.rend(); ++value) {
        size_t tab = value->find(L'\t');
        HKEY root, key;
        std::wstring path;
        if (tab == std::wstring::npos || !SplitKey(value->substr(0, tab), &root, &path))
            continue;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, value->substr(tab + 1).c_str());
            RegCloseKey(key);
        }
    }
    // A key this installation made goes only once nothing else is left in it.
    for (auto made = written.Keys.rbegin(); made != written.Keys.rend(); ++made) {
        HKEY root, key;
        std::wstring path;
        DWORD subkeys = 1, values = 1;
        if (!SplitKey(*made, &root, &path) ||
            RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        RegQueryInfoKeyW(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL,
                         NULL);
        RegCloseKey(key);
        if (subkeys == 0 && values == 0)
            RegDeleteKeyW(root, path.c_str());
    }
    for (const std::wstring& file : written.Files)
        DeleteFileW(HostPath(file).c_str());
    for (auto folder = written.Folders.rbegin(); folder != written.Folders.rend(); ++folder)
        RemoveDirectoryW(HostPath(*folder).c_str());
}

// ---- The record under HKLM\Software\Apps ----

std::wstring AppKey(const std::wstring& program) {
    return std::wstring(INSTALLED_APPS_KEY) + L"\\" + program;
}

bool SaveRecord(const std::wstring& program, Written* written) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, AppKey(program).c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                        NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    DWORD installed = 1;
    bool saved = RegSetValueExW(key, InstalledFlag, 0, REG_DWORD, (const BYTE*)&installed,
                                sizeof installed) == ERROR_SUCCESS;
    for (int i = 0; i < RecordListCount; ++i) {
        std::wstring list;
        for (const std::wstring& item : *RecordList(written, i))
            list += item + L'\0';
        list += L'\0';
        saved =
            saved && RegSetValueExW(key, RecordNames[i], 0, REG_MULTI_SZ, (const BYTE*)list.data(),
                                    (DWORD)(list.size() * sizeof(WCHAR))) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return saved;
}

bool LoadRecord(const std::wstring& program, Written* written) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, AppKey(program).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    for (int i = 0; i < RecordListCount; ++i) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key, RecordNames[i], NULL, &type, NULL, &size) != ERROR_SUCCESS ||
            type != REG_MULTI_SZ)
            continue;
        std::vector<WCHAR> list(size / sizeof(WCHAR) + 2, 0);
        RegQueryValueExW(key, RecordNames[i], NULL, NULL, (BYTE*)list.data(), &size);
        for (const WCHAR* item = list.data(); *item; item += wcslen(item) + 1)
            RecordList(written, i)->push_back(item);
    }
    RegCloseKey(key);
    return true;
}

// The installed program that NAME names: its provider and name, or its name alone.
std::wstring FindProgram(const std::wstring& name) {
    HKEY apps;
    std::wstring found;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, INSTALLED_APPS_KEY, 0, KEY_READ, &apps) != ERROR_SUCCESS)
        return found;
    WCHAR key[KeyNameCapacity];
    for (DWORD i = 0, length = KeyNameCapacity;
         found.empty() &&
         RegEnumKeyExW(apps, i, key, &length, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
         ++i, length = KeyNameCapacity) {
        std::wstring program = key;
        std::wstring tail =
            program.size() > name.size() ? program.substr(program.size() - name.size() - 1) : L"";
        if (lstrcmpiW(program.c_str(), name.c_str()) == 0 ||
            lstrcmpiW(tail.c_str(), (L" " + name).c_str()) == 0)
            found = program;
    }
    RegCloseKey(apps);
    return found;
}

std::wstring Counted(size_t count, const WCHAR* one, const WCHAR* many) {
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

} // namespace

bool InstallCabinet(const std::wstring& path, std::wstring* said) {
    Bytes cabinet;
    if (!ReadWholeFile(path, &cabinet, said))
        return false;
    std::vector<CabinetFile> files;
    InstallPlan plan;
    std::string problem;
    if (!ReadCabinet(cabinet, &files, &problem) || !PlanInstall(files, &plan, &problem)) {
        *said = L"refused " + path + L": " + Wide(problem) + L"; nothing was installed";
        return false;
    }
    std::wstring program = Wide(plan.Program), earlier;
    // As on the device, an earlier installation of the same program goes before this one.
    if (RemoveProgram(program, &earlier))
        earlier = L" (" + earlier + L" first)";
    else
        earlier.clear();

    Written written;
    bool done = true;
    for (size_t i = 0; done && i < plan.Files.size(); ++i)
        done = WriteFileTo(plan.Files[i], &written, said);
    for (size_t i = 0; done && i < plan.Values.size(); ++i)
        done = WriteValue(plan.Values[i], &written, said);
    if (done && !SaveRecord(program, &written)) {
        *said = L"cannot record the installation under HKLM\\" + AppKey(program);
        done = false;
    }
    if (!done) {
        TakeAway(written);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(program).c_str());
        *said += L"; what was written is taken away again";
        return false;
    }
    *said = L"installed " + program + L": " + Counted(written.Files.size(), L"file", L"files") +
            L", " + Counted(written.Values.size(), L"registry value", L"registry values") + earlier;
    return true;
}

bool RemoveProgram(const std::wstring& name, std::wstring* said) {
    std::wstring program = FindProgram(name);
    Written written;
    if (program.empty() || !LoadRecord(program, &written)) {
        *said = L"no program " + name + L" is installed";
        return false;
    }
    TakeAway(written);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(program).c_str());
    *said = L"removed " + program + L": " + Counted(written.Files.size(), L"file", L"files") +
            L", " + Counted(written.Values.size(), L"registry value", L"registry values");
    return true;
}
