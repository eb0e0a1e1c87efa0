#include "platform/platform.h"
#include "faults/fault_session.h"
#include "faults/fault_dialogs.h"
#include "faults/fault_loader.h"
#include "faults/fault_settings.h"
#include "faults/import_table.h"
#include "item/item_window.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "settings/clock_settings.h"
#include "tests/support/host.h"
#include "tests/support/text.h"

#include <colordlg.h>
#include <stdio.h>

namespace {

// What the settings page does when it opens: the page the item's menu opens changes the layout; the
// Today screen's is worked through; the last two, with the plan disarmed, first look at what the
// store holds and then make the page save the record it holds.
enum PagePhase { MenuPage, FullPage, LookPage, SavePage };

const UINT MenuWaitMilliseconds = 3000;
const UINT MouseWaitMilliseconds = 3000; // for a posted tap to be handled
const UINT MenuTimerMilliseconds = 50;
enum { PollsToSize = 3 };

const char* Step = "start";
DWORD SessionStart;
HMODULE Library;
PFNCUSTOMINITIALIZEITEM Initialize;
DLGPROC OptionsProc;
HWND Host, Item;
TODAYLISTITEM Record;
PagePhase Phase;
DWORD MenuDeadline;
int Findings;

void BeginStep(const char* name) {
    Step = name;
    printf("step %s (at %lu ms)\n", name, GetTickCount() - SessionStart);
    fflush(stdout);
}

// ---- Crashes ----

bool InLibrary(void* address) {
    if (!Library)
        return false;
    BYTE* base = (BYTE*)Library;
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    return (BYTE*)address >= base && (BYTE*)address < base + nt->OptionalHeader.SizeOfImage;
}

[[noreturn]] void ReportCrash(EXCEPTION_POINTERS* exception) {
    void* address = exception->ExceptionRecord->ExceptionAddress;
    char where[64] = "outside the library";
    if (InLibrary(address))
        snprintf(where, sizeof where, "morvane.dll+0x%lx",
                 (unsigned long)((BYTE*)address - (BYTE*)Library));
    printf("crash 0x%08lx at %s in step %s\n", exception->ExceptionRecord->ExceptionCode, where,
           Step);
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) {
    }
}

// The library has no exception handlers of its own, so any fault raised in its code is a crash,
// even where the system would catch it further out.
LONG CALLBACK FirstChance(EXCEPTION_POINTERS* exception) {
    DWORD code = exception->ExceptionRecord->ExceptionCode;
    bool fault = code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_ILLEGAL_INSTRUCTION ||
                 code == EXCEPTION_INT_DIVIDE_BY_ZERO || code == EXCEPTION_STACK_OVERFLOW ||
                 code == EXCEPTION_ARRAY_BOUNDS_EXCEEDED || code == EXCEPTION_PRIV_INSTRUCTION;
    if (fault && InLibrary(exception->ExceptionRecord->ExceptionAddress))
        ReportCrash(exception);
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI Unhandled(EXCEPTION_POINTERS* exception) {
    ReportCrash(exception);
}

// ---- The Today screen's side ----

void Poll() {
    if (!Item)
        return;
    Record.cyp = 0;
    SendMessageW(Item, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&Record, 0);
    SetWindowPos(Item, NULL, 0, 0, DeviceScreenWidth, (int)Record.cyp,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Repaint() {
    Poll();
    if (Item)
        RedrawWindow(Item, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void RepaintSelected() {
    if (!Item)
        return;
    SendMessageW(Item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
    Repaint();
    SendMessageW(Item, WM_TODAYCUSTOM_LOSTSELECTION, 0, 0);
    Repaint();
}

bool MakeItem() {
    Record = TodayRecord(Library);
    Item = Initialize ? Initialize(&Record, Host) : NULL;
    for (int i = 0; i < PollsToSize && Record.cyp == 0; ++i)
        Poll();
    return Item != NULL;
}

void RunPage(PagePhase phase) {
    Phase = phase;
    if (OptionsProc)
        DialogBoxParamW(Library, MAKEINTRESOURCEW(IDD_OPTIONS), Host, OptionsProc, 0);
}

// ---- The person's side ----

void WorkOptionsPage(HWND page) {
    switch (Phase) {
    case MenuPage:
        // One row instead of two: the item asks the Today screen to load the items again.
        PickIndex(page, IDC_OPTIONS_LAYOUT, LayoutFlat);
        break;
    case LookPage: break;
    case SavePage: {
        // Choosing the layout it already has marks the settings changed, so Done saves them all.
        LRESULT layout = SendDlgItemMessageW(page, IDC_OPTIONS_LAYOUT, CB_GETCURSEL, 0, 0);
        PickIndex(page, IDC_OPTIONS_LAYOUT, layout < 0 ? 0 : (int)layout);
        break;
    }
    case FullPage:
        for (int layout = 0; layout < LayoutCount; ++layout) {
            PickIndex(page, IDC_OPTIONS_LAYOUT, layout);
            for (int position = 0; position < DispPosCount; ++position) {
                PickIndex(page, IDC_OPTIONS_DISPPOS, position);
                Repaint();
            }
        }
        RepaintSelected();
        Click(page, IDC_OPTIONS_FORMAT); // a format with seconds
        for (int layout = 0; layout < LayoutCount; ++layout) {
            PickIndex(page, IDC_OPTIONS_LAYOUT, layout);
            Repaint();
        }
        RepaintSelected();
        PickText(page, IDC_OPTIONS_DISPTYPE, L"Date Time");
        Click(page, IDC_OPTIONS_FONTS);
        Click(page, IDC_OPTIONS_ICON);
        // A change after the sub-dialogs' saves, so Done saves too.
        PickIndex(page, IDC_OPTIONS_LAYOUT, LayoutFlat);
        Repaint();
        break;
    }
    Click(page, IDOK);
}

void WorkFormat(HWND dialog) {
    PickText(dialog, IDC_FORMAT_TIME, L"HH:mm:ss");
    TypeText(dialog, IDC_FORMAT_DATE, L"yyyy/M/d ddd");
    Click(dialog, IDOK);
}

void WorkFonts(HWND dialog) {
    PickIndex(dialog, IDC_FONTS_MODE, FontSelDefault); // the system font's description
    PickIndex(dialog, IDC_FONTS_MODE, FontSelDifferent);
    Click(dialog, IDC_FONTS_TIME_FONT);
    Click(dialog, IDC_FONTS_USE_COLOR);
    Click(dialog, IDC_FONTS_COLOR);
    Click(dialog, IDOK);
}

void WorkSelectFont(HWND dialog) {
    if (!PickText(dialog, IDC_SELECT_FONT_NAME, L"DejaVu Sans Mono"))
        PickIndex(dialog, IDC_SELECT_FONT_NAME, 0);
    if (!PickText(dialog, IDC_SELECT_FONT_SIZE, L"14"))
        PickIndex(dialog, IDC_SELECT_FONT_SIZE, 0);
    Click(dialog, IDC_SELECT_FONT_BOLD);
    Click(dialog, IDOK);
}

void WorkColorChooser(HWND dialog) {
    Click(dialog, COLOR_MIX); // opens out the red, green and blue fields
    TypeText(dialog, COLOR_RED, L"200");
    TypeText(dialog, COLOR_GREEN, L"30");
    TypeText(dialog, COLOR_BLUE, L"60");
    Click(dialog, IDOK);
}

void WorkIcon(HWND dialog) {
    Click(dialog, IDC_ICON_HIDE);
    Click(dialog, IDC_ICON_ABOUT);
    Click(dialog, IDOK);
}

void WorkDialog(HWND dialog, DialogKind kind) {
    switch (kind) {
    case OptionsPage: WorkOptionsPage(dialog); break;
    case FormatDialog: WorkFormat(dialog); break;
    case FontsDialog: WorkFonts(dialog); break;
    case SelectFontDialog: WorkSelectFont(dialog); break;
    case ColorChooser: WorkColorChooser(dialog); break;
    case IconDialog: WorkIcon(dialog); break;
    case AboutDialog:
    case MessageBoxDialog:
    case UnknownDialog:
    case DialogKinds: Click(dialog, IDOK); break;
    }
}

// Picks "Options..." in the item's menu with the keys, once it shows.
void CALLBACK PickOptionsInMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", NULL);
    if (menu && IsWindowVisible(menu)) {
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
            PostMessageW(Item, WM_KEYDOWN, key, 0);
    } else if (GetTickCount() < MenuDeadline) {
        return;
    }
    KillTimer(NULL, timer);
}

// ---- What is left ----

void Report(const char* what, const char* name) {
    printf("%s %s\n", what, name);
    ++Findings;
}

// Without a fault every dialog of the step must have appeared; a session that misses one proves
// nothing about its paths, so it says which dialog, in which step.
void ExpectDialogs(const DialogKind* kinds, int count) {
    if (Plan.Key >= 0)
        return;
    for (int i = 0; i < count; ++i) {
        if (DialogsSeen(kinds[i]) == 0) {
            printf("missing %s in step %s\n", DialogKindName(kinds[i]), Step);
            ++Findings;
        }
    }
}

void EndStartedPrograms() {
    for (DWORD id : StartedProcesses()) {
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
}

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    *(int*)count += process == GetCurrentProcessId();
    return TRUE;
}

BOOL CALLBACK CountOwnWindows(HWND window, LPARAM count) {
    CountOwnWindow(window, count);
    EnumChildWindows(window, CountOwnWindow, count);
    return TRUE;
}

void ReportLeftovers() {
    for (const LedgerEntry& leak : OutstandingObjects())
        Report("leak", leak.MadeBy);
    int windows = 0;
    EnumWindows(CountOwnWindows, (LPARAM)&windows);
    printf("windows %d\n", windows);
    for (int i = 0; i < DialogsForced(); ++i)
        Report("stuck", "dialog");
}

void CompareStores(const StoredValues& looked, const StoredValues& saved) {
    for (const StoredValue& value : saved) {
        const StoredValue* before = FindStored(looked, value.Name);
        if (!before || before->Type != value.Type || before->Bytes != value.Bytes)
            Report("lost", Utf8(value.Name).c_str());
        if (!Plausible(value))
            Report("garbage", Utf8(value.Name).c_str());
    }
    if (saved.size() != looked.size() || (int)saved.size() != StoredValueCount)
        Report("lost", "(values missing)");
}

} // namespace

int RunSession(const WCHAR* path) {
    SessionStart = GetTickCount();
    BeginStep("start");
    AddVectoredExceptionHandler(1, FirstChance);
    SetUnhandledExceptionFilter(Unhandled);
    HANDLE ready = CreateEventW(NULL, TRUE, TRUE, SHELL_API_READY_EVENT);
    StoreStartingSettings();
    Host = CreateStandInHost(DeviceScreenWidth, DeviceScreenHeight);
    StartDriving(WorkDialog);
    Plan.Armed = true;

    BeginStep("attach");
    Library = LoadWithStubs(path);
    if (!Library)
        return 2;
    Initialize = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
        Library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
    OptionsProc =
        (DLGPROC)(void*)GetProcAddress(Library, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));

    BeginStep("export 240 and the row's size");
    MakeItem();
    Pump(50);

    BeginStep("selection, action and tap");
    if (Item) {
        RepaintSelected();
        SendMessageW(Item, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
        SendMessageW(Item, WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN, 0);
        SendMessageW(Item, WM_TODAYCUSTOM_ACTION, VK_RETURN, 0);
        SendMessageW(Item, WM_TODAYCUSTOM_LOSTSELECTION, 0, 0);
        SendMessageW(Item, WM_TIMER, SecondsTimerId, 0); // a tick that finds no seconds shown
        PostMessageW(Item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
        PostMessageW(Item, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
        // The tap's button-up must be gone before the hold: the hold would find it queued and
        // end as a tap.
        PumpMouse(Item, MouseWaitMilliseconds);
        Pump(50);
    }

    BeginStep("tap and hold, the menu's settings page");
    if (Item) {
        Phase = MenuPage;
        MenuDeadline = GetTickCount() + MenuWaitMilliseconds;
        SetTimer(NULL, 0, MenuTimerMilliseconds, PickOptionsInMenu);
        // Sent, not posted: the button's message runs the hold, the menu and the page before it
        // returns, and only then does the stylus come up. A posted one that the pump had not
        // reached within its time would find the button-up queued behind it: a tap, not a hold.
        SendMessageW(Item, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
        PostMessageW(Item, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
        Pump(50);
    }
    const DialogKind fromTheMenu[] = {OptionsPage};
    ExpectDialogs(fromTheMenu, 1);

    BeginStep("the settings page");
    RunPage(FullPage);
    Pump(50);
    const DialogKind fromThePage[] = {FormatDialog, FontsDialog, SelectFontDialog,
                                      ColorChooser, IconDialog,  AboutDialog};
    ExpectDialogs(fromThePage, 6);

    BeginStep("the store, the fault gone");
    FaultPlan armed = Plan;
    Plan.Armed = false;
    RunPage(LookPage);
    StoredValues looked = ReadStoredValues();
    RunPage(SavePage);
    StoredValues saved = ReadStoredValues();
    CompareStores(looked, saved);
    Plan = armed;

    BeginStep("a second item window");
    if (Item)
        DestroyWindow(Item);
    MakeItem();
    if (Item)
        SendMessageW(Item, WM_TIMER, SecondsTimerId, 0); // the seconds' tick
    Repaint();
    Pump(50);

    BeginStep("detach");
    if (Item)
        DestroyWindow(Item);
    Item = NULL;
    DestroyWindow(Host);
    CallEntry(Library, DLL_PROCESS_DETACH);
    FreeLibrary(Library);
    Library = NULL;
    Plan.Armed = false;
    StopDriving();

    BeginStep("after detach");
    EndStartedPrograms();
    ReportLeftovers();
    PrintCalls();
    if (ready)
        CloseHandle(ready);
    ForgetStoredSettings();
    printf("done\n");
    fflush(stdout);
    return Findings ? 1 : 0;
}
