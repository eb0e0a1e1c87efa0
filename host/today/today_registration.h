// The Today screen's registration of its items: one key each under
// HKLM\Software\Microsoft\Today\Items, as an installation cabinet writes it, read in the items'
// order.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

#define TODAY_ITEMS_KEY L"Software\\Microsoft\\Today\\Items"

// How a row takes the highlight: never; drawn by the Today screen, the action key a tap at (1,1);
// told to the item, which draws its own.
enum { SelectabilityNone = 0, SelectabilityShell = 1, SelectabilityItem = 2 };

struct Registration {
    std::wstring Name; // the key's name, handed to the item as its record's szName
    DWORD Type;        // a TODAYLISTITEMTYPE: 0 to 3 built in, 4 a custom item
    std::wstring Dll;  // a custom item's library
    DWORD Enabled, Options, Order, Selectability;
};

// The registered items in their Order (by name where two share one). A key with a value missing
// or of the wrong type, or of an unknown Type, is passed over and said so.
std::vector<Registration> ReadRegistrations();
