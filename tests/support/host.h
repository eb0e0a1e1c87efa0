// A stand-in for the Today screen around an item under test: a window that answers the item's
// colour, highlight and watermark requests as the Today screen does, noting what it was asked and
// told (the item taking the highlight, a request to reload the items), and the record the Today
// screen keeps for an item.
#pragma once

#include "platform/platform.h"
#include "platform/today_host.h"

// What the stand-in answers, and what it was asked.
struct StandInHostRecord {
    COLORREF TextColor = RGB(0, 0, 160);
    COLORREF Watermark = RGB(250, 240, 200); // the background it paints for the item
    bool AnswersHighlight = true;            // false: a host that knows no highlight colours
    COLORREF Highlight = RGB(20, 120, 40);
    COLORREF HighlightedText = RGB(255, 255, 0);
    int ColorRequests = 0;
    WPARAM ColorIndex = 0;
    LPARAM ColorExtra = -1;
    int WatermarkRequests = 0;
    TODAYDRAWWATERMARKINFO LastWatermark = {};
    int SelectionsTaken = 0; // TODAYM_TOOKSELECTION
    WPARAM TakenBy = 0;
    int ReloadRequests = 0; // WM_WININICHANGE with TodayReloadItemsFlag
};
inline StandInHostRecord StandInHost;

inline LRESULT CALLBACK StandInHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TODAYM_GETCOLOR:
        ++StandInHost.ColorRequests;
        StandInHost.ColorIndex = wParam;
        StandInHost.ColorExtra = lParam;
        if (wParam == TODAYCOLOR_TEXT)
            return StandInHost.TextColor;
        if (!StandInHost.AnswersHighlight)
            return 0;
        return wParam == TODAYCOLOR_HIGHLIGHT         ? StandInHost.Highlight
               : wParam == TODAYCOLOR_HIGHLIGHTEDTEXT ? StandInHost.HighlightedText
                                                      : 0;
    case TODAYM_TOOKSELECTION:
        ++StandInHost.SelectionsTaken;
        StandInHost.TakenBy = wParam;
        return 0;
    case WM_WININICHANGE:
        StandInHost.ReloadRequests += wParam == TodayReloadItemsFlag && lParam == 0;
        return 0;
    case TODAYM_DRAWWATERMARK: {
        auto* info = (TODAYDRAWWATERMARKINFO*)lParam;
        ++StandInHost.WatermarkRequests;
        StandInHost.LastWatermark = *info;
        HBRUSH brush = CreateSolidBrush(StandInHost.Watermark);
        FillRect(info->hdc, &info->rc, brush);
        DeleteObject(brush);
        return 1;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A visible top-level window of the given size, its record as new.
inline HWND CreateStandInHost(int width, int height) {
    StandInHost = StandInHostRecord();
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = StandInHostProc;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.lpszClassName = L"MorvaneStandInHost";
    RegisterClassW(&windowClass);
    HWND host = CreateWindowExW(0, windowClass.lpszClassName, L"Today", WS_POPUP | WS_CLIPCHILDREN,
                                0, 0, width, height, NULL, NULL, GetModuleHandleW(NULL), NULL);
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
