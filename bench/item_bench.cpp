// morvane.dll under Wine with the real GDI, as the Today screen loads it, and proof that its own
// code allocates nothing on the paths it runs most. Built for Windows only; run under Wine:
//   scripts/bench --item [REV]   this build against REV's morvane.dll (default HEAD~1)
//   cmake --build <windows build> --target run_item_bench
//   WINEPREFIX=... wine item_bench.exe [--dll PATH] [--baseline PATH] [--repetitions=N]
// With --allocations it runs the allocation check of morvane.dll alone, as CTest does.
//
// Timed, in wall time per call, on the library loaded by path, its window made through export 240
// as a child of the stand-in Today screen, the readiness event set, and the row sized by the first
// refresh query:
// - the refresh query when nothing changed (the time formats show no seconds), with the default
//   settings and with the heaviest layout (time and date, icon, Stack, centre, the longest date
//   preset), each stored before the library loads, as the library reads them then;
// - the repaint as the system delivers it (erase with the host's background, then paint), for both;
// - the CPU an hour the Today screen spends on the item: a query every 2 seconds, and a repaint
//   once a minute, or every second when seconds are shown.
// With the program and Wine's server on one CPU (scripts/bench runs them so) a call's wall time is
// the work done; on two, each server call also waits for the other CPU to wake.
// With --baseline, an earlier build's library is timed in the same run, one library loaded at a
// time (both register the window class "Morvane"), their repetitions interleaved so that load on
// the machine falls on both alike.
//
// The allocation check counts, through the import tables (bench/item_bench_allocs.h), every
// allocator call made from morvane.dll itself during refresh queries and repaints in every layout;
// a Select Font dialog opened through export 241 shows that the count does see the library's own
// allocations.
#include "platform/platform.h"
#include "host/common/dialog_on_top.h"
#include "bench/item_bench_allocs.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "tests/support/host.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

namespace {

int Repetitions = 41;
bool Failed; // a path gave a wrong result, or a library could not be timed

enum { MaxRepetitions = 101 };

// Per load of a library: queries timed in one batch, and repaints in one batch.
enum { QueryBatch = 500, RepaintBatch = 100, BatchAttempts = 3 };

// The host's model: a refresh query every 2 seconds; a repaint once a minute, or every second with
// seconds shown.
enum { QueriesPerHour = 1800, RepaintsPerHourByMinute = 60, RepaintsPerHourBySecond = 3600 };

double Now() {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

// Its own folder is searched for the library's imports (aygshell.dll), wherever it lies.
HMODULE LoadItemLibrary(const WCHAR* path) {
    return LoadLibraryExW(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
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

// The stored settings a timed load reads.
enum Setup { DefaultSettings, HeaviestLayout, SetupCount };

ClockSettingsRecord Defaults; // as a library with nothing stored has them

void StoreSettings(Setup setup) {
    if (setup == DefaultSettings) {
        RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
        return;
    }
    ClockSettings = Defaults;
    UseBenchSettings(Layouts[4]); // Stack, centre
    CopyFormat(ClockSettings.TimeFormat, FormatCapacity, L"HH:mm");
    CopyFormat(ClockSettings.DateFormat, FormatCapacity, L"W, MMMM d, yyyy");
    SaveSettings();
}

// A library loaded as the Today screen loads it, its item made and its row sized.
struct LoadedItem {
    HMODULE Library;
    HWND Window;
    TODAYLISTITEM Record;
};

bool LoadItem(const WCHAR* path, HWND host, LoadedItem* loaded) {
    loaded->Library = LoadItemLibrary(path);
    if (!loaded->Library) {
        printf("item_bench: cannot load %ls (error %lu)\n", path, GetLastError());
        return false;
    }
    auto create = ExportByOrdinal<PFNCUSTOMINITIALIZEITEM>(
        loaded->Library, InitializeCustomItemOrdinal, GetProcAddress);
    loaded->Record = TodayRecord(loaded->Library);
    loaded->Window = create ? create(&loaded->Record, host) : NULL;
    // The first query sizes the row; the Today screen then gives the item that height.
    if (!loaded->Window ||
        !SendMessageW(loaded->Window, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&loaded->Record,
                      0) ||
        loaded->Record.cyp == 0) {
        printf("item_bench: %ls: no item from export 240, or no row height from its first query\n",
               path);
        if (loaded->Window)
            DestroyWindow(loaded->Window);
        FreeLibrary(loaded->Library);
        return false;
    }
    SetWindowPos(loaded->Window, NULL, 0, 0, DeviceScreenWidth, (int)loaded->Record.cyp,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

// Returns false when the library stayed loaded: the next one would then not be loaded alone.
bool UnloadItem(const WCHAR* path, LoadedItem* loaded) {
    DestroyWindow(loaded->Window);
    FreeLibrary(loaded->Library);
    // No morvane.dll of any folder may stay: this program loads none of its own.
    if (GetModuleHandleW(L"morvane.dll")) {
        printf("item_bench: %ls is still loaded after FreeLibrary\n", path);
        return false;
    }
    return true;
}

void Repaint(HWND window) {
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

enum Figure { QueryDefault, QueryHeaviest, RepaintDefault, RepaintHeaviest, FigureCount };

// One library timed: microseconds per call, per figure and repetition.
struct TimedLibrary {
    const char* Role;
    WCHAR Path[MAX_PATH];
    double PerCall[FigureCount][MaxRepetitions];
};

long TimedQueries, ChangedAnswers, RedoneBatches;

// Microseconds per query. The item answers non-zero once the minute it last painted has passed:
// a batch that saw such an answer is counted, left out and run again after a repaint.
double TimeQueries(LoadedItem* item) {
    double perCall = 0;
    for (int attempt = 0; attempt < BatchAttempts; ++attempt) {
        Repaint(item->Window); // the painted minute is now's
        long changed = 0;
        double start = Now();
        for (int i = 0; i < QueryBatch; ++i)
            changed += SendMessageW(item->Window, WM_TODAYCUSTOM_QUERYREFRESHCACHE,
                                    (WPARAM)&item->Record, 0) != 0;
        perCall = (Now() - start) * 1e6 / QueryBatch;
        TimedQueries += QueryBatch;
        ChangedAnswers += changed;
        if (changed == 0)
            return perCall;
        RedoneBatches += 1;
    }
    printf("item_bench: every batch of %d queries answered a change\n", (int)QueryBatch);
    Failed = true;
    return perCall;
}

double TimeRepaints(LoadedItem* item) {
    double start = Now();
    for (int i = 0; i < RepaintBatch; ++i)
        Repaint(item->Window);
    return (Now() - start) * 1e6 / RepaintBatch;
}

// One repetition of one library: a load with each setup, its query and its repaint timed.
bool TimeRepetition(HWND host, TimedLibrary* library, int repetition) {
    for (int setup = 0; setup < SetupCount; ++setup) {
        StoreSettings((Setup)setup);
        LoadedItem item;
        if (!LoadItem(library->Path, host, &item))
            return false;
        // A few calls outside the figures.
        for (int i = 0; i < 10; ++i)
            SendMessageW(item.Window, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&item.Record, 0);
        for (int i = 0; i < 5; ++i)
            Repaint(item.Window);
        library->PerCall[QueryDefault + setup][repetition] = TimeQueries(&item);
        library->PerCall[RepaintDefault + setup][repetition] = TimeRepaints(&item);
        if (!UnloadItem(library->Path, &item))
            return false;
    }
    return true;
}

// The p-quantile of values (sorted in place), interpolated.
double Quantile(double* values, int count, double p) {
    std::sort(values, values + count);
    double at = p * (count - 1);
    int below = (int)at;
    if (below + 1 >= count)
        return values[count - 1];
    return values[below] + (at - below) * (values[below + 1] - values[below]);
}

double Median(const double* values, int count) {
    double sorted[MaxRepetitions];
    std::copy(values, values + count, sorted);
    return Quantile(sorted, count, 0.5);
}

// A row of the table: the figure for each library, from the medians of its repetitions, and the
// middle half of the per-repetition values (ratios, with a baseline) to show how steady it was.
struct Row {
    const char* Name;
    const char* Unit;
    double Value[2];
    double Spread[2]; // first and third quartile
};

Row FigureRow(const char* name, TimedLibrary* const* libraries, int count, Figure figure) {
    Row row = {name, "us", {}, {}};
    double spread[MaxRepetitions];
    for (int l = 0; l < count; ++l)
        row.Value[l] = Median(libraries[l]->PerCall[figure], Repetitions);
    for (int r = 0; r < Repetitions; ++r)
        spread[r] = count == 2 ? libraries[0]->PerCall[figure][r] / libraries[1]->PerCall[figure][r]
                               : libraries[0]->PerCall[figure][r];
    row.Spread[0] = Quantile(spread, Repetitions, 0.25);
    row.Spread[1] = Quantile(spread, Repetitions, 0.75);
    return row;
}

// Milliseconds of CPU an hour: the query's and the repaint's medians times their counts an hour.
Row ModelRow(const char* name, TimedLibrary* const* libraries, int count, Figure query,
             Figure repaint, int repaintsPerHour) {
    Row row = {name, "ms", {}, {}};
    double spread[MaxRepetitions];
    for (int l = 0; l < count; ++l)
        row.Value[l] = (QueriesPerHour * Median(libraries[l]->PerCall[query], Repetitions) +
                        repaintsPerHour * Median(libraries[l]->PerCall[repaint], Repetitions)) /
                       1000;
    for (int r = 0; r < Repetitions; ++r) {
        double model[2];
        for (int l = 0; l < count; ++l)
            model[l] = (QueriesPerHour * libraries[l]->PerCall[query][r] +
                        repaintsPerHour * libraries[l]->PerCall[repaint][r]) /
                       1000;
        spread[r] = count == 2 ? model[0] / model[1] : model[0];
    }
    row.Spread[0] = Quantile(spread, Repetitions, 0.25);
    row.Spread[1] = Quantile(spread, Repetitions, 0.75);
    return row;
}

void PrintRow(const Row& row, int count) {
    printf("%-44s %s %10.1f", row.Name, row.Unit, row.Value[0]);
    if (count == 2)
        printf(" %10.1f %7.2f   %.2f-%.2f\n", row.Value[1], row.Value[0] / row.Value[1],
               row.Spread[0], row.Spread[1]);
    else
        printf("   %.1f-%.1f\n", row.Spread[0], row.Spread[1]);
}

// The timings of the library at path, and of the baseline's when there is one, interleaved.
bool CompareLibraries(HWND host, const WCHAR* path, const WCHAR* baselinePath) {
    static TimedLibrary current, baseline;
    current.Role = "this build";
    lstrcpynW(current.Path, path, MAX_PATH);
    baseline.Role = "baseline";
    if (baselinePath)
        lstrcpynW(baseline.Path, baselinePath, MAX_PATH);
    TimedLibrary* libraries[2] = {&current, &baseline};
    int count = baselinePath ? 2 : 1;

    // The defaults, as a library that finds nothing stored has them.
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
    EnsureSettingsLoaded();
    Defaults = ClockSettings;

    printf("morvane.dll as the Today screen loads it: wall time per call, median of %d "
           "repetition%s,\n%d queries and %d repaints a load, one load a setup",
           Repetitions, Repetitions == 1 ? "" : "s", (int)QueryBatch, (int)RepaintBatch);
    printf(count == 2 ? ", the libraries taking turns\n" : "\n");
    for (int l = 0; l < count; ++l)
        printf("  %-10s  %ls\n", libraries[l]->Role, libraries[l]->Path);
    for (int r = 0; r < Repetitions; ++r)
        for (int l = 0; l < count; ++l)
            if (!TimeRepetition(host, libraries[l], r))
                return false;
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);

    const Row rows[] = {
        FigureRow("refresh query, no change, default settings", libraries, count, QueryDefault),
        FigureRow("refresh query, no change, heaviest layout", libraries, count, QueryHeaviest),
        FigureRow("repaint (erase and paint), default settings", libraries, count, RepaintDefault),
        FigureRow("repaint (erase and paint), heaviest layout", libraries, count, RepaintHeaviest),
        ModelRow("CPU an hour, default, repaint each minute", libraries, count, QueryDefault,
                 RepaintDefault, RepaintsPerHourByMinute),
        ModelRow("CPU an hour, default, repaint each second", libraries, count, QueryDefault,
                 RepaintDefault, RepaintsPerHourBySecond),
        ModelRow("CPU an hour, heaviest, repaint each minute", libraries, count, QueryHeaviest,
                 RepaintHeaviest, RepaintsPerHourByMinute),
        ModelRow("CPU an hour, heaviest, repaint each second", libraries, count, QueryHeaviest,
                 RepaintHeaviest, RepaintsPerHourBySecond),
    };
    printf("\n%-47s %10s", "figure", "this build");
    if (count == 2)
        printf(" %10s %7s   %s\n", "baseline", "ratio", "middle half of the ratios");
    else
        printf("   %s\n", "middle half");
    for (const Row& row : rows)
        PrintRow(row, count);
    printf("\nheaviest layout: time and date, icon shown, Stack, centre, \"W, MMMM d, yyyy\"; both "
           "setups \"HH:mm\"\n");
    printf("CPU an hour: %d queries (one every 2 s) and %d repaints (each minute) or %d (each "
           "second,\nseconds shown), from the medians above\n",
           (int)QueriesPerHour, (int)RepaintsPerHourByMinute, (int)RepaintsPerHourBySecond);
    printf("middle half: the first to the third quartile of the repetitions' own figures (with a "
           "baseline,\nof their ratios)\n");
    printf("queries that answered a change (the minute turned): %ld of %ld timed, %ld batches "
           "left out and run again\n\n",
           ChangedAnswers, TimedQueries, RedoneBatches);
    return true;
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

void CALLBACK PressTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = DialogOnTop();
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
bool CheckLibrary(HWND host, const WCHAR* path) {
    bool held = true;
    long queries = 0, repaints = 0, counted = 0;
    AllocationCounter counter;
    for (const LayoutChoice& layout : Layouts) {
        // Settings are read when the library loads: store the layout, then load it afresh.
        UseBenchSettings(layout);
        CopyFormat(ClockSettings.TimeFormat, FormatCapacity, L"HH:mm");
        SaveSettings();
        HMODULE library = LoadItemLibrary(path);
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
    HMODULE library = LoadItemLibrary(path);
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

const char Usage[] =
    "usage: item_bench [--dll PATH] [--baseline PATH] [--repetitions=N] [--allocations]\n"
    "  --dll PATH        the morvane.dll timed (default: the one beside item_bench.exe)\n"
    "  --baseline PATH   an earlier build's morvane.dll, timed in the same run, interleaved\n"
    "  --repetitions=N   repetitions of each figure (default 41, at most 101)\n"
    "  --allocations     the allocation check of the library alone, no timings\n";

// A path from the command line, made absolute; false when no such file exists.
bool TakePath(const char* argument, WCHAR* path) {
    WCHAR given[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, argument, -1, given, MAX_PATH) ||
        !GetFullPathNameW(given, MAX_PATH, path, NULL) ||
        GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) {
        printf("item_bench: no such library: %s\n", argument);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    bool countOnly = false; // --allocations: the allocation check alone, as CTest runs it
    WCHAR path[MAX_PATH], baselinePath[MAX_PATH];
    bool withBaseline = false;
    GetModuleFileNameW(NULL, path, MAX_PATH);
    *wcsrchr(path, L'\\') = 0;
    lstrcatW(path, L"\\morvane.dll");
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        // "--dll PATH" or "--dll=PATH", and the same for --baseline.
        const char* value = NULL;
        bool isDll = strncmp(arg, "--dll", 5) == 0 && (arg[5] == 0 || arg[5] == '=');
        bool isBaseline = strncmp(arg, "--baseline", 10) == 0 && (arg[10] == 0 || arg[10] == '=');
        if (isDll || isBaseline) {
            const char* rest = arg + (isDll ? 5 : 10);
            value = *rest == '=' ? rest + 1 : i + 1 < argc ? argv[++i] : NULL;
            if (!value || !*value) {
                printf("item_bench: %s needs a path\n%s", arg, Usage);
                return 2;
            }
            if (!TakePath(value, isDll ? path : baselinePath))
                return 2;
            withBaseline = withBaseline || isBaseline;
        } else if (strncmp(arg, "--repetitions=", 14) == 0) {
            Repetitions = std::min((int)MaxRepetitions, std::max(1, atoi(arg + 14)));
        } else if (strcmp(arg, "--allocations") == 0) {
            countOnly = true;
        } else if (strcmp(arg, "--help") == 0) {
            printf("%s", Usage);
            return 0;
        } else {
            printf("item_bench: unknown option %s\n%s", arg, Usage);
            return 2;
        }
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
    HWND host = CreateStandInHost(480, 320);
    HANDLE ready = CreateEventW(NULL, TRUE, TRUE, SHELL_API_READY_EVENT);

    bool compared = countOnly || CompareLibraries(host, path, withBaseline ? baselinePath : NULL);
    bool libraryHeld = CheckLibrary(host, path);

    DestroyWindow(host);
    CloseHandle(ready);
    RegDeleteKeyW(HKEY_CURRENT_USER, SETTINGS_SUBKEY);
    bool held = compared && libraryHeld && !Failed;
    printf("item_bench: %s\n",
           held ? "no allocation on the query and paint paths" : "FAILED: see above");
    return held ? 0 : 1;
}
