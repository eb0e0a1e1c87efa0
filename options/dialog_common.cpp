#include "platform/platform.h"
#include "options/dialog_common.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"

void PrepareDialog(HWND dialog, DWORD flags) {
    SHINITDLGINFO info;
    info.dwMask = SHIDIM_FLAGS;
    info.hDlg = dialog;
    info.dwFlags = flags;
    SHInitDialog(&info);
}

void FillList(HWND dialog, int listId, const WCHAR* const* names, int count) {
    for (int i = 0; i < count; ++i)
        SendDlgItemMessageW(dialog, listId, CB_ADDSTRING, 0, (LPARAM)names[i]);
}

void SelectStoredValue(HWND dialog, int listId, int value) {
    SendDlgItemMessageW(dialog, listId, CB_SETCURSEL, (WPARAM)value, 0);
}

bool TakePick(HWND dialog, int listId, int count, int* field) {
    LRESULT picked = SendDlgItemMessageW(dialog, listId, CB_GETCURSEL, 0, 0);
    // Compared unsigned, so the -1 of an empty selection is out of range as well.
    if ((unsigned)picked >= (unsigned)count)
        return false;
    *field = (int)picked;
    return true;
}

bool SameText(const WCHAR* a, const WCHAR* b) {
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

bool GetEntryText(HWND list, int index, WCHAR* text, int capacity) {
    LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, (WPARAM)index, 0);
    if (length < 0 || length >= capacity)
        return false;
    return SendMessageW(list, CB_GETLBTEXT, (WPARAM)index, (LPARAM)text) != CB_ERR;
}

void SaveIfDirtyAndEnd(HWND dialog) {
    if (SettingsDirty && SaveSettings())
        SettingsDirty = 0;
    EndDialog(dialog, 1);
}
