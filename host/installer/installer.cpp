#include "platform/platform.h"
#include "host/installer/installer.h"
#include "host/installer/install_plan.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

// The device's root: the prefix's drive C:, so that \Windows is its Windows folder.
const WCHAR DeviceDrive[] = L"C:";
const WCHAR InstalledFlag[] = L"Instl";
// The record keeps each value an installation overwrote as "Restore<n>", with its own type.
const WCHAR SavedPrefix[] = L"Restore";
enum { CabinetLimit = 64 << 20 };

// A value as it stood before an installation wrote it: "ROOT\key<tab>name", and its type and
// bytes.
struct SavedValue {
    std::wstring Where;
    DWORD Type;
    std::vector<BYTE> Data;
};

// What an installation wrote, in the order written: device paths for files and folders,
// "ROOT\key" for the keys it made and "ROOT\key<tab>name" for its values; and the values it
// overwrote, to be put back when it goes.
struct Written {
    std::vector<std::wstring> Files, Folders, Keys, Values;
    std::vector<SavedValue> Saved;
};
const WCHAR* const RecordNames[] = {L"Files", L"Folders", L"Keys", L"Values", L"Restore"};
enum { RecordListCount = sizeof RecordNames / sizeof RecordNames[0], SavedList = 4 };

std::vector<std::wstring>* RecordList(Written* written, int i) {
    std::vector<std::wstring>* lists[] = {&written->Files, &written->Folders, &written->Keys,
                                          &written->Values};
    return lists[i];
}

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

struct Root {
    const WCHAR* Name;
    HKEY Key;
    int Number; // as the installation data numbers it
};
const Root Roots[] = {{L"HKCR", HKEY_CLASSES_ROOT, RootClasses},
                      {L"HKCU", HKEY_CURRENT_USER, RootCurrentUser},
                      {L"HKLM", HKEY_LOCAL_MACHINE, RootLocalMachine},
                      {L"HKU", HKEY_USERS, RootUsers}};

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

// Whether the file could be replaced or deleted now: a program holding it (a loaded library)
// keeps others from writing it.
bool Writable(const std::wstring& devicePath, DWORD* error) {
    HANDLE file =
        CreateFileW(HostPath(devicePath).c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return false;
    }
    CloseHandle(file);
    return true;
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

// ---- Registry values ----

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

// ---- Writing, each step recorded as it is made, with what it replaced ----

// An installation under way: what it wrote, and what was there before it, so that a failure can
// put everything back.
struct Journal {
    Written Made;
    std::vector<std::pair<std::wstring, Bytes>> ReplacedFiles;
    std::vector<SavedValue> ReplacedValues; // values there before this run wrote them
};

bool MakeFolders(const std::wstring& filePath, Written* written) {
    for (size_t at = filePath.find(L'\\', 1); at != std::wstring::npos;
         at = filePath.find(L'\\', at + 1)) {
        std::wstring folder = filePath.substr(0, at);
        if (Exists(folder))
            continue;
        if (!CreateDirectoryW(HostPath(folder).c_str(), NULL))
            return false;
        written->Folders.push_back(folder);
    }
    return true;
}

bool PutFile(const std::wstring& path, const Bytes& bytes, bool keepExisting, Journal* journal,
             std::wstring* said) {
    bool existed = Exists(path);
    if (existed && keepExisting)
        return true;
    Bytes before;
    if (existed) {
        if (!ReadWholeFile(HostPath(path), &before, said))
            return false;
        journal->ReplacedFiles.emplace_back(path, std::move(before));
    }
    DWORD error = 0;
    if (!MakeFolders(path, &journal->Made) || !WriteBytes(path, bytes, &error)) {
        if (!error)
            error = GetLastError();
        *said = L"cannot write " + path + L": " + ErrorText(error);
        return false;
    }
    journal->Made.Files.push_back(path);
    return true;
}

// Opens ROOT\key, making each missing level and recording it.
bool MakeKey(const Root& root, const std::wstring& path, HKEY* key, Written* written) {
    std::wstring made = root.Name;
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

const Root& RootOf(int number) {
    for (const Root& root : Roots)
        if (root.Number == number)
            return root;
    return Roots[0]; // the plan holds known roots only
}

bool PutValue(const PlannedValue& planned, Journal* journal, std::wstring* said) {
    const Root& root = RootOf(planned.Root);
    std::wstring name = Wide(planned.Name), path = Wide(planned.Key);
    std::wstring where = std::wstring(root.Name) + L"\\" + path;
    SavedValue before;
    bool existed = ReadValue(where + L"\t" + name, &before);
    if (existed && planned.KeepExisting)
        return true;
    HKEY key;
    if (!MakeKey(root, path, &key, &journal->Made)) {
        *said = L"cannot make the key " + where;
        return false;
    }
    DWORD type = REG_BINARY;
    std::vector<BYTE> bytes = StoredBytes(planned, &type);
    LONG status = RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), (DWORD)bytes.size());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        *said = L"cannot write the value " + where + L"\\" + name;
        return false;
    }
    if (existed)
        journal->ReplacedValues.push_back(before);
    journal->Made.Values.push_back(where + L"\t" + name);
    return true;
}

// ---- Taking away, the latest first; what is gone already is passed over ----

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

// Puts back everything an installation that failed had done.
void Undo(const Journal& journal) {
    const Written& made = journal.Made;
    for (auto value = made.Values.rbegin(); value != made.Values.rend(); ++value)
        PutBack(*value, SavedFor(journal.ReplacedValues, *value));
    TakeAwayKeys(made.Keys);
    for (const std::wstring& file : made.Files) {
        auto before = std::find_if(journal.ReplacedFiles.begin(), journal.ReplacedFiles.end(),
                                   [&](const std::pair<std::wstring, Bytes>& replaced) {
                                       return SameName(replaced.first, file);
                                   });
        DWORD error;
        if (before != journal.ReplacedFiles.end())
            WriteBytes(file, before->second, &error);
        else
            DeleteFileW(HostPath(file).c_str());
    }
    TakeAwayFolders(made.Folders);
}

// ---- The record under HKLM\Software\Apps ----

std::wstring AppKey(const std::wstring& program) {
    return std::wstring(INSTALLED_APPS_KEY) + L"\\" + program;
}

bool SaveRecord(const std::wstring& program, const Written& written) {
    HKEY key;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(program).c_str());
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, AppKey(program).c_str(), 0, NULL, 0, KEY_ALL_ACCESS,
                        NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    DWORD installed = 1;
    bool saved = RegSetValueExW(key, InstalledFlag, 0, REG_DWORD, (const BYTE*)&installed,
                                sizeof installed) == ERROR_SUCCESS;
    Written copy = written;
    std::vector<std::wstring> savedWhere;
    for (size_t i = 0; i < written.Saved.size(); ++i) {
        const SavedValue& value = written.Saved[i];
        savedWhere.push_back(value.Where);
        saved =
            saved && RegSetValueExW(key, (SavedPrefix + std::to_wstring(i)).c_str(), 0, value.Type,
                                    value.Data.data(), (DWORD)value.Data.size()) == ERROR_SUCCESS;
    }
    for (int i = 0; i < RecordListCount; ++i) {
        std::wstring list;
        for (const std::wstring& item : i == SavedList ? savedWhere : *RecordList(&copy, i))
            list += item + L'\0';
        list += L'\0';
        saved =
            saved && RegSetValueExW(key, RecordNames[i], 0, REG_MULTI_SZ, (const BYTE*)list.data(),
                                    (DWORD)(list.size() * sizeof(WCHAR))) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return saved;
}

std::vector<std::wstring> ReadList(HKEY key, const WCHAR* name) {
    std::vector<std::wstring> items;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, NULL, &type, NULL, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return items;
    std::vector<WCHAR> list(size / sizeof(WCHAR) + 2, 0);
    RegQueryValueExW(key, name, NULL, NULL, (BYTE*)list.data(), &size);
    for (const WCHAR* item = list.data(); *item; item += wcslen(item) + 1)
        items.push_back(item);
    return items;
}

// Every path and key a record names must be one this installer could have written: a device path
// inside the %CEn% folders, a key outside the records, Wine's configuration and the start-up keys.
bool CheckRecord(const Written& written, std::string* problem) {
    std::string narrow;
    std::vector<std::wstring> paths = written.Files;
    // A %CEn% folder itself may have been made, when the device lacked it.
    for (const std::wstring& folder : written.Folders)
        paths.push_back(folder + L"\\x");
    for (const std::wstring& path : paths) {
        if (!Narrow(path, &narrow)) {
            *problem = "a path that is not printable text";
            return false;
        }
        if (!CheckDevicePath(narrow, problem))
            return false;
    }
    std::vector<std::wstring> keys = written.Keys;
    for (const std::wstring& value : written.Values)
        keys.push_back(value.substr(0, value.find(L'\t')));
    for (const SavedValue& value : written.Saved)
        keys.push_back(value.Where.substr(0, value.Where.find(L'\t')));
    for (const std::wstring& full : keys) {
        const Root* root;
        std::wstring path;
        if (!SplitKey(full, &root, &path) || path.empty() || !Narrow(path, &narrow)) {
            *problem = "the key " + std::string(full.begin(), full.end());
            return false;
        }
        if (!CheckRegistryKey(root->Number, narrow, problem))
            return false;
    }
    return true;
}

enum RecordState { NoRecord, RecordRead, RecordRefused };

RecordState LoadRecord(const std::wstring& program, Written* written, std::wstring* said) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, AppKey(program).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return NoRecord;
    for (int i = 0; i < RecordListCount; ++i)
        if (i != SavedList)
            *RecordList(written, i) = ReadList(key, RecordNames[i]);
    std::vector<std::wstring> savedWhere = ReadList(key, RecordNames[SavedList]);
    for (size_t i = 0; i < savedWhere.size(); ++i) {
        SavedValue value;
        DWORD size = 0;
        std::wstring name = SavedPrefix + std::to_wstring(i);
        if (RegQueryValueExW(key, name.c_str(), NULL, &value.Type, NULL, &size) != ERROR_SUCCESS)
            continue;
        value.Data.resize(size);
        RegQueryValueExW(key, name.c_str(), NULL, &value.Type, value.Data.data(), &size);
        value.Where = savedWhere[i];
        written->Saved.push_back(value);
    }
    RegCloseKey(key);
    std::string problem;
    if (!CheckRecord(*written, &problem)) {
        *said = L"the record of " + program + L" names what this installer never writes (" +
                Wide(problem) + L")";
        return RecordRefused;
    }
    return RecordRead;
}

std::wstring Counted(size_t count, const WCHAR* one, const WCHAR* many) {
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

// ---- Installing ----

// Refuses, before anything is written, a file that is not this program's to replace or that a
// running program holds.
bool CheckDestinations(const InstallPlan& plan, const Written& earlier, std::wstring* said) {
    std::vector<std::pair<std::wstring, bool>> paths; // device path, kept when there
    for (const PlannedFile& file : plan.Files)
        paths.emplace_back(Wide(file.Path), file.KeepExisting);
    for (const PlannedLink& link : plan.Links)
        paths.emplace_back(Wide(link.Path), false);
    std::vector<std::wstring> replaced;
    for (const auto& path : paths) {
        if (!Exists(path.first) || path.second)
            continue;
        if (!Listed(earlier.Files, path.first)) {
            *said = path.first + L" exists and belongs to no earlier installation of " +
                    Wide(plan.Program);
            return false;
        }
        replaced.push_back(path.first);
    }
    // What the earlier installation has and this one does not write goes afterwards.
    for (const std::wstring& file : earlier.Files)
        if (Exists(file))
            replaced.push_back(file);
    for (const std::wstring& file : replaced) {
        DWORD error = 0;
        if (!Writable(file, &error)) {
            *said = L"cannot replace " + file + L", " + ErrorText(error);
            return false;
        }
    }
    return true;
}

bool WritePlan(const InstallPlan& plan, Journal* journal, std::wstring* said) {
    for (const PlannedFile& file : plan.Files)
        if (!PutFile(Wide(file.Path), *file.Data, file.KeepExisting, journal, said))
            return false;
    for (const PlannedLink& link : plan.Links)
        if (!PutFile(Wide(link.Path), link.Text, false, journal, said))
            return false;
    for (const PlannedValue& value : plan.Values)
        if (!PutValue(value, journal, said))
            return false;
    return true;
}

// The record of the installation just written over an earlier one: its own files and values (with
// those of the earlier one it names and kept as they were), the keys and folders of both, and for
// each value it overwrote what stood there before either.
Written NewRecord(const InstallPlan& plan, const Journal& journal, const Written& earlier) {
    Written record = journal.Made;
    for (const PlannedFile& file : plan.Files)
        if (file.KeepExisting && Listed(earlier.Files, Wide(file.Path)) &&
            !Listed(record.Files, Wide(file.Path)))
            record.Files.push_back(Wide(file.Path));
    for (const PlannedValue& value : plan.Values) {
        std::wstring where = std::wstring(RootOf(value.Root).Name) + L"\\" + Wide(value.Key) +
                             L"\t" + Wide(value.Name);
        if (value.KeepExisting && Listed(earlier.Values, where) && !Listed(record.Values, where))
            record.Values.push_back(where);
    }
    for (const std::wstring& key : earlier.Keys)
        if (!Listed(record.Keys, key))
            record.Keys.insert(record.Keys.begin(), key);
    for (const std::wstring& folder : earlier.Folders)
        if (!Listed(record.Folders, folder))
            record.Folders.insert(record.Folders.begin(), folder);
    for (const std::wstring& value : record.Values) {
        const SavedValue* original = SavedFor(earlier.Saved, value);
        if (!original && !Listed(earlier.Values, value))
            original = SavedFor(journal.ReplacedValues, value);
        if (original)
            record.Saved.push_back(*original);
    }
    return record;
}

// What the earlier installation wrote and this one does not, taken away now.
void TakeAwayLeftovers(const Written& earlier, const Written& record) {
    for (const std::wstring& value : earlier.Values)
        if (!Listed(record.Values, value))
            PutBack(value, SavedFor(earlier.Saved, value));
    for (const std::wstring& file : earlier.Files)
        if (!Listed(record.Files, file))
            DeleteFileW(HostPath(file).c_str());
    TakeAwayKeys(record.Keys);
}

bool Install(const std::wstring& path, std::wstring* said) {
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
    std::wstring program = Wide(plan.Program), why;
    Written earlier;
    RecordState state = LoadRecord(program, &earlier, &why);
    if (state == RecordRefused || !CheckDestinations(plan, earlier, &why)) {
        *said = L"refused " + path + L": " + why + L"; nothing was installed";
        return false;
    }

    Journal journal;
    Written record;
    bool done = WritePlan(plan, &journal, said);
    if (done) {
        record = NewRecord(plan, journal, earlier);
        done = SaveRecord(program, record);
        if (!done)
            *said = L"cannot record the installation under HKLM\\" + AppKey(program);
    }
    if (!done) {
        Undo(journal);
        if (state == RecordRead)
            SaveRecord(program, earlier);
        else
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(program).c_str());
        *said += L"; what was written is taken back";
        if (state == RecordRead)
            *said += L", and the earlier installation is as it was";
        return false;
    }
    TakeAwayLeftovers(earlier, record);
    *said = L"installed " + program + L": " +
            Counted(plan.Files.size() + plan.Links.size(), L"file", L"files") + L", " +
            Counted(journal.Made.Values.size(), L"registry value", L"registry values") +
            (state == RecordRead ? L" (over the earlier installation)" : L"");
    return true;
}

bool Remove(const std::wstring& name, std::wstring* said) {
    std::string narrow, problem;
    Written written;
    RecordState state = Narrow(name, &narrow) && CheckProgramName(narrow, &problem)
                            ? LoadRecord(name, &written, said)
                            : NoRecord;
    if (state == NoRecord)
        *said = L"no program " + name + L" is installed";
    if (state != RecordRead) {
        if (state == RecordRefused)
            *said += L"; nothing was removed";
        return false;
    }
    // Every file is checked before any goes, so that a program holding one stops the removal
    // with nothing taken away.
    for (const std::wstring& file : written.Files) {
        DWORD error = 0;
        if (Exists(file) && !Writable(file, &error)) {
            *said = L"cannot remove " + name + L": " + file + L" cannot be deleted, " +
                    ErrorText(error) + L"; nothing was removed, and its record is kept";
            return false;
        }
    }
    Written left = written;
    left.Files.clear();
    for (const std::wstring& file : written.Files)
        if (!DeleteFileW(HostPath(file).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND &&
            GetLastError() != ERROR_PATH_NOT_FOUND)
            left.Files.push_back(file);
    if (!left.Files.empty()) {
        // The record keeps what is still there, so that a later removal can finish.
        SaveRecord(name, left);
        *said = L"cannot remove " + name + L": " + left.Files[0] +
                L" cannot be deleted; its record keeps what is left";
        return false;
    }
    for (auto value = written.Values.rbegin(); value != written.Values.rend(); ++value)
        PutBack(*value, SavedFor(written.Saved, *value));
    TakeAwayKeys(written.Keys);
    TakeAwayFolders(written.Folders);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, AppKey(name).c_str());
    *said = L"removed " + name + L": " + Counted(written.Files.size(), L"file", L"files") + L", " +
            Counted(written.Values.size(), L"registry value", L"registry values");
    return true;
}

} // namespace

bool InstallCabinet(const std::wstring& path, std::wstring* said) {
    try {
        return Install(path, said);
    } catch (const std::bad_alloc&) {
        *said = L"refused " + path + L": there is not enough memory to read it";
        return false;
    }
}

bool RemoveProgram(const std::wstring& name, std::wstring* said) {
    try {
        return Remove(name, said);
    } catch (const std::bad_alloc&) {
        *said = L"cannot remove " + name + L": there is not enough memory";
        return false;
    }
}
