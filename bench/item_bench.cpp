// The item's paths under Wine with the real GDI, and proof that its own code allocates nothing on
// them. Built for Windows only; run under Wine:
//   cmake --build build/windows --target run_item_bench
//   (or: WINEPREFIX=build/windows/wineprefix wine build/windows/item_bench.exe [--repetitions=N])
// With --allocations it runs the allocation check of morvane.dll alone, as CTest does.
//
// Timed, each as the median and the fastest of the repetitions, in ns per call:
// - the refresh query when nothing changed, sent as the host sends it and called directly;
// - UpdateMetrics with MetricsDirty raised (two fonts made, measured and deleted);
// - a paint of each layout (Flat and Stack, left, centre and right, icon shown): PaintItem on the
//   window's device context, and the whole repaint as the system delivers it (erase with the
//   host's background, then paint).
// The item's library is linked into this program for the timings. The allocation check counts,
// through the import tables (bench/item_bench_allocs.h), every allocator call made from this
// program's code during the timed loops, and from morvane.dll itself, loaded as the Today screen
// loads it, during refresh queries and repaints in every layout; a Select Font dialog opened
// through export 241 shows that the count does see the library's own allocations.
#include "platform/platform.h"
#include "bench/item_bench_allocs.h"
#include "item/item_metrics.h"
#include "item/item_paint.h"
#include "item/item_window.h"
#include "item/shell_ready.h"
#include "item/local_time.h"
#include "item/module.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "tests/support_host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

namespace {

int Repetitions = 5;
bool Failed; // a path gave a wrong result

// A moment whose texts are of ordinary length: Sunday, 7 April 2024, 10:15:30.
const SYSTEMTIME BenchNow = {2024, 4, 0, 7, 10, 15, 30, 0};
void WINAPI ReadBenchNow(SYSTEMTIME* now) {
    *now = BenchNow;
}

double Now() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

struct Timing {
    double Median, Fastest; // ns per call
    long Allocations;       // allocator calls counted inside the timed loops
};

enum { MaxRepetitions = 101 };

// Runs body iterations times per repetition; allocations are counted inside the timed loops only.
template <typename Body> Timing Time(long iterations, AllocationCounter* counter, Body body) {
    double perCall[MaxRepetitions];
    long allocations = 0;
    body(); // a first call outside the figures
    for (int r = 0; r < Repetitions; ++r) {
        StartCounting(counter);
        double start = Now();
        for (long i = 0; i < iterations; ++i)
            body();
        double elapsed = Now() - start;
        StopCounting();
        allocations += CountedCalls(counter);
        perCall[r] = elapsed * 1e9 / iterations;
    }
    std::sort(perCall, perCall + Repetitions);
    return Timing{perCall[Repetitions / 2], perCall[0], allocations};
}

long TotalAllocations;

void PrintTiming(const char* path, const Timing& t) {
    printf("  %-46s %9.0f %9.0f %7ld\n", path, t.Median, t.Fastest, t.Allocations);
    TotalAllocations += t.Allocations;
}

struct LayoutChoice {
    const char* Name;
    int Layout, Position;
};

const LayoutChoice Layouts[] = {
    {"Flat, left", LayoutFlat, DispPosLeft},       {"Flat, centre", LayoutFlat, DispPosCenter},
    {"Flat, right", LayoutFlat, DispPosRight},     {"Stack, left", LayoutStack, DispPosLeft},
    {"Stack, centre", LayoutStack, DispPosCenter}, {"Stack, right", LayoutStack, DispPosRight},
};

// Time and date, the icon shown: the most the item draws.
void UseBenchSettings(const LayoutChoice& layout) {
    ClockSettings.DispType = 2;
    ClockSettings.HiddenIcon = 0;
    ClockSettings.Layout = layout.Layout;
    ClockSettings.DispPos = layout.Position;
    MetricsDirty = 1;
}

// The timings, on the item library linked into this program.
void TimeItemPaths(HWND host, AllocationCounter* counter) {
    EnsureSettingsLoaded();
    CopyFormat(ClockSettings.DateFormat, FormatCapacity, L"W, MMMM d, yyyy");
    UseBenchSettings(Layouts[0]);
    LocalTimeSource = ReadBenchNow;
    TODAYLISTITEM listItem = TodayRecord(GetModuleHandleW(NULL));
    HWND item = InitializeCustomItem(&listItem, host);
    SetWindowPos(item, NULL, 0, 0, DeviceScreenWidth, 40, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem, 0);
    UpdateWindow(item);

    printf("item paths                                        ns per call     allocator\n"
           "                                                   median   fastest   calls\n");
    long unchanged = 0;
    PrintTiming("refresh query, no change (SendMessage)", Time(5000, counter, [&] {
                    unchanged += SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE,
                                              (WPARAM)&listItem, 0) == 0;
                }));
    PrintTiming("refresh query, no change (ItemWndProc)", Time(5000, counter, [&] {
                    unchanged += ItemWndProc(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE,
                                             (WPARAM)&listItem, 0) == 0;
                }));
    long ready = 0;
    PrintTiming("  of it: ShellIsReady (one wait)",
                Time(5000, counter, [&] { ready += ShellIsReady(); }));
    PrintTiming("UpdateMetrics, MetricsDirty raised", Time(2000, counter, [&] {
                    MetricsDirty = 1;
                    UpdateMetrics(item);
                }));
    const long queries = 2 * (5000L * Repetitions + 1);
    if (unchanged != queries || ready != queries / 2) {
        printf("item_bench: %ld of %ld queries reported a change, the shell was ready %ld times\n",
               queries - unchanged, queries, ready);
        Failed = true;
    }

    RECT client;
    GetClientRect(item, &client);
    HDC dc = GetDC(item);
    for (const LayoutChoice& layout : Layouts) {
        UseBenchSettings(layout);
        UpdateMetrics(item);
        char name[64];
        snprintf(name, sizeof name, "paint, %s (PaintItem)", layout.Name);
        PrintTiming(name, Time(1000, counter, [&] { PaintItem(item, dc, client); }));
    }
    ReleaseDC(item, dc);
    for (const LayoutChoice& layout : Layouts) {
        UseBenchSettings(layout);
        UpdateMetrics(item);
        char name[64];
        snprintf(name, sizeof name, "repaint, %s (erase and paint)", layout.Name);
        PrintTiming(name, Time(500, counter, [&] {
                        RedrawWindow(item, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
                    }));
    }
    DestroyWindow(item);
}

// Presses through export 241's settings page to a Select Font dialog and back out: Fonts...,
// the time font's Font..., Cancel, then Done twice.
struct Press {
    int Marker; // a control the dialog on top must have
    int Command;
};
const Press SelectFontRoute[] = {
    {IDC_OPTIONS_LAYOUT, IDC_OPTIONS_FONTS},
    {IDC_FONTS_MODE, IDC_FONTS_TIME_FONT},
    {IDC_SELECT_FONT_NAME, IDCANCEL},
    {IDC_FONTS_MODE, IDOK},
    {IDC_OPTIONS_LAYOUT, IDOK},
};
const int RouteLength = sizeof SelectFontRoute / sizeof SelectFontRoute[0];
int RouteStep;

BOOL CALLBACK FindDialogOnTop(HWND window, LPARAM found) {
    WCHAR name[16] = {};
    GetClassNameW(window, name, 16);
    if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window))
        *(HWND*)found = window;
    return TRUE;
}

void CALLBACK PressTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = NULL;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogOnTop, (LPARAM)&dialog);
    if (!dialog || RouteStep >= RouteLength)
        return;
    const Press& press = SelectFontRoute[RouteStep];
    if (!GetDlgItem(dialog, press.Marker))
        return;
    RouteStep += 1;
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(press.Command, 0), 0);
}

// morvane.dll as the Today screen loads it: no allocator call from its own code during refresh
// queries and repaints in every layout, and some during a Select Font dialog. Returns whether
// both held.
bool CheckLibrary(HWND host) {
    WCHAR path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    *wcsrchr(path, L'\\') = 0;
    lstrcatW(path, L"\\morvane.dll");

    bool held = true;
    long queries = 0, repaints = 0, counted = 0;
    AllocationCounter counter;
    for (const LayoutChoice& layout : Layouts) {
        // Settings are read when the library loads: store the layout, then load it afresh.
        UseBenchSettings(layout);
        CopyFormat(ClockSettings.TimeFormat, FormatCapacity, L"HH:mm");
        SaveSettings();
        HMODULE library = LoadLibraryW(path);
        if (!library) {
            printf("item_bench: cannot load %ls\n", path);
            return false;
        }
        if (!CountAllocations(library, &counter)) {
            printf("item_bench: cannot read the import table of morvane.dll\n");
            FreeLibrary(library);
            return false;
        }
        auto create = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
            library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
        TODAYLISTITEM listItem = TodayRecord(library);
        HWND item = create(&listItem, host);
        SetWindowPos(item, NULL, 0, 0, DeviceScreenWidth, 40, SWP_NOZORDER | SWP_NOACTIVATE);
        StartCounting(&counter);
        for (int i = 0; i < 2000; ++i, ++queries)
            SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem, 0);
        for (int i = 0; i < 200; ++i, ++repaints)
            RedrawWindow(item, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        StopCounting();
        counted += CountedCalls(&counter);
        if (CountedCalls(&counter) != 0)
            printf("item_bench: morvane.dll, %s: %s\n", layout.Name,
                   DescribeCounts(&counter).c_str());
        DestroyWindow(item);
        FreeLibrary(library);
    }
    printf("morvane.dll's allocator imports: ");
    for (int i = 0; i < counter.Imports; ++i)
        printf("%s%s", i ? ", " : "", counter.Names[i]);
    printf("%s\n", counter.Imports ? "" : "none");
    printf("morvane.dll, %ld refresh queries and %ld repaints over the six layouts: %ld allocator "
           "calls from its code\n",
           queries, repaints, counted);
    held = held && counted == 0;

    // The control: the family list of the Select Font dialog is the library's one allocation.
    ClockSettings.FontSel = FontSelDifferent;
    SaveSettings();
    HMODULE library = LoadLibraryW(path);
    CountAllocations(library, &counter);
    auto settingsPage =
        (DLGPROC)(void*)GetProcAddress(library, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));
    RouteStep = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 20, PressTimerProc);
    StartCounting(&counter);
    DialogBoxParamW(library, MAKEINTRESOURCEW(IDD_OPTIONS), host, settingsPage, 0);
    StopCounting();
    KillTimer(NULL, timer);
    FreeLibrary(library);
    printf("control: one Select Font dialog through export 241 (%d of %d presses): %s\n", RouteStep,
           RouteLength, DescribeCounts(&counter).c_str());
    return held && RouteStep == RouteLength && CountedCalls(&counter) > 0;
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    bool countOnly = false; // --allocations: the allocation check alone, as CTest runs it
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "--repetitions=", 14) == 0)
            Repetitions = std::min((int)MaxRepetitions, std::max(1, atoi(argv[i] + 14)));
        countOnly = countOnly || strcmp(argv[i], "--allocations") == 0;
    }
    ModuleAttach(GetModuleHandleW(NULL));
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
    HWND host = CreateStandInHost(480, 320);
    HANDLE ready = CreateEventW(NULL, TRUE, TRUE, SHELL_API_READY_EVENT);

    long ownAllocations = 0;
    if (!countOnly) {
        AllocationCounter own;
        CountAllocations(GetModuleHandleW(NULL), &own);
        TimeItemPaths(host, &own);
        ownAllocations = TotalAllocations;
        printf("allocator calls from this program's code (the item library linked in) inside the "
               "timed loops: %ld\n",
               ownAllocations);
    }
    bool libraryHeld = CheckLibrary(host);

    DestroyWindow(host);
    CloseHandle(ready);
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
    bool held = ownAllocations == 0 && libraryHeld && !Failed;
    printf("item_bench: %s\n",
           held ? "no allocation on the query and paint paths" : "FAILED: see above");
    return held ? 0 : 1;
}
