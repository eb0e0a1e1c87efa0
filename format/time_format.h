// The item's time text, by the live ClockSettings.TimeFormat.
#pragma once

#include "platform/platform.h"

// Writes the time text into out, cut to capacity units (terminator included) and terminated when
// capacity >= 1. Returns the number of units written before the terminator.
int FormatTime(WCHAR* out, int capacity, const SYSTEMTIME* time);
