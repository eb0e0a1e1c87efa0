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

// A font-chooser request in the platform's CHOOSEFONT layout, field for field, declared here
// because the device's common-dialog header does not declare one.
typedef UINT_PTR(CALLBACK* FontRequestHook)(HWND, UINT, WPARAM, LPARAM);
struct FontRequest {
    DWORD lStructSize;
    HWND hwndOwner;
    HDC hDC;
    LOGFONTW* lpLogFont;
    INT iPointSize;
    DWORD Flags;
    COLORREF rgbColors;
    LPARAM lCustData;
    FontRequestHook lpfnHook;
    const WCHAR* lpTemplateName;
    HINSTANCE hInstance;
    WCHAR* lpszStyle;
    WORD nFontType;
    WORD Alignment;
    INT nSizeMin;
    INT nSizeMax;
};
COMPILE_TIME_CHECK(FontRequestHasTheChooseFontSize,
                   sizeof(FontRequest) == (sizeof(void*) == 4 ? 60 : 104));

// Flags of a font request: screen fonts, starting from the record lpLogFont points to.
enum { FontRequestScreenFonts = 0x01, FontRequestInitToLogFont = 0x40 };

// Runs template 510 from the request's hInstance over hwndOwner on *lpLogFont. Returns 1 when
// the record was replaced, 0 when it was left alone, -1 when the dialog could not run.
INT_PTR SelectFontDialog(const FontRequest* request);

// Lists one family in the face list and FontFamilyList; returns 0 to end the enumeration.
int CALLBACK FontFamilyEnumProc(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type,
                                LPARAM dialog);
