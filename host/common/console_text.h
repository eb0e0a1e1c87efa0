// Writes a line of text to one of the console streams as UTF-8, so messages read the same in a
// terminal under Wine, in a pipe, and in CTest's log.
#pragma once

#include "platform/platform.h"

#include <string>

inline void Say(const std::wstring& text, DWORD stream = STD_ERROR_HANDLE) {
    std::wstring line = text + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), NULL, 0, NULL, NULL);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), &bytes[0], size, NULL, NULL);
    DWORD written;
    WriteFile(GetStdHandle(stream), bytes.data(), (DWORD)bytes.size(), &written, NULL);
}
