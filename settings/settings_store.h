// The registry store of the twelve persisted settings values.
#pragma once

#include "platform/platform.h"

#define SETTINGS_SUBKEY TEXT("Software\\kelbrit\\Morvane")

// Reads the stored values into ClockSettings in their fixed order, stopping at the first that
// cannot be read. Returns 1 when all twelve were read, else 0.
int ReadSettings();

// Writes all twelve values, stopping at the first failure. Returns 1 when all were written, else 0.
int SaveSettings();
