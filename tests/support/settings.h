// The settings as the suites set them up and look at them: the settings key of the test prefix,
// the library's process-wide state put back between cases that share a process, and the settings
// that a fresh process loads.
#pragma once

#include "platform/platform.h"
#include "item/item_metrics.h"
#include "item/item_paint.h"
#include "item/local_time.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "tests/support/process.h"

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

// Removes the settings key (it has no keys under it), so a case starts from nothing stored.
inline void DeleteSettingsKey() {
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
}

// Stores one raw value under the settings key.
inline bool WriteSettingsValue(const WCHAR* name, DWORD type, const void* bytes, DWORD size) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExW(key, name, 0, type, (const BYTE*)bytes, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Reads one raw value; false when it is missing.
inline bool ReadSettingsValue(const WCHAR* name, DWORD* type, std::vector<BYTE>* bytes) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name, NULL, type, NULL, &size);
    if (status == ERROR_SUCCESS) {
        bytes->resize(size);
        status = RegQueryValueExW(key, name, NULL, type, bytes->data(), &size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// A stored REG_DWORD value; 0xDEADBEEF when it is missing or of another type or size.
inline DWORD StoredDword(const WCHAR* name) {
    DWORD type = 0, value = 0xDEADBEEF;
    std::vector<BYTE> bytes;
    if (ReadSettingsValue(name, &type, &bytes) && type == REG_DWORD && bytes.size() == 4)
        memcpy(&value, bytes.data(), 4);
    return value;
}

// Counts the values stored under the settings key (-1 when the key is missing).
inline int CountSettingsValues() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD count = 0;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return (int)count;
}

// Hex text of a block of bytes, and back.
inline std::string ToHex(const void* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const BYTE* p = (const BYTE*)bytes;
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

inline bool FromHex(const std::string& hex, void* bytes, size_t size) {
    if (hex.size() < size * 2)
        return false;
    BYTE* p = (BYTE*)bytes;
    for (size_t i = 0; i < size; ++i) {
        auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        p[i] = (BYTE)(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
    }
    return true;
}

// The settings record and its flags as right after the library loads.
inline void ResetSettingsState() {
    memset(&ClockSettings, 0, sizeof ClockSettings);
    SettingsLoaded = 0;
    SettingsDirty = 0;
    MetricsDirty = 0;
    ShowSeconds = 0;
}

// That, and the item's metrics, last painted time and clock.
inline void ResetItemState() {
    ResetSettingsState();
    RowCount = 0;
    ItemGap = 0;
    memset(&LastPaintedTime, 0, sizeof LastPaintedTime);
    LocalTimeSource = GetLocalTime;
}

// What a fresh process holds once it has loaded the settings.
struct LoadedSettings {
    ClockSettingsRecord Record;
    int Loaded, Dirty, Metrics, Seconds;
};

// The argument with which a test program's main runs PrintLoadedSettings instead of its suites.
const char ProbeSettingsArgument[] = "--print-settings";

// The child's side of LoadInFreshProcess: loads the settings and prints the record and flags.
inline int PrintLoadedSettings() {
    EnsureSettingsLoaded();
    LoadedSettings state;
    memset(&state, 0, sizeof state);
    state.Record = ClockSettings;
    state.Loaded = SettingsLoaded;
    state.Dirty = SettingsDirty;
    state.Metrics = MetricsDirty;
    state.Seconds = ShowSeconds;
    printf("%s\n", ToHex(&state, sizeof state).c_str());
    return 0;
}

// The settings another process starts with, as read from the registry by this test program run
// again; every byte 0xCD (and the child's output said) when it printed no record.
inline LoadedSettings LoadInFreshProcess() {
    std::string hex = RunSelf(L"--print-settings").Output;
    LoadedSettings state;
    memset(&state, 0xCD, sizeof state);
    if (!FromHex(hex, &state, sizeof state)) {
        memset(&state, 0xCD, sizeof state);
        fprintf(stderr, "the fresh process printed no settings record: %s\n", hex.c_str());
    }
    return state;
}
