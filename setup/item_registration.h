// Morvane's registration on the Today screen, as its cabinet writes it under
// HKLM\Software\Microsoft\Today\Items\Morvane: whether it is there and checked, and its library.
#pragma once

#include "platform/platform.h"

#define MORVANE_ITEM_KEY TEXT("Software\\Microsoft\\Today\\Items\\Morvane")

enum { ItemLibraryCapacity = MAX_PATH };

struct ItemRegistration {
    BOOL Registered;                    // the key and its Enabled value are there
    DWORD Enabled;                      // checked in the Today settings (1) or not (0)
    WCHAR Library[ItemLibraryCapacity]; // its DLL value, terminated; empty when it has none
};

// Reads the registration; Registered is FALSE when the key or its Enabled value is missing.
void ReadItemRegistration(ItemRegistration* item);

// Checks or unchecks the registered item; FALSE when it is not registered or cannot be written.
BOOL SetItemEnabled(DWORD enabled);
