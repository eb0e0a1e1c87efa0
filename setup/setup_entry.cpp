// The setup library the device's installer runs from Morvane's cabinet: before it writes, it takes
// the item off a running Today screen so that the library can be replaced or deleted; after, it
// puts the item back as the user had it, or clears away its settings. No soft reset is needed.
#include "platform/platform.h"
#include "platform/ce_setup.h"
#include "settings/settings_store.h"
#include "setup/item_registration.h"
#include "setup/today_reload.h"

namespace {

enum { MessageCapacity = 512 };

const WCHAR MessageCaption[] = TEXT("Morvane");
// The maker's key above the settings key.
const WCHAR MakerKey[] = TEXT("Software\\kelbrit");

// The installer keeps the library loaded from Install_Init to Install_Exit, so the registration
// as it was before the installation is kept here between the two.
struct SetupState {
    ItemRegistration Before;
};
SetupState Setup;

// Appends as much of text as fits, the result always terminated.
void Append(WCHAR* out, int capacity, const WCHAR* text) {
    int used = 0;
    while (used < capacity - 1 && out[used])
        ++used;
    while (used < capacity - 1 && *text)
        out[used++] = *text++;
    out[used] = 0;
}

// Says what failed, the only time the setup library shows anything.
void ShowFailure(HWND parent, const WCHAR* what, const WCHAR* library) {
    WCHAR text[MessageCapacity];
    text[0] = 0;
    Append(text, MessageCapacity, what);
    Append(text, MessageCapacity, TEXT(": the Today screen still holds "));
    Append(text, MessageCapacity, library);
    Append(text, MessageCapacity,
           TEXT(". Uncheck Morvane in Settings > Today > Items, tap ok, and try again."));
    MessageBoxW(parent, text, MessageCaption, MB_OK | MB_ICONERROR);
}

// Unchecks the item and has the Today screen load its items again, so that it lets go of the
// library; puts the item back as it was when the library stays held.
BOOL TakeItemOff(HWND parent, const ItemRegistration& item, const WCHAR* what) {
    if (!item.Registered || !item.Enabled)
        return TRUE;
    SetItemEnabled(0);
    ReloadTodayItems();
    if (WaitForLibraryRelease(item.Library))
        return TRUE;
    SetItemEnabled(item.Enabled);
    ReloadTodayItems();
    ShowFailure(parent, what, item.Library);
    return FALSE;
}

// The settings key goes, and the maker's key above it when nothing else is left in it (on the
// device RegDeleteKey takes a key's subkeys with it, so a shared key is never deleted blindly).
void DeleteSettings() {
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, MakerKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    if (subkeys == 0 && values == 0)
        RegDeleteKeyW(HKEY_CURRENT_USER, MakerKey);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HANDLE module, DWORD reason, LPVOID reserved) {
    (void)module;
    (void)reason;
    (void)reserved;
    return TRUE;
}

extern "C" codeINSTALL_INIT Install_Init(HWND hwndParent, BOOL fFirstCall,
                                         BOOL fPreviouslyInstalled, LPCTSTR pszInstallDir) {
    (void)fFirstCall;
    (void)fPreviouslyInstalled;
    (void)pszInstallDir;
    ReadItemRegistration(&Setup.Before);
    if (!TakeItemOff(hwndParent, Setup.Before, TEXT("Morvane cannot be installed")))
        return codeINSTALL_INIT_CANCEL;
    return codeINSTALL_INIT_CONTINUE;
}

extern "C" codeINSTALL_EXIT Install_Exit(HWND hwndParent, LPCTSTR pszInstallDir, WORD cFailedDirs,
                                         WORD cFailedFiles, WORD cFailedRegKeys,
                                         WORD cFailedRegVals, WORD cFailedShortcuts) {
    (void)hwndParent;
    (void)pszInstallDir;
    (void)cFailedDirs;
    (void)cFailedFiles;
    (void)cFailedRegKeys;
    (void)cFailedRegVals;
    (void)cFailedShortcuts;
    // An upgrade leaves the item checked or unchecked as it was; the cabinet writes it checked.
    ItemRegistration now;
    ReadItemRegistration(&now);
    if (Setup.Before.Registered && now.Registered && now.Enabled != Setup.Before.Enabled)
        SetItemEnabled(Setup.Before.Enabled);
    ReloadTodayItems();
    return codeINSTALL_EXIT_DONE;
}

extern "C" codeUNINSTALL_INIT Uninstall_Init(HWND hwndParent, LPCTSTR pszInstallDir) {
    (void)pszInstallDir;
    ItemRegistration item;
    ReadItemRegistration(&item);
    if (!TakeItemOff(hwndParent, item, TEXT("Morvane cannot be removed")))
        return codeUNINSTALL_INIT_CANCEL;
    return codeUNINSTALL_INIT_CONTINUE;
}

extern "C" codeUNINSTALL_EXIT Uninstall_Exit(HWND hwndParent) {
    (void)hwndParent;
    DeleteSettings();
    ReloadTodayItems();
    return codeUNINSTALL_EXIT_DONE;
}
