// The stored-settings fuzzer, run under Wine:
//   settings_fuzz [SEED [BATCHES]]   BATCHES batches (default 8) drawn from SEED (default 1)
//   settings_fuzz --batch SEED       one batch in this process, as each batch runs
// Every batch runs in a fresh process, since the settings are loaded once per process: random
// values under the settings key, then the settings loaded and compared with what the stored
// values must give, the item created and painted in every layout, the previews filled, the Format
// and Select Font dialogs opened on the stored values and closed with Done, and the settings
// saved and loaded again. Nothing may crash, and every read and result is checked. A failing
// batch prints its seed and the values it stored.
#include "platform/platform.h"
#include "host/common/dialog_on_top.h"
#include "item/item_metrics.h"
#include "item/item_paint.h"
#include "item/item_window.h"
#include "item/local_time.h"
#include "item/module.h"
#include "item/screen_scale.h"
#include "platform/today_host.h"
#include "options/fonts_dialog.h"
#include "options/format_dialog.h"
#include "options/options_dialog.h"
#include "options/preview.h"
#include "options/select_font_dialog.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "fuzz/settings_fuzz_store.h"
#include "tests/support/measure.h"
#include "tests/support/host.h"
#include "tests/support/process.h"
#include "tests/support/settings.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

const char BatchArgument[] = "--batch";
// A batch that fails its checks exits with BatchFailedCheck; the crash handler ends it with
// BatchCrashed, and any other end (an exception past the handler, an exit of Wine's own) counts as
// a crash too.
enum { BatchFailedCheck = 1, BatchCrashed = 3 };
const int DefaultBatches = 8;
// A batch takes well under a second; one still running after this has hung.
const DWORD BatchTimeout = 30000;
// Preview buffers get this many spare units past their capacity, all holding GuardUnit.
const int GuardUnits = 8;
const WCHAR GuardUnit = 0xBEEF;

std::string StoredDescription;
SYSTEMTIME FakeNow;

void WINAPI ReadFakeNow(SYSTEMTIME* now) {
    *now = FakeNow;
}

// Says what the batch does next, so a batch that hangs or crashes shows where.
void Stage(const char* name) {
    printf("stage: %s\n", name);
}

[[noreturn]] void Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printf("FAIL: ");
    vprintf(format, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
    ExitProcess(BatchFailedCheck);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* exception) {
    void* address = exception->ExceptionRecord->ExceptionAddress;
    HMODULE module = NULL;
    WCHAR name[MAX_PATH] = L"?";
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       (LPCWSTR)address, &module);
    if (module)
        GetModuleFileNameW(module, name, MAX_PATH);
    printf("CRASH: exception 0x%08lx at %p, %ls+0x%llx\n",
           (unsigned long)exception->ExceptionRecord->ExceptionCode, address, name,
           (unsigned long long)((BYTE*)address - (BYTE*)module));
    fflush(stdout);
    ExitProcess(BatchCrashed);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Any time at all, now and then a real one.
SYSTEMTIME DrawTime(FuzzRandom& random) {
    SYSTEMTIME time;
    WORD* fields = (WORD*)&time;
    for (int i = 0; i < 8; ++i)
        fields[i] = (WORD)random.Next();
    if (random.Percent(50))
        time = SYSTEMTIME{(WORD)(1990 + random.Below(80)), (WORD)(1 + random.Below(12)),
                          (WORD)random.Below(7),           (WORD)(1 + random.Below(31)),
                          (WORD)random.Below(24),          (WORD)random.Below(60),
                          (WORD)random.Below(60),          0};
    return time;
}

bool Terminated(const WCHAR* text, int capacity) {
    for (int i = 0; i < capacity; ++i)
        if (text[i] == 0)
            return true;
    return false;
}

// The first field of the record where two records differ, or null.
const WCHAR* FirstDifference(const ClockSettingsRecord& a, const ClockSettingsRecord& b) {
    for (const StoredName& name : StoredNames)
        if (memcmp((const BYTE*)&a + name.Offset, (const BYTE*)&b + name.Offset, name.Size) != 0)
            return name.Name;
    return NULL;
}

std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; text && *text; ++text)
        out += *text < 128 ? (char)*text : '?';
    return out;
}

void CheckLoaded(const ExpectedLoad& expected) {
    if (SettingsLoaded != 1 || MetricsDirty != 1)
        Fail("after loading: SettingsLoaded %d, MetricsDirty %d", SettingsLoaded, MetricsDirty);
    if (const WCHAR* field = FirstDifference(ClockSettings, expected.Record))
        Fail("loaded %s differs from what the stored values give", Narrow(field).c_str());
    if (ShowSeconds != expected.ShowSeconds)
        Fail("ShowSeconds %d, the time format gives %d", ShowSeconds, expected.ShowSeconds);
    if (!Terminated(ClockSettings.TimeFormat, FormatCapacity) ||
        !Terminated(ClockSettings.DateFormat, FormatCapacity) ||
        !Terminated(ClockSettings.TimeFont.lfFaceName, LF_FACESIZE) ||
        !Terminated(ClockSettings.DateFont.lfFaceName, LF_FACESIZE))
        Fail("a loaded text has no terminator in its field");
    const DispTypeRow* row = CurrentDispTypeRow();
    if (row < DispTypeTable || row >= DispTypeTable + DispTypeCount)
        Fail("DispType %d reads outside the table", ClockSettings.DispType);
}

void Paint(HWND item) {
    RedrawWindow(item, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    if (memcmp(&LastPaintedTime, &FakeNow, sizeof FakeNow) != 0)
        Fail("a paint did not record the time it drew");
    if (MetricsDirty)
        Fail("a paint left MetricsDirty set");
    if (RowCount < 1)
        Fail("RowCount %d", RowCount);
}

void Query(HWND item, TODAYLISTITEM* listItem) {
    SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)listItem, 0);
}

// The item through export 240: its first answer, then a paint in each layout, position and icon
// choice over the stored fonts and formats, with no GDI object left behind.
void PaintEveryLayout(HWND host, FuzzRandom& random) {
    TODAYLISTITEM listItem = TodayRecord(GetModuleHandleW(NULL));
    HWND item = InitializeCustomItem(&listItem, host);
    if (!item)
        Fail("export 240 made no window");
    SetWindowPos(item, NULL, 0, 0, DeviceScreenWidth, 1 + random.Below(200),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (SendMessageW(item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem, 0) != 1)
        Fail("the first refresh query did not ask for a redraw");
    int height = ScaleRound(RowCount * RowUnitAt96, ScreenDpi(LOGPIXELSY), ReferenceDpi);
    if (RowCount < 1 || listItem.cyp != (DWORD)(height < 1 ? 1 : height))
        Fail("RowCount %d gave the row height %lu", RowCount, (unsigned long)listItem.cyp);
    Paint(item);

    const long gdi = CountGdiObjects();
    const ClockSettingsRecord stored = ClockSettings;
    for (int layout = LayoutFlat; layout <= LayoutStack; ++layout)
        for (int position = DispPosLeft; position <= DispPosRight; ++position)
            for (int hidden = 0; hidden <= 1; ++hidden) {
                ClockSettings.Layout = layout;
                ClockSettings.DispPos = position;
                ClockSettings.HiddenIcon = hidden;
                MetricsDirty = 1;
                Query(item, &listItem);
                Paint(item);
            }
    ClockSettings = stored;
    MetricsDirty = 1;
    Query(item, &listItem);
    SendMessageW(item, WM_TIMER, SecondsTimerId, 0);
    UpdateWindow(item);
    Paint(item);
    const long after = CountGdiObjects();
    if (after != gdi)
        Fail("GDI objects went from %ld to %ld over 14 paints", gdi, after);
    DestroyWindow(item);
}

// Both preview lines at this capacity, with guards past it that must stay untouched.
void CheckPreviewBounds(int capacity) {
    WCHAR line1[PreviewLineCapacity + GuardUnits];
    WCHAR line2[PreviewLineCapacity + GuardUnits];
    for (int i = 0; i < PreviewLineCapacity + GuardUnits; ++i)
        line1[i] = line2[i] = GuardUnit;
    FormatPreviewLines(line1, line2, capacity);
    for (int i = capacity; i < PreviewLineCapacity + GuardUnits; ++i)
        if (line1[i] != GuardUnit || line2[i] != GuardUnit)
            Fail("a preview line of %d units was written at unit %d", capacity, i);
    if (!Terminated(line1, capacity) || !Terminated(line2, capacity))
        Fail("a preview line of %d units has no terminator", capacity);
}

// The dialog's preview controls hold the two lines, each within its 128 units.
void CheckPreviewShown(HWND dialog, const char* which) {
    WCHAR line1[PreviewLineCapacity];
    WCHAR line2[PreviewLineCapacity];
    FormatPreviewLines(line1, line2, PreviewLineCapacity);
    WCHAR shown[4 * PreviewLineCapacity];
    const int ids[] = {IDC_PREVIEW_LINE1, IDC_PREVIEW_LINE2};
    const WCHAR* lines[] = {line1, line2};
    for (int i = 0; i < 2; ++i) {
        int length = GetDlgItemTextW(dialog, ids[i], shown, 4 * PreviewLineCapacity);
        if (length >= PreviewLineCapacity)
            Fail("the %s dialog shows a preview line of %d units", which, length);
        if (lstrcmpW(shown, lines[i]) != 0)
            Fail("the %s dialog's preview line %d is not the formatted line", which, i + 1);
    }
}

// The options and Format dialogs as they open on the stored values.
void FillPreviews(HWND host, FuzzRandom& random) {
    CheckPreviewBounds(PreviewLineCapacity);
    CheckPreviewBounds(1 + random.Below(PreviewLineCapacity));
    const int templates[] = {IDD_OPTIONS, IDD_FORMAT, IDD_FONTS};
    const DLGPROC procs[] = {CustomItemOptionsDlgProc, FormatDlgProc, FontsDlgProc};
    const char* names[] = {"options", "Format", "Fonts"};
    for (int i = 0; i < 3; ++i) {
        printf("stage: %s dialog opened\n", names[i]);
        HWND dialog =
            CreateDialogParamW(ModuleInstance, MAKEINTRESOURCEW(templates[i]), host, procs[i], 0);
        if (!dialog)
            Fail("the %s dialog did not open", names[i]);
        if (templates[i] != IDD_FONTS)
            CheckPreviewShown(dialog, names[i]);
        DestroyWindow(dialog);
    }
}

// Presses Done in the dialog in front, then Cancel should Done have left it open.
int Presses;
void CALLBACK PressTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = DialogOnTop();
    if (!dialog)
        return;
    SendMessageW(dialog, WM_COMMAND, Presses++ == 0 ? IDOK : IDCANCEL, 0);
}

INT_PTR RunPressingDone(int templateId, HWND owner, DLGPROC proc, const FontRequest* request) {
    Presses = 0;
    UINT_PTR timer = SetTimer(NULL, 0, 10, PressTimerProc);
    INT_PTR result = request ? SelectFontDialog(request) : RunModuleDialog(templateId, owner, proc);
    KillTimer(NULL, timer);
    return result;
}

// The Format dialog closed with Done, nothing typed: both formats stay exactly as loaded.
void CheckFormatDone(HWND host) {
    const ClockSettingsRecord before = ClockSettings;
    INT_PTR result = RunPressingDone(IDD_FORMAT, host, FormatDlgProc, NULL);
    if (result != 1)
        Fail("the Format dialog ended with %ld", (long)result);
    if (memcmp(before.TimeFormat, ClockSettings.TimeFormat, sizeof before.TimeFormat) != 0 ||
        memcmp(before.DateFormat, ClockSettings.DateFormat, sizeof before.DateFormat) != 0)
        Fail("Done in the Format dialog with nothing typed changed a format");
}

// Select Font on a copy of each stored font: Done, or Cancel when Done finds no listed face.
// Returns the dialog's result.
INT_PTR CheckSelectFont(HWND host, const LOGFONTW& stored) {
    LOGFONTW font = stored;
    FontRequest request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = host;
    request.lpLogFont = &font;
    request.hInstance = ModuleInstance;
    INT_PTR result = RunPressingDone(IDD_SELECT_FONT, host, NULL, &request);
    if (result != 0 && result != 1)
        Fail("Select Font ended with %ld", (long)result);
    if (result == 0 && memcmp(&font, &stored, sizeof font) != 0)
        Fail("Select Font changed the record but reported no change");
    if (result == 1 && (!Terminated(font.lfFaceName, LF_FACESIZE) || font.lfWidth != 0 ||
                        (font.lfWeight != 400 && font.lfWeight != 700) || font.lfItalic > 1))
        Fail("Select Font stored an unsound record");
    if (FontFamilyList.Records || FontFamilyList.Count)
        Fail("Select Font kept its family list");
    return result;
}

// Saved values are the record's bytes with the library's types; loading them again gives the
// same record.
void CheckSaveAndLoad() {
    if (SaveSettings() != 1)
        Fail("SaveSettings failed");
    for (const StoredName& name : StoredNames) {
        DWORD type = 0;
        std::vector<BYTE> bytes;
        if (!ReadSettingsValue(name.Name, &type, &bytes) || type != name.Type ||
            bytes.size() != name.Size ||
            memcmp(bytes.data(), (const BYTE*)&ClockSettings + name.Offset, name.Size) != 0)
            Fail("saved %s is not the field's bytes: type %lu, %u bytes %s; field %s",
                 Narrow(name.Name).c_str(), (unsigned long)type, (unsigned)bytes.size(),
                 ToHex(bytes.data(), bytes.size()).c_str(),
                 ToHex((const BYTE*)&ClockSettings + name.Offset, name.Size).c_str());
    }
    const ClockSettingsRecord saved = ClockSettings;
    const int seconds = ShowSeconds;
    SettingsLoaded = 0;
    EnsureSettingsLoaded();
    if (const WCHAR* field = FirstDifference(ClockSettings, saved))
        Fail("%s loaded back differs from what was saved", Narrow(field).c_str());
    if (ShowSeconds != seconds)
        Fail("ShowSeconds loaded back as %d, saved with %d", ShowSeconds, seconds);
}

int RunBatch(uint64_t seed) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    FuzzRandom random = {seed};
    StoredValue values[StoredNameCount];
    DrawStoredValues(random, values);
    if (!StoreValues(values))
        Fail("the settings key could not be written");
    StoredDescription = DescribeValues(values);
    printf("stored values:\n%s", StoredDescription.c_str());
    const ExpectedLoad expected = ExpectLoad(values);

    ModuleAttach(GetModuleHandleW(NULL));
    FakeNow = DrawTime(random);
    LocalTimeSource = ReadFakeNow;
    Stage("load");
    EnsureSettingsLoaded();
    CheckLoaded(expected);

    HWND host = CreateStandInHost(480, 400);
    HANDLE ready = CreateEventW(NULL, TRUE, TRUE, SHELL_API_READY_EVENT);
    Stage("paint");
    PaintEveryLayout(host, random);
    Stage("previews");
    FillPreviews(host, random);
    Stage("Format dialog");
    CheckFormatDone(host);
    Stage("Select Font, time font");
    INT_PTR timeFont = CheckSelectFont(host, ClockSettings.TimeFont);
    Stage("Select Font, date font");
    INT_PTR dateFont = CheckSelectFont(host, ClockSettings.DateFont);
    Stage("save");
    CheckSaveAndLoad();

    DestroyWindow(host);
    CloseHandle(ready);
    ModuleDetach();
    DeleteSettingsKey();
    // What the batch reached, for the totals of a run.
    printf("ok read %d, fonts changed %d\n", expected.ValuesRead, (int)(timeFont + dateFont));
    return 0;
}

uint64_t BatchSeed(uint64_t seed, int batch) {
    FuzzRandom mix = {seed * 0x100000001B3ull + (uint64_t)batch};
    return mix.Next();
}

int RunBatches(uint64_t seed, int batches) {
    DWORD start = GetTickCount();
    int crashed = 0, hungCount = 0, failedChecks = 0, notStarted = 0, readAll = 0, fontsChanged = 0;
    for (int b = 0; b < batches; ++b) {
        uint64_t batchSeed = BatchSeed(seed, b);
        // A fresh process each, its output kept even when it hangs and is ended.
        ProgramRun run =
            RunSelf(L"--batch " + std::to_wstring((unsigned long long)batchSeed), BatchTimeout);
        const DWORD exitCode = run.ExitCode;
        const bool hung = run.TimedOut;
        const std::string& output = run.Output;
        size_t summary = output.find("ok read");
        int read = 0, changed = 0;
        if (exitCode != 0 || hung || summary == std::string::npos ||
            sscanf(output.c_str() + summary, "ok read %d, fonts changed %d", &read, &changed) !=
                2) {
            // A process Wine could not start (twice) ran no batch: counted apart from crashes.
            const char* what = !run.Started                   ? "did not start"
                               : hung                         ? "hung and was ended"
                               : exitCode == BatchFailedCheck ? "failed a check"
                                                              : "crashed";
            notStarted += !run.Started;
            hungCount += run.Started && hung;
            failedChecks += run.Started && !hung && exitCode == BatchFailedCheck;
            crashed += run.Started && !hung && exitCode != BatchFailedCheck;
            printf("settings_fuzz: batch %d %s (exit %lu); repeat it with: settings_fuzz "
                   "--batch %llu\n%s\n",
                   b, what, (unsigned long)exitCode, (unsigned long long)batchSeed, output.c_str());
            continue;
        }
        readAll += read == StoredNameCount;
        fontsChanged += changed;
    }
    double seconds = (GetTickCount() - start) / 1000.0;
    printf("settings_fuzz: %d batches from seed %llu: %d crashed, %d hung, %d failed a check, %d "
           "did not start (%.1f s, %.0f ms a batch); %d read all twelve values, %d fonts "
           "replaced in Select Font\n",
           batches, (unsigned long long)seed, crashed, hungCount, failedChecks, notStarted, seconds,
           batches ? seconds * 1000 / batches : 0.0, readAll, fontsChanged);
    DeleteSettingsKey();
    return crashed + hungCount + failedChecks + notStarted ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc >= 3 && strcmp(argv[1], BatchArgument) == 0)
        return RunBatch(strtoull(argv[2], NULL, 10));
    uint64_t seed = argc >= 2 ? strtoull(argv[1], NULL, 10) : 1;
    int batches = argc >= 3 ? atoi(argv[2]) : DefaultBatches;
    return RunBatches(seed, batches);
}
