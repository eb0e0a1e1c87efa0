#include "platform/platform.h"
#include "tests/support/options.h"

#include <aclapi.h>
#include <stdio.h>

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
