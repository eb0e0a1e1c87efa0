// The real morvane.dll's item as a person works it on the Today screen: the highlight the Today
// screen moves onto it and off, a tap that takes the highlight and opens Clock & Alarms, a tap and
// hold that opens its menu and its settings page in place, and the refresh query's readiness
// wait. Calls the library makes to the platform are seen through its import table.
#include "platform/platform.h"
#include "item/clock_applet.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/imports.h"
#include "tests/support/library.h"
#include "tests/support/pictures.h"

#include <string>
#include <vector>

namespace {

const COLORREF OwnColour = RGB(200, 30, 60);
const WCHAR ControlPanelClass[] = L"MorvaneControlPanel";
const DWORD ControlPanelWait = 20000; // for the stand-in control panel's window to appear

// Runs the thread's messages for a while.
void Pump(DWORD milliseconds) {
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

class ItemLibrary : public LibraryItem {};

// ---- The highlight ----

struct Sent {
    UINT Message;
    WPARAM Argument;
};

struct SelectionCase {
    const char* Name;
    std::vector<Sent> Messages;
    LRESULT LastResult;
    bool Highlighted;              // what the next paint shows
    bool HostHighlights = true;    // the host answers the highlight colours
    bool OwnColour = false;        // the settings hold a text colour of their own
    bool BeforeFirstQuery = false; // the messages come before the row is sized
};

void PrintTo(const SelectionCase& c, std::ostream* out) {
    *out << c.Name;
}

class Selection : public ItemLibrary, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(Selection, AnswersAndPaintsWhatTheHighlightSays) {
    const SelectionCase& c = GetParam();
    StandInHost.AnswersHighlight = c.HostHighlights;
    if (c.OwnColour || c.BeforeFirstQuery) {
        if (c.OwnColour) {
            // Stored through this program's own copy of the settings, then read by the library.
            EnsureSettingsLoaded();
            ClockSettings.UseColor = 1;
            ClockSettings.TextColor = OwnColour;
            ASSERT_TRUE(SaveSettings());
        }
        LoadAgain();
        listItem_ = TodayRecord(library_);
        item_ = initialize_(&listItem_, screen_);
        ASSERT_NE(item_, nullptr);
    }
    LRESULT result = -1;
    for (const Sent& sent : c.Messages)
        result = SendMessageW(item_, sent.Message, sent.Argument, 0);
    EXPECT_EQ(c.LastResult, result);
    Poll();

    Picture p = CaptureWindow(item_, StandInHost.Watermark);
    int all = p.Width * p.Height;
    ASSERT_GT(all, 0);
    EXPECT_GT(p.Count(IconHubColor), 0) << "the icon is drawn either way";
    if (c.Highlighted) {
        EXPECT_GT(p.Count(StandInHost.Highlight), all / 2) << "the highlight fills the row";
        EXPECT_EQ(0, p.Count(StandInHost.Watermark));
        EXPECT_GT(p.CountNear(StandInHost.HighlightedText), 5) << "text in the highlighted colour";
    } else {
        EXPECT_GT(p.Count(StandInHost.Watermark), all / 2) << "the Today background";
        EXPECT_EQ(0, p.Count(StandInHost.Highlight));
        EXPECT_GT(p.CountNear(c.OwnColour ? OwnColour : StandInHost.TextColor), 5);
    }
}

const WPARAM NoKey = 0, AnyNumber = 0x1234;

INSTANTIATE_TEST_SUITE_P(
    Messages, Selection,
    ::testing::Values(
        SelectionCase{
            "ReceivedFromBelow", {{WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN}}, TRUE, true},
        SelectionCase{
            "ReceivedWithAnyArgument", {{WM_TODAYCUSTOM_RECEIVEDSELECTION, AnyNumber}}, TRUE, true},
        SelectionCase{
            "NavigationMovesOn",
            {{WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_UP}, {WM_TODAYCUSTOM_USERNAVIGATION, VK_DOWN}},
            FALSE,
            true},
        SelectionCase{
            "Lost",
            {{WM_TODAYCUSTOM_RECEIVEDSELECTION, NoKey}, {WM_TODAYCUSTOM_LOSTSELECTION, NoKey}},
            0,
            false},
        SelectionCase{"LostWithoutReceiving", {{WM_TODAYCUSTOM_LOSTSELECTION, NoKey}}, 0, false},
        SelectionCase{"OwnColourGivesWayOnTheHighlight",
                      {{WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN}},
                      TRUE,
                      true,
                      true,
                      true},
        SelectionCase{
            "OwnColourBackWhenLost",
            {{WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN}, {WM_TODAYCUSTOM_LOSTSELECTION, NoKey}},
            0,
            false,
            true,
            true},
        SelectionCase{"HostWithoutHighlightColours",
                      {{WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN}},
                      TRUE,
                      false,
                      false},
        SelectionCase{
            "BeforeTheFirstQuery",
            {{WM_TODAYCUSTOM_USERNAVIGATION, VK_UP}, {WM_TODAYCUSTOM_RECEIVEDSELECTION, NoKey}},
            TRUE,
            true,
            true,
            false,
            true}),
    [](const ::testing::TestParamInfo<SelectionCase>& info) {
        return std::string(info.param.Name);
    });

// GetClientRect as it fails: FALSE, the rectangle left holding what the caller's stack held,
// here a corner of the row.
BOOL WINAPI ClientRectThatFails(HWND, RECT* rect) {
    SetRect(rect, 0, 0, 8, 8);
    return FALSE;
}

// The fault injector sees no crash here, only a background drawn at a size nobody measured.
TEST_F(ItemLibrary, AFailedClientMeasurementErasesNothing) {
    void* real = RerouteImport(library_, "GetClientRect", (void*)ClientRectThatFails);
    ASSERT_NE(real, nullptr);
    const int watermarks = StandInHost.WatermarkRequests;
    CaptureWindow(item_);
    EXPECT_EQ(watermarks, StandInHost.WatermarkRequests) << "the Today background asked for";
    SendMessageW(item_, WM_TODAYCUSTOM_RECEIVEDSELECTION, VK_DOWN, 0);
    EXPECT_EQ(0, CaptureWindow(item_).Count(StandInHost.Highlight)) << "the highlight filled";
    RerouteImport(library_, "GetClientRect", real);
}

// ---- Taps and the action ----

// What the library asked CreateProcessW to start, through its import table.
struct Launches {
    int Count = 0;
    std::wstring Program, CommandLine;
    decltype(&CreateProcessW) Real = nullptr;
};
Launches Launched;

BOOL WINAPI RecordLaunch(LPCWSTR program, LPWSTR commandLine, LPSECURITY_ATTRIBUTES process,
                         LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags,
                         LPVOID environment, LPCWSTR folder, LPSTARTUPINFOW startup,
                         LPPROCESS_INFORMATION info) {
    ++Launched.Count;
    Launched.Program = program ? program : L"";
    Launched.CommandLine = commandLine ? commandLine : L"";
    return Launched.Real(program, commandLine, process, thread, inherit, flags, environment, folder,
                         startup, info);
}

// The stand-in control panel where a device path \Windows\ctlpnl.exe leads from the C: drive.
class Taps : public ItemLibrary {
  protected:
    void SetUp() override {
        ItemLibrary::SetUp();
        GetCurrentDirectoryW(MAX_PATH, folder_);
        ASSERT_TRUE(CopyFileW(BuildPath("ctlpnl.exe").c_str(), L"C:\\windows\\ctlpnl.exe", FALSE));
        ASSERT_TRUE(SetCurrentDirectoryW(L"C:\\"));
        Launched = Launches();
        Launched.Real = (decltype(&CreateProcessW))RerouteImport(library_, "CreateProcessW",
                                                                 (void*)RecordLaunch);
        ASSERT_NE(Launched.Real, nullptr);
    }
    void TearDown() override {
        SetCurrentDirectoryW(folder_);
        ItemLibrary::TearDown();
    }
    // Waits for the stand-in control panel's page and closes it; false when none came up.
    static bool ClosedControlPanel() {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ControlPanelWait) {
            if (HWND page = FindWindowW(ControlPanelClass, L"Clock & Alarms")) {
                PostMessageW(page, WM_CLOSE, 0, 0);
                return true;
            }
            Pump(50);
        }
        return false;
    }
    WCHAR folder_[MAX_PATH] = {};
};

struct TapCase {
    const char* Name;
    bool Down;
    POINT Up;
    int Launches, Taken;
};

void PrintTo(const TapCase& c, std::ostream* out) {
    *out << c.Name;
}

class Tap : public Taps, public ::testing::WithParamInterface<TapCase> {};

TEST_P(Tap, OpensClockAndAlarmsOnlyWhenItBeganAndEndedOnTheItem) {
    const TapCase& c = GetParam();
    if (c.Down)
        PostMessageW(item_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    PostMessageW(item_, WM_LBUTTONUP, 0, MAKELPARAM(c.Up.x, c.Up.y));
    Pump(300);
    EXPECT_EQ(c.Taken, StandInHost.SelectionsTaken);
    if (c.Taken) {
        EXPECT_EQ((WPARAM)item_, StandInHost.TakenBy);
    }
    ASSERT_EQ(c.Launches, Launched.Count);
    if (!c.Launches)
        return;
    EXPECT_EQ(std::wstring(CLOCK_APPLET_PROGRAM), Launched.Program);
    EXPECT_EQ(std::wstring(L"cplmain.cpl,16"), Launched.CommandLine);
    EXPECT_TRUE(ClosedControlPanel()) << "the stand-in control panel showed Clock & Alarms";
}

INSTANTIATE_TEST_SUITE_P(Stylus, Tap,
                         ::testing::Values(TapCase{"OnTheItem", true, {12, 6}, 1, 1},
                                           TapCase{"UpWithoutDown", false, {10, 5}, 0, 0},
                                           TapCase{"EndingOffTheItem", true, {10, 500}, 0, 1}),
                         [](const ::testing::TestParamInfo<TapCase>& info) {
                             return std::string(info.param.Name);
                         });

TEST_F(Taps, ActionKeyOpensClockAndAlarms) {
    EXPECT_EQ(0, SendMessageW(item_, WM_TODAYCUSTOM_ACTION, VK_RETURN, 0));
    ASSERT_EQ(1, Launched.Count);
    EXPECT_EQ(std::wstring(L"cplmain.cpl,16"), Launched.CommandLine);
    EXPECT_TRUE(ClosedControlPanel());
}

TEST_F(Taps, MissingControlPanelShowsNothing) {
    ASSERT_TRUE(DeleteFileW(L"C:\\windows\\ctlpnl.exe"));
    EXPECT_EQ(0, SendMessageW(item_, WM_TODAYCUSTOM_ACTION, VK_RETURN, 0));
    EXPECT_EQ(1, Launched.Count) << "asked for";
    Pump(200);
    EXPECT_TRUE(IsWindow(item_));
    EXPECT_EQ(nullptr, FindWindowW(L"#32770", NULL)) << "no message box";
}

// ---- Tap and hold ----

// The menu's entries as it showed them, and the key presses that pick "Options...".
std::vector<std::wstring> MenuEntries;
HWND MenuOwner;

void CALLBACK PickOptionsInMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", NULL);
    if (!menu || !IsWindowVisible(menu))
        return;
    KillTimer(NULL, timer);
    HMENU entries = (HMENU)SendMessageW(menu, MN_GETHMENU, 0, 0);
    for (int i = 0; i < GetMenuItemCount(entries); ++i) {
        WCHAR text[64] = L"";
        GetMenuStringW(entries, i, text, 64, MF_BYPOSITION);
        MenuEntries.push_back(text);
    }
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN})
        PostMessageW(MenuOwner, WM_KEYDOWN, key, 0);
}

struct HoldCase {
    const char* Name;
    std::vector<std::pair<int, std::wstring>> Picks;
    int Reloads;
};

void PrintTo(const HoldCase& c, std::ostream* out) {
    *out << c.Name;
}

class Hold : public ItemLibrary, public ::testing::WithParamInterface<HoldCase> {};

TEST_P(Hold, OptionsInTheMenuRunTheSettingsPageAndAskForAReloadOnlyForANewHeight) {
    MenuEntries.clear();
    MenuOwner = item_;
    SetTimer(NULL, 0, 50, PickOptionsInMenu);
    DialogDriver driver;
    HWND screen = screen_;
    driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [&](DriveDialog& d) {
        EXPECT_EQ(screen, GetWindow(d.Window(), GW_OWNER)) << "owned by the Today screen";
        for (const auto& pick : GetParam().Picks)
            d.Pick(pick.first, pick.second);
        d.Done();
    });
    PostMessageW(item_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
    Pump(500); // the hold, the menu and the page run inside the button-down's handling
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ((std::vector<std::wstring>{L"Clock && Alarms", L"Options\x2026"}), MenuEntries);
    EXPECT_EQ(GetParam().Reloads, StandInHost.ReloadRequests);
    EXPECT_EQ(1, StandInHost.SelectionsTaken);
}

INSTANTIATE_TEST_SUITE_P(
    SettingsPage, Hold,
    ::testing::Values(HoldCase{"TwoStackedLines",
                               {{IDC_OPTIONS_LAYOUT, L"Stack"},
                                {IDC_OPTIONS_DISPTYPE, L"Time Date"}},
                               1},
                      HoldCase{"SameHeight", {{IDC_OPTIONS_DISPPOS, L"Right"}}, 0}),
    [](const ::testing::TestParamInfo<HoldCase>& info) { return std::string(info.param.Name); });

// ---- The refresh query ----

int EventOpens;
decltype(&OpenEventW) RealOpenEvent;

HANDLE WINAPI CountOpenEvent(DWORD access, BOOL inherit, LPCWSTR name) {
    ++EventOpens;
    return RealOpenEvent(access, inherit, name);
}

TEST_F(ItemLibrary, UnchangedQueriesOpenTheReadinessEventOnce) {
    LoadAgain();
    EventOpens = 0;
    RealOpenEvent =
        (decltype(&OpenEventW))RerouteImport(library_, "OpenEventW", (void*)CountOpenEvent);
    ASSERT_NE(RealOpenEvent, nullptr);
    MakeItem();
    for (int i = 0; i < 1000; ++i)
        SendMessageW(item_, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem_, 0);
    EXPECT_EQ(1, EventOpens);
    ResetEvent(ready_);
    listItem_.cyp = 0;
    EXPECT_EQ(0, SendMessageW(item_, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem_, 0))
        << "the kept event still says the shell is not ready";
}

} // namespace
