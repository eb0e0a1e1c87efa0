// morvane.dll as the Today screen holds it, for the suites that drive the real library: loaded by
// path, its exports found by ordinal, the shell's readiness event set, and its item made by export
// 240 in a stand-in Today screen, its row sized from the height it reports.
#pragma once

#include "platform/platform.h"
#include "platform/today_host.h"
#include "tests/support/host.h"
#include "tests/support/process.h"
#include "tests/support/settings.h"

#include <gtest/gtest.h>

class LibraryItem : public ::testing::Test {
  protected:
    static const int HostWidth = DeviceScreenWidth,
                     HostHeight = DeviceScreenHeight - DeviceNavBarHeight - DeviceMenuBarHeight;

    void SetUp() override {
        DeleteSettingsKey();
        LoadTheLibrary();
        ready_ = CreateEventW(NULL, TRUE, TRUE, SHELL_API_READY_EVENT);
        screen_ = CreateStandInHost(HostWidth, HostHeight);
        ASSERT_NE(screen_, nullptr);
        MakeItem();
    }
    void TearDown() override {
        if (screen_)
            DestroyWindow(screen_);
        if (library_)
            FreeLibrary(library_);
        if (ready_)
            CloseHandle(ready_);
        DeleteSettingsKey();
    }
    // The library loaded, its settings read afresh when it makes its item; its exports by ordinal.
    void LoadTheLibrary() {
        library_ = LoadLibraryW(BuildPath("morvane.dll").c_str());
        ASSERT_NE(library_, nullptr);
        initialize_ = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
            library_, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
        options_ = (DLGPROC)(void*)GetProcAddress(
            library_, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));
        ASSERT_NE(initialize_, nullptr);
        ASSERT_NE(options_, nullptr);
    }
    // The same after the item and the library are gone; the item is made by the caller.
    void LoadAgain() {
        DestroyWindow(item_);
        FreeLibrary(library_);
        LoadTheLibrary();
    }
    // Export 240 with a fresh record, then the first poll.
    void MakeItem() {
        listItem_ = TodayRecord(library_);
        item_ = initialize_(&listItem_, screen_);
        ASSERT_NE(item_, nullptr);
        Poll();
    }
    // The host's poll, laying the row out again from the height the item reports.
    void Poll() {
        listItem_.cyp = 0;
        SendMessageW(item_, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem_, 0);
        SetWindowPos(item_, NULL, 0, 0, HostWidth, (int)listItem_.cyp,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HMODULE library_ = NULL;
    PFNCUSTOMINITIALIZEITEM initialize_ = NULL;
    DLGPROC options_ = NULL;
    HANDLE ready_ = NULL;
    HWND screen_ = NULL, item_ = NULL;
    TODAYLISTITEM listItem_ = {};
};
