#include "platform/platform.h"
#include "host/today/today_registration.h"
#include "host/today/today_run.h"
#include "platform/today_host.h"

#include <algorithm>
#include <string>

namespace {

enum { KeyNameCapacity = 256 };

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
