// The item's date text, by the live ClockSettings.DateFormat.
#pragma once

#include "platform/platform.h"

// Writes the date text into out, cut to capacity units (terminator included) and terminated when
// capacity >= 1. Returns the number of units written before the terminator.
int FormatDate(WCHAR* out, int capacity, const SYSTEMTIME* time);
