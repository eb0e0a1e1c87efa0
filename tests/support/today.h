// The stand-in Today screen, today.exe, as the suites run it: the registration it reads, written
// by the suite (HKLM\Software\Microsoft\Today\Items of the test prefix), the program run, and the
// picture it takes of its screen.
#pragma once

#include "platform/platform.h"
#include "platform/screen_resolution.h"
#include "platform/today_host.h"
#include "platform/scaling.h"
#include "tests/support/pictures.h"
#include "tests/support/process.h"

#include <gtest/gtest.h>

#include <string>

const WCHAR TodayItemsKey[] = L"Software\\Microsoft\\Today\\Items";

// One item's key as an installation writes it.
struct TodayItemKey {
    std::wstring Name;
    DWORD Type = 4; // a custom item
    std::wstring Dll;
    DWORD Enabled = 1, Options = 1, Order = 0, Selectability = 2;
};

// Removes every registered item, so a case starts from a screen with none.
inline void ClearTodayItems() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, TodayItemsKey);
}

inline void SetTodayValue(HKEY key, const WCHAR* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof value);
}

inline void RegisterTodayItem(const TodayItemKey& item) {
    HKEY key;
    std::wstring path = std::wstring(TodayItemsKey) + L"\\" + item.Name;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &key, NULL));
    SetTodayValue(key, L"Type", item.Type);
    SetTodayValue(key, L"Enabled", item.Enabled);
    SetTodayValue(key, L"Options", item.Options);
    SetTodayValue(key, L"Order", item.Order);
    SetTodayValue(key, L"Selectability", item.Selectability);
    if (!item.Dll.empty())
        RegSetValueExW(key, L"DLL", 0, REG_SZ, (const BYTE*)item.Dll.c_str(),
                       (DWORD)((item.Dll.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
}

// The build's morvane.dll as the one registered item, as its CAB registers it.
inline void RegisterMorvaneAlone() {
    ClearTodayItems();
    TodayItemKey morvane;
    morvane.Name = L"Morvane";
    morvane.Dll = BuildPath("morvane.dll");
    RegisterTodayItem(morvane);
}

inline ProgramRun RunToday(const std::wstring& arguments, DWORD limit = 60000) {
    return RunBuilt("today.exe", arguments, limit);
}

// today.exe's picture of its screen once it has run with the arguments; the run's result in run.
inline Picture TodaySnapshot(const std::wstring& arguments, ProgramRun* run) {
    std::wstring file = BuildPath("today_snapshot.png");
    DeleteFileW(file.c_str());
    *run = RunToday(arguments + L" --snapshot \"" + file + L"\" --exit-after 30");
    Picture picture;
    EXPECT_TRUE(ReadPng(file, &picture)) << "no readable picture; today.exe said:\n" << run->Output;
    DeleteFileW(file.c_str());
    return picture;
}

// ---- What the today.exe suites share ----

// The colours today.exe's theme gives items.
inline const COLORREF TodayTextColor = RGB(16, 32, 96), TodayHighlight = RGB(49, 106, 197),
                      TodayHighlightedText = RGB(255, 255, 255);
inline const int TodayHeight = DeviceScreenHeight - DeviceNavBarHeight - DeviceMenuBarHeight;

inline int ScreenDpiY() {
    return ScreenResolution(LOGPIXELSY, ReferenceDpi);
}

// A length of a 96-dpi screen on this one.
inline int Scaled(int pixels) {
    return ScaleRound(pixels, ScreenDpiY(), ReferenceDpi);
}

inline std::wstring Press(int id) {
    return L"--press " + std::to_wstring(id) + L" ";
}

inline std::wstring Pick(int id, const wchar_t* entry) {
    return L"--pick \"" + std::to_wstring(id) + L"=" + entry + L"\" ";
}

// Settings stored by store_settings.exe, as the gallery stores each picture's.
inline ProgramRun StoreSettings(const std::wstring& arguments) {
    return RunBuilt("store_settings.exe", arguments, 30000);
}

// What today.exe says of the item's row: "the item's row: N pixels high".
inline std::string RowOf(int pixelsAt96) {
    return "the item's row: " + std::to_string(Scaled(pixelsAt96)) + " pixels";
}
