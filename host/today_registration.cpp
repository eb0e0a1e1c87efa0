#include "platform/platform.h"
#include "host/today_registration.h"
#include "host/today_run.h"
#include "platform/today_host.h"

#include <algorithm>
#include <string>

namespace {

enum { KeyNameCapacity = 256, InfFileLimit = 1 << 20 };

// cabwiz's AddReg types: a string, and a DWORD.
const DWORD InfString = 0x00000000, InfDword = 0x00010001;

const WCHAR DeviceWindowsFolder[] = L"\\Windows";

// Reads a DWORD value, 0 when an optional one is missing; says why not and returns false when a
// required one is missing or either is of another type.
bool ReadDword(HKEY key, const Registration& item, const WCHAR* name, DWORD* value,
               bool required = true) {
    DWORD type = 0, size = sizeof *value;
    LONG status = RegQueryValueExW(key, name, NULL, &type, (BYTE*)value, &size);
    if (status == ERROR_FILE_NOT_FOUND && !required) {
        *value = 0;
        return true;
    }
    if (status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof *value)
        return true;
    Complain(L"skipped the item '" + item.Name + L"': its " + name +
             (status == ERROR_FILE_NOT_FOUND ? L" is missing" : L" is not a DWORD"));
    return false;
}

bool ReadText(HKEY key, const Registration& item, const WCHAR* name, std::wstring* value) {
    WCHAR text[MAX_PATH + 1] = L"";
    DWORD type = 0, size = MAX_PATH * sizeof(WCHAR);
    LONG status = RegQueryValueExW(key, name, NULL, &type, (BYTE*)text, &size);
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        text[size / sizeof(WCHAR)] = 0;
        *value = text;
        return true;
    }
    Complain(L"skipped the item '" + item.Name + L"': its " + name +
             (status == ERROR_FILE_NOT_FOUND ? L" is missing" : L" is not a text"));
    return false;
}

// One item's key: Type, Enabled and Order always, DLL for a custom item; Options and
// Selectability are 0 when not given.
bool ReadRegistration(HKEY items, Registration* item) {
    HKEY key;
    if (RegOpenKeyExW(items, item->Name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        Complain(L"skipped the item '" + item->Name + L"': its key cannot be opened");
        return false;
    }
    bool read = ReadDword(key, *item, L"Type", &item->Type) &&
                ReadDword(key, *item, L"Enabled", &item->Enabled) &&
                ReadDword(key, *item, L"Order", &item->Order) &&
                ReadDword(key, *item, L"Options", &item->Options, false) &&
                ReadDword(key, *item, L"Selectability", &item->Selectability, false) &&
                (item->Type != tlitCustom || ReadText(key, *item, L"DLL", &item->Dll));
    RegCloseKey(key);
    if (read && item->Type > tlitCustom) {
        Complain(L"skipped the item '" + item->Name + L"': its Type " +
                 std::to_wstring(item->Type) + L" is none the Today screen knows");
        return false;
    }
    return read;
}

std::wstring Trimmed(const std::wstring& text) {
    size_t start = text.find_first_not_of(L" \t\r\n");
    size_t end = text.find_last_not_of(L" \t\r\n");
    std::wstring trimmed = start == std::wstring::npos ? L"" : text.substr(start, end - start + 1);
    if (trimmed.size() >= 2 && trimmed.front() == L'"' && trimmed.back() == L'"')
        trimmed = trimmed.substr(1, trimmed.size() - 2);
    return trimmed;
}

// The line's fields, split at commas; the value, the last field, keeps any commas of its own.
std::vector<std::wstring> Fields(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    while (fields.size() < 4) {
        size_t comma = line.find(L',', start);
        if (comma == std::wstring::npos)
            break;
        fields.push_back(Trimmed(line.substr(start, comma - start)));
        start = comma + 1;
    }
    fields.push_back(Trimmed(line.substr(start)));
    return fields;
}

// %CE2%, cabwiz's name for the device's Windows folder, as the installer writes it.
std::wstring DevicePaths(std::wstring value) {
    const std::wstring folder = L"%CE2%";
    size_t at;
    while ((at = value.find(folder)) != std::wstring::npos)
        value.replace(at, folder.size(), DeviceWindowsFolder);
    return value;
}

// Writes one HKLM line; the message says what is wrong with it, empty when it was written.
std::wstring WriteLine(const std::vector<std::wstring>& fields) {
    if (fields.size() != 5)
        return L"it has not the five fields HKLM,key,name,type,value";
    DWORD type = wcstoul(fields[3].c_str(), NULL, 0);
    if (type != InfString && type != InfDword)
        return L"its type " + fields[3] +
               L" is neither a string (0x00000000) nor a DWORD "
               L"(0x00010001)";
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, fields[1].c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &key, NULL) != ERROR_SUCCESS)
        return L"its key cannot be made";
    LONG status;
    if (type == InfDword) {
        DWORD number = wcstoul(fields[4].c_str(), NULL, 0);
        status = RegSetValueExW(key, fields[2].c_str(), 0, REG_DWORD, (const BYTE*)&number,
                                sizeof number);
    } else {
        std::wstring text = DevicePaths(fields[4]);
        status = RegSetValueExW(key, fields[2].c_str(), 0, REG_SZ, (const BYTE*)text.c_str(),
                                (DWORD)((text.size() + 1) * sizeof(WCHAR)));
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? L"" : L"its value cannot be written";
}

bool ReadLines(const std::wstring& path, std::vector<std::wstring>* lines) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string bytes(InfFileLimit, '\0');
    DWORD got = 0;
    bool read = ReadFile(file, &bytes[0], InfFileLimit, &got, NULL) != FALSE;
    CloseHandle(file);
    bytes.resize(got);
    std::wstring line;
    for (char c : bytes) {
        if (c == '\n') {
            lines->push_back(line);
            line.clear();
        } else {
            line += (WCHAR)(unsigned char)c; // the information files are ASCII
        }
    }
    lines->push_back(line);
    return read;
}

} // namespace

std::vector<Registration> ReadRegistrations() {
    std::vector<Registration> found;
    HKEY items;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TODAY_ITEMS_KEY, 0, KEY_READ, &items) != ERROR_SUCCESS)
        return found;
    WCHAR name[KeyNameCapacity];
    for (DWORD index = 0;; ++index) {
        DWORD length = KeyNameCapacity;
        if (RegEnumKeyExW(items, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        Registration item = {name, 0, L"", 0, 0, 0, 0};
        if (ReadRegistration(items, &item))
            found.push_back(item);
    }
    RegCloseKey(items);
    std::stable_sort(found.begin(), found.end(), [](const Registration& a, const Registration& b) {
        return a.Order != b.Order ? a.Order < b.Order
                                  : lstrcmpiW(a.Name.c_str(), b.Name.c_str()) < 0;
    });
    return found;
}

bool RegisterFromInf(const std::wstring& path) {
    std::vector<std::wstring> lines;
    if (!ReadLines(path, &lines)) {
        Complain(L"cannot read the registration " + path + L": " + SystemMessage(GetLastError()));
        return false;
    }
    int written = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::wstring line = Trimmed(lines[i]);
        if (line.size() < 5 || lstrcmpiW(line.substr(0, 5).c_str(), L"HKLM,") != 0)
            continue;
        std::wstring problem = WriteLine(Fields(line));
        if (!problem.empty()) {
            Complain(path + L", line " + std::to_wstring(i + 1) + L": " + problem);
            return false;
        }
        ++written;
    }
    Report(L"registered " + std::to_wstring(written) + L" values from " + path);
    return true;
}
