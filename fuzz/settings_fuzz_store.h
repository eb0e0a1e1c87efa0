// The stored-settings fuzzer's two halves that need no window: random values for the twelve names
// under the settings key, drawn from a seed, and the record that loading them must give.
#pragma once

#include "platform/platform.h"
#include "settings/clock_settings.h"

#include <stdint.h>

#include <string>
#include <vector>

enum { StoredNameCount = 12, MaxStoredBytes = 200 };

// A deterministic generator (splitmix64): the same seed gives the same batch.
struct FuzzRandom {
    uint64_t State;

    uint64_t Next();
    uint32_t Below(uint32_t bound); // 0 when bound is 0
    bool Percent(int chance);
};

// One value as the registry holds it.
struct StoredValue {
    bool Present;
    DWORD Type;
    std::vector<BYTE> Bytes;
};

struct StoredName {
    const WCHAR* Name;
    size_t Offset; // of its field in ClockSettingsRecord
    DWORD Size;    // of its field
    DWORD Type;    // the type the library stores it with
};

// The twelve names in their stored order.
extern const StoredName StoredNames[StoredNameCount];

// Random values for a random subset of the names: any type, 0 to 200 bytes, texts without
// terminators, extreme integers and font records.
void DrawStoredValues(FuzzRandom& random, StoredValue values[StoredNameCount]);

// Writes the values under a fresh settings key and reads back what the registry really holds.
bool StoreValues(StoredValue values[StoredNameCount]);

// The record and flags that loading these values must give: the defaults, then each value in
// order until one is missing or larger than its field, copied over the start of its field (with
// the terminator the platform's query adds to a short string value), texts made terminated, the
// seconds rule and the font mode applied.
struct ExpectedLoad {
    ClockSettingsRecord Record;
    int ShowSeconds;
    int ValuesRead; // how many values the read takes before it stops
};
ExpectedLoad ExpectLoad(const StoredValue values[StoredNameCount]);

// Readable text of the values, for a failure report.
std::string DescribeValues(const StoredValue values[StoredNameCount]);
