#include "platform/platform.h"
#include "tests/options_support.h"

#include <aclapi.h>
#include <stdio.h>

const char ProbeSettingsArgument[] = "--print-settings";

int PrintLoadedSettings() {
    EnsureSettingsLoaded();
    LoadedSettings state;
    memset(&state, 0, sizeof state);
    state.Record = ClockSettings;
    state.Metrics = MetricsDirty;
    state.Seconds = ShowSeconds;
    printf("%s\n", ToHex(&state, sizeof state).c_str());
    return 0;
}

LoadedSettings LoadInFreshProcess() {
    std::string hex = RunSelf(L"--print-settings");
    LoadedSettings state;
    memset(&state, 0xCD, sizeof state);
    EXPECT_TRUE(FromHex(hex, &state, sizeof state)) << "the fresh process printed: " << hex;
    return state;
}

LOGFONTW SystemFontRecord() {
    LOGFONTW font;
    memset(&font, 0, sizeof font);
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof font, &font);
    return font;
}

LOGFONTW MakeFont(const WCHAR* face, LONG height, LONG weight, BYTE italic) {
    LOGFONTW font;
    memset(&font, 0, sizeof font);
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

bool SameBytes(const void* a, const void* b, size_t size) {
    return memcmp(a, b, size) == 0;
}

// An empty access list grants nothing; the owner may still rewrite it, which the destructor does.
SettingsKeyLocked::SettingsKeyLocked() {
    HKEY key;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                              &key, NULL),
              ERROR_SUCCESS);
    ACL empty;
    InitializeAcl(&empty, sizeof empty, ACL_REVISION);
    EXPECT_EQ(SetSecurityInfo(key, SE_REGISTRY_KEY,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, NULL,
                              NULL, &empty, NULL),
              ERROR_SUCCESS);
    RegCloseKey(key);
    HKEY probe;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_SET_VALUE, &probe),
              ERROR_SUCCESS)
        << "the registry ignored the access list";
}

SettingsKeyLocked::~SettingsKeyLocked() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        SetSecurityInfo(key, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, NULL, NULL, NULL, NULL);
        RegCloseKey(key);
    }
    DeleteSettingsKey();
}
