// The settings store as a run sees it. Each run keeps the current user's key in a key of its own,
// so runs side by side in one prefix never share the library's settings; it starts from a full set
// of twelve values, none of them defaults, so every read has something to lose.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

struct StoredValue {
    std::wstring Name;
    DWORD Type;
    std::vector<BYTE> Bytes;
};
typedef std::vector<StoredValue> StoredValues;

enum { StoredValueCount = 12 };

// Points this process's current-user key at a key of its own and stores the starting values.
void StoreStartingSettings();
// Removes that key and points the current user's key back.
void ForgetStoredSettings();

StoredValues ReadStoredValues();
const StoredValue* FindStored(const StoredValues& values, const std::wstring& name);
// Whether the value is one the settings can hold: its type and size, a number in its range, a
// text terminated in its field.
bool Plausible(const StoredValue& value);
