#include "platform/platform.h"
#include "setup/item_registration.h"

namespace {

const WCHAR EnabledValue[] = TEXT("Enabled");
const WCHAR LibraryValue[] = TEXT("DLL");

} // namespace

void ReadItemRegistration(ItemRegistration* item) {
    item->Registered = FALSE;
    item->Enabled = 0;
    item->Library[0] = 0;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MORVANE_ITEM_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0, size = sizeof item->Enabled;
    item->Registered = RegQueryValueExW(key, EnabledValue, NULL, &type, (BYTE*)&item->Enabled,
                                        &size) == ERROR_SUCCESS &&
                       type == REG_DWORD && size == sizeof item->Enabled;
    // Room for the terminator is kept back, so that a value stored without one still ends.
    size = sizeof item->Library - sizeof(WCHAR);
    if (RegQueryValueExW(key, LibraryValue, NULL, &type, (BYTE*)item->Library, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        size = 0;
    item->Library[size / sizeof(WCHAR)] = 0;
    RegCloseKey(key);
}

BOOL SetItemEnabled(DWORD enabled) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, MORVANE_ITEM_KEY, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return FALSE;
    BOOL written = RegSetValueExW(key, EnabledValue, 0, REG_DWORD, (const BYTE*)&enabled,
                                  sizeof enabled) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}
