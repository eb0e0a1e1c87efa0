// Shared by the item suites: a stand-in parent window that answers the item's requests the way
// the Today screen does, a clock the tests set, and captures of what the item really drew.
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
#include "tests/library_state.h"
#include "tests/win_support.h"

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

const COLORREF HostTextColor = RGB(0, 0, 160);
const COLORREF WatermarkColor = RGB(250, 240, 200);

// What the parent was asked by the item.
struct HostRecord {
    int ColorRequests = 0;
    WPARAM ColorIndex = 0;
    LPARAM ColorExtra = -1;
    int WatermarkRequests = 0;
    TODAYDRAWWATERMARKINFO Watermark = {};
};
inline HostRecord Host;

inline LRESULT CALLBACK TestHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TODAYM_GETCOLOR:
        ++Host.ColorRequests;
        Host.ColorIndex = wParam;
        Host.ColorExtra = lParam;
        return HostTextColor;
    case TODAYM_DRAWWATERMARK: {
        auto* info = (TODAYDRAWWATERMARKINFO*)lParam;
        ++Host.WatermarkRequests;
        Host.Watermark = *info;
        HBRUSH brush = CreateSolidBrush(WatermarkColor);
        FillRect(info->hdc, &info->rc, brush);
        DeleteObject(brush);
        return 1;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

inline HWND CreateTestHost() {
    return CreateStandInHost(TestHostProc, L"MorvaneTestHost", 640, 400);
}

// Fresh process state for one test: nothing stored, the test exe's module attached as the
// item's module (it links the same resources), the fake clock, a host window.
class ItemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsKey();
        ResetItemState();
        FakeNow = At(10, 15, 30);
        Host = HostRecord();
        LocalTimeSource = ReadFakeTime;
        listItem = TodayRecord(GetModuleHandleW(NULL));
        ModuleAttach(GetModuleHandleW(NULL));
        host = CreateTestHost();
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

// What a window shows, read back from its device context as 0x00RRGGBB.
struct Capture {
    int Width = 0, Height = 0;
    std::vector<COLORREF> Pixels;

    COLORREF At(int x, int y) const {
        DWORD p = Pixels[(size_t)y * Width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Pixels of exactly this colour inside [x0, x1) x [y0, y1).
    int Count(COLORREF color, int x0 = 0, int x1 = -1, int y0 = 0, int y1 = -1) const {
        int n = 0;
        for (int y = y0; y < (y1 < 0 ? Height : y1); ++y)
            for (int x = x0; x < (x1 < 0 ? Width : x1); ++x)
                n += At(x, y) == color;
        return n;
    }
    // Pixels within TextColourTolerance of this colour inside [x0, x1) x [y0, y1).
    int CountNear(COLORREF color, int x0 = 0, int x1 = -1, int y0 = 0, int y1 = -1) const {
        int n = 0;
        for (int y = y0; y < (y1 < 0 ? Height : y1); ++y)
            for (int x = x0; x < (x1 < 0 ? Width : x1); ++x)
                n += NearColour(At(x, y), color);
        return n;
    }
    // Bounding box of everything that is not the background inside [x0, x1) x [y0, y1);
    // left is -1 when there is nothing.
    RECT Ink(int x0 = 0, int x1 = -1, int y0 = 0, int y1 = -1) const {
        RECT box = {-1, -1, -1, -1};
        for (int y = y0; y < (y1 < 0 ? Height : y1); ++y)
            for (int x = x0; x < (x1 < 0 ? Width : x1); ++x) {
                if (At(x, y) == WatermarkColor)
                    continue;
                if (box.left < 0) {
                    box = {x, y, x + 1, y + 1};
                } else {
                    box.left = x < box.left ? x : box.left;
                    box.top = y < box.top ? y : box.top;
                    box.right = x + 1 > box.right ? x + 1 : box.right;
                    box.bottom = y + 1 > box.bottom ? y + 1 : box.bottom;
                }
            }
        return box;
    }
    bool operator==(const Capture& other) const {
        return Width == other.Width && Height == other.Height && Pixels == other.Pixels;
    }
};

// Has the window repainted itself (erase and paint messages, as the system sends them) and reads
// back what it drew.
inline Capture CaptureWindow(HWND window) {
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client;
    GetClientRect(window, &client);
    Capture capture;
    capture.Width = client.right;
    capture.Height = client.bottom;
    capture.Pixels.resize((size_t)capture.Width * capture.Height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = capture.Width;
    info.bmiHeader.biHeight = -capture.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, capture.Width, capture.Height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    memcpy(capture.Pixels.data(), bits, capture.Pixels.size() * 4);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return capture;
}

// Real measurements of a font on the screen.
inline TEXTMETRICW MeasureFont(const LOGFONTW& logFont) {
    HDC dc = GetDC(NULL);
    HFONT font = CreateFontIndirectW(&logFont);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
    return metrics;
}

inline int TextWidth(const LOGFONTW& logFont, const WCHAR* text) {
    HDC dc = GetDC(NULL);
    HFONT font = CreateFontIndirectW(&logFont);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
    return size.cx;
}

inline LOGFONTW FontOfHeight(int height, const WCHAR* face = L"DejaVu Sans") {
    LOGFONTW font = {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return font;
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
    CopyFormat(ClockSettings.TimeFormat, FormatCapacity, format);
    ApplySecondsRule();
}
