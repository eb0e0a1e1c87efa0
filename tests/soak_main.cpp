// The soak, under Wine: a day of a seconds clock, and every dialog opened and closed with Done
// again and again, with the process's GDI and USER objects and its memory compared before and
// after (tests/support/measure.h says how Wine lets them be counted).
//   soak_tests [--ticks=N] [--cycles=N] [gtest options]
// N ticks of the seconds clock (86400 is a day) and N open-and-Done cycles of each dialog; the
// defaults are the short run CTest makes, scripts/soak the full one.
#include "platform/platform.h"
#include "options/about_dialog.h"
#include "options/fonts_dialog.h"
#include "options/format_dialog.h"
#include "options/icon_option_dialog.h"
#include "options/options_dialog.h"
#include "options/select_font_dialog.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/item.h"
#include "tests/support/measure.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

long SoakTicks = 3600;
int SoakCycles = 20;

// Growth of the bytes in use in the heaps that a run may show without leaking. Wine's own
// caches (font instances, the window DC cache, atoms, the handle tables) settle during the
// warm-up but can still move by a few blocks; a leak of one 16-byte block on every paint or on
// every dialog would pass this within the first day's hour or the first 256 dialogs.
const size_t HeapTolerance = 16 * 1024;
// Committed memory moves in whole pages and heap segments.
const size_t CommitTolerance = 256 * 1024;

struct Snapshot {
    GuiCounts Gui;
    MemoryUse Memory;
};

Snapshot Take() {
    Snapshot s;
    s.Gui = CountGuiObjects();
    s.Memory = MeasureMemory();
    return s;
}

void Report(const char* what, const char* when, const Snapshot& s) {
    printf("soak: %s, %s: GDI objects %ld, USER objects %ld (%s), heap %zu bytes in %zu blocks, "
           "committed %zu KiB\n",
           what, when, s.Gui.Gdi, s.Gui.User,
           s.Gui.FromTables ? "counted in Wine's handle tables" : "GetGuiResources",
           s.Memory.HeapBytes, s.Memory.HeapBlocks, s.Memory.CommittedBytes / 1024);
}

// Nothing more held at the end than after the warm-up.
void ExpectNoGrowth(const char* what, const Snapshot& start, const Snapshot& end) {
    EXPECT_GE(start.Gui.Gdi, 0) << "no GDI count";
    EXPECT_EQ(end.Gui.Gdi, start.Gui.Gdi) << what << ": GDI objects";
    EXPECT_EQ(end.Gui.User, start.Gui.User) << what << ": USER objects";
    EXPECT_LE(end.Memory.HeapBytes, start.Memory.HeapBytes + HeapTolerance)
        << what << ": heap bytes in use";
    EXPECT_LE(end.Memory.CommittedBytes, start.Memory.CommittedBytes + CommitTolerance)
        << what << ": committed memory";
}

// Lets through what the real one-second timer and the window manager queued meanwhile.
void DrainMessages() {
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The clock one second on, into the next day at midnight.
void NextSecond(SYSTEMTIME* t) {
    if (++t->wSecond < 60)
        return;
    t->wSecond = 0;
    if (++t->wMinute < 60)
        return;
    t->wMinute = 0;
    if (++t->wHour < 24)
        return;
    t->wHour = 0;
    t->wDay += 1;
    t->wDayOfWeek = (WORD)((t->wDayOfWeek + 1) % 7);
}

struct DayCounts {
    long Ticks = 0;
    long Redraws = 0; // queries that asked the host to redraw
    long Paints = 0;  // paints that drew the tick's time
    long Misses = 0;  // ticks whose paint did not draw it
};

class SoakDay : public ItemTest {
  protected:
    // One second: the seconds timer fires, the host polls, and redraws when told to.
    void Tick(HWND item, DayCounts* counts) {
        NextSecond(&FakeNow);
        SendMessageW(item, WM_TIMER, SecondsTimerId, 0);
        if (Query(item)) {
            counts->Redraws += 1;
            UpdateWindow(item);
        }
        if (LastPaintedTime.wSecond == FakeNow.wSecond &&
            LastPaintedTime.wMinute == FakeNow.wMinute && LastPaintedTime.wHour == FakeNow.wHour &&
            LastPaintedTime.wDay == FakeNow.wDay)
            counts->Paints += 1;
        else
            counts->Misses += 1;
        counts->Ticks += 1;
        if ((counts->Ticks & 255) == 0)
            DrainMessages();
    }
};

TEST_F(SoakDay, ADayOfASecondsClockPaintsEverySecondAndHoldsNothingMore) {
    UseTimeFormat(L"HH:mm:ss");
    ClockSettings.DispType = 2; // time and date
    ASSERT_EQ(ShowSeconds, 1);
    FakeNow = At(0, 0, 0);
    HWND item = MakeItem(DeviceScreenWidth, 40);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(Query(item), 1) << "the first answer gives the height";

    // Each hour another layout and position, as a user might pick them in the options dialog.
    const int layouts[][2] = {{LayoutFlat, DispPosLeft},    {LayoutFlat, DispPosCenter},
                              {LayoutFlat, DispPosRight},   {LayoutStack, DispPosLeft},
                              {LayoutStack, DispPosCenter}, {LayoutStack, DispPosRight}};
    auto pickLayout = [&](long tick) {
        const int* layout = layouts[(tick / 3600) % 6];
        ClockSettings.Layout = layout[0];
        ClockSettings.DispPos = layout[1];
        MetricsDirty = 1;
    };

    const long warmUp = SoakTicks < 120 ? SoakTicks / 2 : 60;
    DayCounts counts;
    DWORD started = GetTickCount();
    for (long tick = 0; tick < warmUp; ++tick)
        Tick(item, &counts);
    DrainMessages();
    const Snapshot start = Take();
    for (long tick = warmUp; tick < SoakTicks; ++tick) {
        if (tick % 3600 == 0)
            pickLayout(tick);
        Tick(item, &counts);
    }
    DrainMessages();
    const Snapshot end = Take();
    double seconds = (GetTickCount() - started) / 1000.0;

    printf("soak: %ld ticks of a seconds clock in %.1f s (%.0f us a tick): %ld redraws asked, "
           "%ld paints drew their second, %ld did not\n",
           counts.Ticks, seconds, counts.Ticks ? seconds * 1e6 / counts.Ticks : 0.0, counts.Redraws,
           counts.Paints, counts.Misses);
    Report("day", "after the warm-up", start);
    Report("day", "at the end", end);
    EXPECT_EQ(counts.Redraws, counts.Ticks) << "every second asks for a redraw";
    EXPECT_EQ(counts.Paints, counts.Ticks) << "every redraw paints its second";
    ExpectNoGrowth("a day of ticks", start, end);
    DestroyWindow(item);
}

// One dialog as the options dialog or the host opens it, closed with Done.
struct DialogRun {
    const wchar_t* Name;
    const wchar_t* Caption;
    int Marker;
    int TemplateId; // 0: the Select Font dialog, run through SelectFontDialog
    DLGPROC Proc;
    INT_PTR Result;
};

const DialogRun Dialogs[] = {
    {L"options", L"Dialog", IDC_OPTIONS_LAYOUT, IDD_OPTIONS, CustomItemOptionsDlgProc, 1},
    {L"Format", L"Dialog", IDC_FORMAT_TIME, IDD_FORMAT, FormatDlgProc, 1},
    {L"Fonts", L"Dialog", IDC_FONTS_MODE, IDD_FONTS, FontsDlgProc, 1},
    {L"Select Font", L"Select Font", IDC_SELECT_FONT_NAME, 0, NULL, 0},
    {L"icon option", L"Dialog", IDC_ICON_HIDE, IDD_ICON_OPTION, IconOptionDlgProc, 1},
    {L"About", L"About Morvane", 0, IDD_ABOUT, AboutDlgProc, 1},
};
const int DialogCount = sizeof Dialogs / sizeof Dialogs[0];

class SoakDialogs : public ItemTest {
  protected:
    // Opens each dialog once and presses Done in it; counts the ends that were not as expected
    // and adds up the milliseconds each dialog took.
    void Cycle(HWND owner, long* wrongEnds, DWORD* milliseconds) {
        for (int i = 0; i < DialogCount; ++i) {
            const DialogRun& run = Dialogs[i];
            DWORD opened = GetTickCount();
            DialogDriver driver;
            driver.Then(run.Caption, run.Marker, [](DriveDialog& d) { d.Done(); });
            INT_PTR result;
            if (run.TemplateId) {
                result = RunModuleDialog(run.TemplateId, owner, run.Proc);
            } else {
                // A listed family at a listed size: Done finds it and changes nothing.
                LOGFONTW font = FontOfHeight(-16);
                FontRequest request = {};
                request.lStructSize = sizeof request;
                request.hwndOwner = owner;
                request.lpLogFont = &font;
                request.hInstance = ModuleInstance;
                result = SelectFontDialog(&request);
            }
            if (result != run.Result || !driver.Finished())
                *wrongEnds += 1;
            milliseconds[i] += GetTickCount() - opened;
        }
    }
};

TEST_F(SoakDialogs, EveryDialogOpenedAndClosedAgainHoldsNothingMore) {
    EnsureSettingsLoaded();
    const int warmUp = SoakCycles < 4 ? 1 : 2;
    long wrongEnds = 0;
    DWORD milliseconds[DialogCount] = {};
    DWORD started = GetTickCount();
    for (int cycle = 0; cycle < warmUp; ++cycle)
        Cycle(host, &wrongEnds, milliseconds);
    DrainMessages();
    const Snapshot start = Take();
    for (int cycle = warmUp; cycle < SoakCycles; ++cycle)
        Cycle(host, &wrongEnds, milliseconds);
    DrainMessages();
    const Snapshot end = Take();
    double seconds = (GetTickCount() - started) / 1000.0;

    printf("soak: %d open-and-Done cycles of each of the %d dialogs in %.1f s (%.1f ms a dialog), "
           "%ld ended otherwise than expected\n",
           SoakCycles, DialogCount, seconds,
           SoakCycles ? seconds * 1000 / (SoakCycles * DialogCount) : 0.0, wrongEnds);
    for (int i = 0; i < DialogCount; ++i)
        printf("soak:   %ls: %.1f ms from opening to its end\n", Dialogs[i].Name,
               SoakCycles ? (double)milliseconds[i] / SoakCycles : 0.0);
    Report("dialogs", "after the warm-up", start);
    Report("dialogs", "at the end", end);
    EXPECT_EQ(wrongEnds, 0);
    ExpectNoGrowth("dialog cycles", start, end);
}

bool TakeLength(const char* argument, const char* name, long* value) {
    size_t length = strlen(name);
    if (strncmp(argument, name, length) != 0)
        return false;
    *value = atol(argument + length);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        long cycles = 0;
        if (TakeLength(argv[i], "--ticks=", &SoakTicks))
            continue;
        if (TakeLength(argv[i], "--cycles=", &cycles)) {
            SoakCycles = (int)cycles;
            continue;
        }
        argv[kept++] = argv[i];
    }
    argc = kept;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
