#include "platform/platform.h"
#include "faults/fault_settings.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"

#include <stdio.h>
#include <string.h>

namespace {

const DWORD FormatBytes = FormatCapacity * sizeof(WCHAR);
const DWORD ColorsBytes = CustomColorCount * sizeof(COLORREF);

// Each value's type, size and, for a number, the count of values it may take (0: any colour),
// written here apart from the store's own table on purpose, as the settings fuzzer's is: an oracle.
struct ValueRule {
    const WCHAR* Name;
    DWORD Type;
    DWORD Size;
    DWORD Count;
};
const ValueRule Rules[StoredValueCount] = {
    {L"FontSel", REG_DWORD, 4, FontSelCount},
    {L"TimeFont", REG_BINARY, sizeof(LOGFONTW), 0},
    {L"DateFont", REG_BINARY, sizeof(LOGFONTW), 0},
    {L"UseColor", REG_DWORD, 4, 2},
    {L"TextColor", REG_DWORD, 4, 0},
    {L"CustColors", REG_BINARY, ColorsBytes, 0},
    {L"DispType", REG_DWORD, 4, DispTypeCount},
    {L"DispPos", REG_DWORD, 4, DispPosCount},
    {L"TimeFormat", REG_SZ, FormatBytes, 0},
    {L"DateFormat", REG_SZ, FormatBytes, 0},
    {L"Layout", REG_DWORD, 4, LayoutCount},
    {L"HiddenIcon", REG_DWORD, 4, 2},
};

WCHAR OwnKey[64];
HKEY OwnRoot;

void Store(HKEY key, const WCHAR* name, DWORD type, const void* bytes, DWORD size) {
    RegSetValueExW(key, name, 0, type, (const BYTE*)bytes, size);
}

void StoreNumber(HKEY key, const WCHAR* name, DWORD number) {
    Store(key, name, REG_DWORD, &number, sizeof number);
}

void StoreFont(HKEY key, const WCHAR* name, LONG height, const WCHAR* face) {
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    Store(key, name, REG_BINARY, &font, sizeof font);
}

void StoreFormat(HKEY key, const WCHAR* name, const WCHAR* format) {
    WCHAR field[FormatCapacity] = {};
    lstrcpynW(field, format, FormatCapacity);
    Store(key, name, REG_SZ, field, FormatBytes);
}

bool TerminatedWithin(const std::vector<BYTE>& bytes, size_t offset, size_t units) {
    const WCHAR* text = (const WCHAR*)(bytes.data() + offset);
    for (size_t i = 0; i < units; ++i) {
        if (!text[i])
            return true;
    }
    return false;
}

} // namespace

void StoreStartingSettings() {
    swprintf(OwnKey, 64, L"Software\\MorvaneFaults\\%lu", GetCurrentProcessId());
    RegCreateKeyExW(HKEY_CURRENT_USER, OwnKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &OwnRoot, NULL);
    RegOverridePredefKey(HKEY_CURRENT_USER, OwnRoot);
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return;
    COLORREF colors[CustomColorCount] = {RGB(1, 2, 3), RGB(40, 50, 60)};
    StoreNumber(key, L"FontSel", FontSelDifferent);
    StoreFont(key, L"TimeFont", -16, L"DejaVu Sans");
    StoreFont(key, L"DateFont", -13, L"DejaVu Serif");
    StoreNumber(key, L"UseColor", 0);
    StoreNumber(key, L"TextColor", RGB(10, 20, 30));
    Store(key, L"CustColors", REG_BINARY, colors, ColorsBytes);
    StoreNumber(key, L"DispType", 2);
    StoreNumber(key, L"DispPos", DispPosCenter);
    StoreFormat(key, L"TimeFormat", L"H:mm");
    StoreFormat(key, L"DateFormat", L"M/d");
    StoreNumber(key, L"Layout", LayoutStack);
    StoreNumber(key, L"HiddenIcon", 0);
    RegCloseKey(key);
}

void ForgetStoredSettings() {
    RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
    RegCloseKey(OwnRoot);
    RegDeleteTreeW(HKEY_CURRENT_USER, OwnKey);
}

StoredValues ReadStoredValues() {
    StoredValues values;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        WCHAR name[64];
        BYTE bytes[1024];
        DWORD nameLength = 64, size = sizeof bytes, type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, NULL, &type, bytes, &size) !=
            ERROR_SUCCESS)
            break;
        values.push_back({name, type, std::vector<BYTE>(bytes, bytes + size)});
    }
    RegCloseKey(key);
    return values;
}

const StoredValue* FindStored(const StoredValues& values, const std::wstring& name) {
    for (const StoredValue& value : values) {
        if (value.Name == name)
            return &value;
    }
    return nullptr;
}

bool Plausible(const StoredValue& value) {
    for (const ValueRule& rule : Rules) {
        if (value.Name != rule.Name)
            continue;
        if (value.Type != rule.Type || value.Bytes.size() != rule.Size)
            return false;
        if (rule.Type == REG_DWORD && rule.Count) {
            DWORD number;
            memcpy(&number, value.Bytes.data(), 4);
            return number < rule.Count;
        }
        if (rule.Type == REG_SZ)
            return TerminatedWithin(value.Bytes, 0, FormatCapacity);
        if (rule.Size == sizeof(LOGFONTW))
            return TerminatedWithin(value.Bytes, offsetof(LOGFONTW, lfFaceName), LF_FACESIZE);
        return true;
    }
    return false;
}
