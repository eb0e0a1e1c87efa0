// The failure table: one row for each function morvane.dll may import.
#pragma once

#include "faults/import_faults.h"

// The row for an imported function, or null when the table has none.
const ImportFault* FindImportFault(const char* name);
// Prints "calls FUNCTION N" for each function counted.
void PrintCalls();
