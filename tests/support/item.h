// Shared by the item suites: the item made in a stand-in Today screen, a clock the tests set, and
// captures of what the item really drew.
#pragma once

#include "platform/platform.h"
#include "item/item_metrics.h"
#include "item/item_paint.h"
#include "item/item_window.h"
#include "item/local_time.h"
#include "item/module.h"
#include "item/screen_scale.h"
#include "platform/today_host.h"
#include "settings/clock_settings.h"
#include "tests/support/fonts.h"
#include "tests/support/formats.h"
#include "tests/support/host.h"
#include "tests/support/pictures.h"
#include "tests/support/settings.h"

#include <gtest/gtest.h>

#include <vector>

// The time the item reads while a test runs.
inline SYSTEMTIME FakeNow = {2024, 4, 0, 7, 10, 15, 30, 0};
inline void WINAPI ReadFakeTime(SYSTEMTIME* now) {
    *now = FakeNow;
}

inline SYSTEMTIME At(WORD hour, WORD minute, WORD second, WORD day = 7) {
    return SYSTEMTIME{2024, 4, 0, day, hour, minute, second, 0};
}

// Fresh process state for one test: nothing stored, the test exe's module attached as the
// item's module (it links the same resources), the fake clock, a host window.
class ItemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsKey();
        ResetItemState();
        FakeNow = At(10, 15, 30);
        LocalTimeSource = ReadFakeTime;
        listItem = TodayRecord(GetModuleHandleW(NULL));
        ModuleAttach(GetModuleHandleW(NULL));
        host = CreateStandInHost(640, 400);
        ASSERT_NE(host, nullptr);
        ready = CreateEventW(NULL, TRUE, TRUE, SHELL_API_READY_EVENT);
        SetEvent(ready);
    }
    void TearDown() override {
        DestroyWindow(host);
        ModuleDetach();
        CloseHandle(ready);
        DeleteSettingsKey();
    }

    // Creates the item through export 240, called as the host's type declares it, and gives it a
    // row of the given size.
    HWND MakeItem(int width = DeviceScreenWidth, int height = 40) {
        PFNCUSTOMINITIALIZEITEM export240 = InitializeCustomItem;
        HWND item = export240(&listItem, host);
        SetWindowPos(item, NULL, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return item;
    }

    LRESULT Query(HWND item) {
        return SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem, 0);
    }

    HWND host = NULL;
    HANDLE ready = NULL;
    TODAYLISTITEM listItem = {};
};

// What the item drew, its background passed over by Ink.
inline Picture CaptureItem(HWND item) {
    return CaptureWindow(item, StandInHost.Watermark);
}

// Loads the settings (defaults, nothing stored) and sets the two fonts as "different fonts".
inline void UseFonts(const LOGFONTW& time, const LOGFONTW& date) {
    EnsureSettingsLoaded();
    ClockSettings.FontSel = FontSelDifferent;
    ClockSettings.TimeFont = time;
    ClockSettings.DateFont = date;
    MetricsDirty = 1;
}

inline void UseTimeFormat(const WCHAR* format) {
    EnsureSettingsLoaded();
    SetFormats(format, nullptr);
    ApplySecondsRule();
}
