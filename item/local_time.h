// The one place the item reads the local time from; tests point it at a clock of their own.
#pragma once

#include "platform/platform.h"

typedef void(WINAPI* LocalTimeReader)(SYSTEMTIME* now);

extern LocalTimeReader LocalTimeSource; // GetLocalTime unless a test replaced it

// Fills now from LocalTimeSource.
void ReadLocalTime(SYSTEMTIME* now);
