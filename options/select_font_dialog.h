// The library's own font picker: face, point size, bold and italic for one LOGFONTW record.
#pragma once

#include "platform/platform.h"
#include "options/font_size.h"

// One record per font family of the display, in enumeration order; exactly count records long.
struct FontFamilyRecords {
    LOGFONTW* Records; // a local-memory block, null when empty
    int Count;
};

extern FontFamilyRecords FontFamilyList;

// Runs template 510 from the request's hInstance over hwndOwner on *lpLogFont. Returns 1 when
// the record was replaced, 0 when it was left alone, -1 when the dialog could not run.
INT_PTR SelectFontDialog(const CHOOSEFONTW* request);

// Lists one family in the face list and FontFamilyList; returns 0 to end the enumeration.
int CALLBACK FontFamilyEnumProc(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type,
                                LPARAM dialog);
