// Windows-side helpers shared by the suites that run under Wine: the settings key of the test
// prefix, and running this same test executable again as a fresh process.
#pragma once

#include "platform/platform.h"
#include "platform/today_host.h"
#include "settings/settings_store.h"

#include <string>
#include <vector>

// A visible top-level window standing in for the Today screen, answering through proc.
inline HWND CreateStandInHost(WNDPROC proc, const WCHAR* className, int width, int height) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    HWND host = CreateWindowExW(0, className, L"host", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width,
                                height, NULL, NULL, GetModuleHandleW(NULL), NULL);
    ShowWindow(host, SW_SHOWNOACTIVATE);
    return host;
}

// The record the Today screen keeps for an enabled item of the library, as it passes it to export
// 240 and with the refresh query.
inline TODAYLISTITEM TodayRecord(HMODULE library) {
    TODAYLISTITEM record = {};
    lstrcpynW(record.szName, L"Morvane", MAX_ITEMNAME);
    record.tlit = tlitCustom;
    record.fEnabled = TRUE;
    record.fOptions = TRUE;
    GetModuleFileNameW(library, record.szDLLPath, MAX_PATH);
    record.hinstDLL = library;
    return record;
}

// Antialiased text blends the edges of its glyphs into the background, so fewer of its pixels carry
// the text colour exactly: a pixel within this much of a colour in every channel counts as it.
enum { TextColourTolerance = 0x50 };

// Whether two pixels of the same byte order are within TextColourTolerance in every channel.
inline bool NearColour(DWORD pixel, DWORD colour) {
    for (int shift = 0; shift < 24; shift += 8) {
        int a = (pixel >> shift) & 0xFF, b = (colour >> shift) & 0xFF;
        if (a - b > TextColourTolerance || b - a > TextColourTolerance)
            return false;
    }
    return true;
}

// Removes the settings key and everything under it, so a test starts from nothing stored.
inline void DeleteSettingsKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
}

// Stores one raw value under the settings key.
inline bool WriteSettingsValue(const WCHAR* name, DWORD type, const void* bytes, DWORD size) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExW(key, name, 0, type, (const BYTE*)bytes, size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Reads one raw value; returns false when it is missing.
inline bool ReadSettingsValue(const WCHAR* name, DWORD* type, std::vector<BYTE>* bytes) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, name, NULL, type, NULL, &size);
    if (status == ERROR_SUCCESS) {
        bytes->resize(size);
        status = RegQueryValueExW(key, name, NULL, type, bytes->data(), &size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Counts the values stored under the settings key (-1 when the key is missing).
inline int CountSettingsValues() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD count = 0;
    RegQueryInfoKeyW(key, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return (int)count;
}

// Runs this executable again with the given arguments and returns what it printed on standard
// output, or an empty string when it could not be run. The child is a fresh process: nothing it
// loads is shared with the caller.
inline std::string RunSelf(const std::wstring& arguments, DWORD* exitCode = nullptr) {
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(path) + L"\" " + arguments;

    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return std::string();
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<WCHAR> line(command.begin(), command.end());
    line.push_back(0);
    BOOL started =
        CreateProcessW(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char chunk[4096];
        DWORD got;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, NULL) && got > 0)
            output.append(chunk, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        if (exitCode)
            GetExitCodeProcess(process.hProcess, exitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    return output;
}

// Hex text of a block of bytes, and back.
inline std::string ToHex(const void* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const BYTE* p = (const BYTE*)bytes;
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

inline bool FromHex(const std::string& hex, void* bytes, size_t size) {
    if (hex.size() < size * 2)
        return false;
    BYTE* p = (BYTE*)bytes;
    for (size_t i = 0; i < size; ++i) {
        auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        p[i] = (BYTE)(nibble(hex[2 * i]) << 4 | nibble(hex[2 * i + 1]));
    }
    return true;
}
