#include "host/installer/install_record.h"

#include "host/installer/install_plan.h"

namespace {

const WCHAR InstalledFlag[] = L"Instl";
// The record keeps each value an installation overwrote as "Restore<n>", with its own type.
const WCHAR SavedPrefix[] = L"Restore";
const WCHAR* const RecordNames[] = {L"Files", L"Folders", L"Keys", L"Values", L"Restore"};
enum { RecordListCount = sizeof RecordNames / sizeof RecordNames[0], SavedList = 4 };

std::vector<std::wstring>* RecordList(Written* written, int i) {
    std::vector<std::wstring>* lists[] = {&written->Files, &written->Folders, &written->Keys,
                                          &written->Values};
    return lists[i];
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

} // namespace

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
