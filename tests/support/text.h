// Helpers shared by the suites: UTF-16 text from UTF-8 literals, for readable expectations on
// both the native build (char16_t) and Windows (wchar_t).
#pragma once

#include "platform/platform.h"

#include <string>

typedef std::basic_string<WCHAR> Text;

// Decodes UTF-8 (as the test sources are written) into UTF-16.
inline Text Utf16(const char* utf8) {
    Text out;
    const unsigned char* p = (const unsigned char*)utf8;
    while (*p) {
        unsigned cp;
        int extra;
        if (*p < 0x80) {
            cp = *p;
            extra = 0;
        } else if (*p < 0xE0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if (*p < 0xF0) {
            cp = *p & 0x0F;
            extra = 2;
        } else {
            cp = *p & 0x07;
            extra = 3;
        }
        ++p;
        for (int i = 0; i < extra && *p; ++i, ++p)
            cp = (cp << 6) | (*p & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back((WCHAR)(0xD800 + (cp >> 10)));
            out.push_back((WCHAR)(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back((WCHAR)cp);
        }
    }
    return out;
}

// Encodes UTF-16 as UTF-8 so failures print readably.
inline std::string Utf8(const Text& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out += (char)cp;
        } else if (cp < 0x800) {
            out += (char)(0xC0 | (cp >> 6));
            out += (char)(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += (char)(0xE0 | (cp >> 12));
            out += (char)(0x80 | ((cp >> 6) & 0x3F));
            out += (char)(0x80 | (cp & 0x3F));
        } else {
            out += (char)(0xF0 | (cp >> 18));
            out += (char)(0x80 | ((cp >> 12) & 0x3F));
            out += (char)(0x80 | ((cp >> 6) & 0x3F));
            out += (char)(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

inline SYSTEMTIME MakeTime(int year, int month, int dayOfWeek, int day, int hour, int minute,
                           int second) {
    SYSTEMTIME t = {};
    t.wYear = (WORD)year;
    t.wMonth = (WORD)month;
    t.wDayOfWeek = (WORD)dayOfWeek;
    t.wDay = (WORD)day;
    t.wHour = (WORD)hour;
    t.wMinute = (WORD)minute;
    t.wSecond = (WORD)second;
    return t;
}
