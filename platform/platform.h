// The one header every source includes first. On Windows (the desktop and the device alike) it is
// the real platform; the native build of the pure code (formatters, settings tables) gets the few
// plain types that code uses.
#pragma once

// A compile-time check that the device's C++03 compilers take too: an array type whose size is
// negative when the condition fails, so the compiler's error names the check.
#define COMPILE_TIME_CHECK(name, condition) typedef char name[(condition) ? 1 : -1]

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#include <windows.h>
#include <commdlg.h>
#if defined(_WIN32_WCE) && !defined(UNDER_CE)
#include "platform/device_names.h"
#endif

// Stores a module handle in a field of whichever handle type the platform's header declares:
// CHOOSECOLOR's hInstance is a module handle in the device's header and a window handle in the
// desktop's.
template <typename Handle> inline void SetHandleField(Handle* field, HINSTANCE module) {
    *field = (Handle)module;
}

// An export of the module found by its ordinal, as the Today screen finds them, as the type it
// has. The platform's GetProcAddress takes the ordinal as a wide name on the device and as a
// narrow one on the desktop; the generic function type in between keeps the cast free of warnings.
template <typename Proc, typename Name>
inline Proc ExportByOrdinal(HMODULE module, WORD ordinal,
                            FARPROC(WINAPI* lookup)(HMODULE, const Name*)) {
    typedef void (*AnyFunction)(void);
    return (Proc)(AnyFunction)lookup(module, (const Name*)(ULONG_PTR)ordinal);
}

#else

#include <stdint.h>

typedef char16_t WCHAR;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int64_t LONGLONG;
typedef int32_t BOOL;
typedef uint32_t COLORREF;

typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME;

#define LF_FACESIZE 32

typedef struct tagLOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW;

#define TEXT(quote) u##quote

#endif

COMPILE_TIME_CHECK(TextIsUtf16, sizeof(WCHAR) == 2);
COMPILE_TIME_CHECK(SystemTimeIs16Bytes, sizeof(SYSTEMTIME) == 16);
COMPILE_TIME_CHECK(LogFontIsStoredAs92Bytes, sizeof(LOGFONTW) == 92);
COMPILE_TIME_CHECK(ColorIsStoredAs4Bytes, sizeof(COLORREF) == 4);

#ifdef _WIN32
// The system's records the library hands over or reads back, at the sizes their documented
// fields give on a 32-bit device (the i686 build and the device's); a field of another size or
// alignment would move every field after it. None holds a 64-bit member, whose alignment the
// device's compiler and GCC's APCS would set apart.
#define RECORD_SIZE_ON_DEVICE(name, record, size)                                                  \
    COMPILE_TIME_CHECK(name, sizeof(void*) != 4 || sizeof(record) == (size))
RECORD_SIZE_ON_DEVICE(ChooseColorIs36Bytes, CHOOSECOLOR, 36);
RECORD_SIZE_ON_DEVICE(TextMetricIs60Bytes, TEXTMETRICW, 60);
RECORD_SIZE_ON_DEVICE(PaintStructIs64Bytes, PAINTSTRUCT, 64);
RECORD_SIZE_ON_DEVICE(WindowClassIs40Bytes, WNDCLASSW, 40);
RECORD_SIZE_ON_DEVICE(ProcessInformationIs16Bytes, PROCESS_INFORMATION, 16);
RECORD_SIZE_ON_DEVICE(RectIs16Bytes, RECT, 16);
#endif
