#include "platform/platform.h"
#include "settings/settings_store.h"
#include "settings/clock_settings.h"

#include <stddef.h>

enum { SettingsValueCount = 12, DateFontValue = 2 };

struct SettingsValue {
    const WCHAR* Name;
    DWORD Type;
    size_t Offset;
    DWORD Size;
};

#define SETTINGS_VALUE(field, type)                                                                \
    { TEXT(#field), type, offsetof(ClockSettingsRecord, field), sizeof ClockSettings.field }

// The stored order; both directions stop at the first value that fails.
static const SettingsValue SettingsValues[SettingsValueCount] = {
    SETTINGS_VALUE(FontSel, REG_DWORD),   SETTINGS_VALUE(TimeFont, REG_BINARY),
    SETTINGS_VALUE(DateFont, REG_BINARY), SETTINGS_VALUE(UseColor, REG_DWORD),
    SETTINGS_VALUE(TextColor, REG_DWORD), SETTINGS_VALUE(CustColors, REG_BINARY),
    SETTINGS_VALUE(DispType, REG_DWORD),  SETTINGS_VALUE(DispPos, REG_DWORD),
    SETTINGS_VALUE(TimeFormat, REG_SZ),   SETTINGS_VALUE(DateFormat, REG_SZ),
    SETTINGS_VALUE(Layout, REG_DWORD),    SETTINGS_VALUE(HiddenIcon, REG_DWORD),
};

static BYTE* FieldOf(const SettingsValue* value) {
    return (BYTE*)&ClockSettings + value->Offset;
}

// A stored text may fill its field without a terminator; the formatters, the seconds rule and the
// font calls all need one inside the field. A format's last unit is always made a terminator,
// even after an earlier one: saving a string value that does not end in one makes the registry
// store one unit more whenever the field after it starts with a zero unit (RegSetValueExW adds
// the terminator it takes as forgotten), a value the next load would refuse as too long, losing
// that format and every value after it.
static void MakeTextsSafe() {
    ClockSettings.TimeFormat[FormatCapacity - 1] = 0;
    ClockSettings.DateFormat[FormatCapacity - 1] = 0;
    TerminateField(ClockSettings.TimeFont.lfFaceName, LF_FACESIZE);
    TerminateField(ClockSettings.DateFont.lfFaceName, LF_FACESIZE);
}

int ReadSettings() {
    HKEY key = NULL;
    int result = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        int read = 0;
        for (; read < SettingsValueCount; ++read) {
            const SettingsValue* value = &SettingsValues[read];
            DWORD size = value->Size;
            if (RegQueryValueExW(key, value->Name, NULL, NULL, FieldOf(value), &size) !=
                ERROR_SUCCESS)
                break;
            if (read == DateFontValue)
                MetricsDirty = 1;
        }
        result = read == SettingsValueCount;
        RegCloseKey(key);
    }
    MakeTextsSafe();
    return result;
}

int SaveSettings() {
    HKEY key = NULL;
    int result = 0;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) == ERROR_SUCCESS) {
        int written = 0;
        for (; written < SettingsValueCount; ++written) {
            const SettingsValue* value = &SettingsValues[written];
            if (RegSetValueExW(key, value->Name, 0, value->Type, FieldOf(value), value->Size) !=
                ERROR_SUCCESS)
                break;
        }
        result = written == SettingsValueCount;
        RegCloseKey(key);
    }
    return result;
}
