// today.exe and morvane.dll end to end: the stand-in Today screen loads the real library by
// ordinal, shows its row, pictures the screen and the dialog on top, and says what went wrong.
#include "platform/platform.h"
#include "platform/scaling.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "tests/support/pictures.h"
#include "tests/support/process.h"
#include "tests/support/settings.h"
#include "tests/support/today.h"
#include "tests/support/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(TodayScreen, SnapshotShowsTheClockWithItsIcon) {
    DeleteSettingsKey();
    RegisterMorvaneAlone();
    ProgramRun run;
    Picture screen = TodaySnapshot(L"", &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_EQ(Scaled(DeviceScreenWidth), screen.Width);
    EXPECT_EQ(Scaled(TodayHeight), screen.Height);
    EXPECT_GT(screen.CountNear(TodayTextColor, Scaled(28), -1, 0, Scaled(20)), 5)
        << "the time drawn in the theme's text colour right of the icon";
    EXPECT_GT(screen.Count(IconHubColor, 0, Scaled(20), 0, Scaled(16)), 0);
    EXPECT_EQ(0, screen.CountNear(TodayTextColor, 0, -1, Scaled(20), -1))
        << "one row of 20 pixels holds the default clock";
}

TEST(TodayScreen, DisabledItemMakesNoWindowAndShowsNothing) {
    DeleteSettingsKey();
    RegisterMorvaneAlone();
    ProgramRun run;
    Picture screen = TodaySnapshot(L"--disabled", &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_NE(std::string::npos, run.Output.find("the item is disabled and made no window"))
        << run.Output;
    EXPECT_EQ(0, screen.CountNear(TodayTextColor) + screen.Count(IconHubColor))
        << "neither clock nor icon on the screen";
}

struct Failure {
    const char* Name;
    std::wstring Arguments;
    DWORD ExitCode;
    std::string Message;
};

void PrintTo(const Failure& f, std::ostream* out) {
    *out << f.Name;
}

class TodayScreenFailure : public ::testing::TestWithParam<Failure> {
  protected:
    void SetUp() override {
        DeleteSettingsKey(); // the default fonts: the Fonts dialog's Font... buttons are disabled
        RegisterMorvaneAlone();
        // A file with a library's name that holds no library.
        HANDLE file = CreateFileW(BuildPath("host_test_garbage.dll").c_str(), GENERIC_WRITE, 0,
                                  NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written;
        WriteFile(file, "not a library", 13, &written, NULL);
        CloseHandle(file);
    }
    void TearDown() override { DeleteFileW(BuildPath("host_test_garbage.dll").c_str()); }
};

TEST_P(TodayScreenFailure, SaysWhatWentWrong) {
    std::wstring arguments = GetParam().Arguments;
    size_t slot = arguments.find(L"%B");
    if (slot != std::wstring::npos)
        arguments.replace(slot, 2, BuildPath(""));
    ProgramRun run = RunToday(arguments, 30000);
    EXPECT_EQ(GetParam().ExitCode, run.ExitCode) << run.Output;
    EXPECT_NE(std::string::npos, run.Output.find(GetParam().Message)) << run.Output;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, TodayScreenFailure,
    ::testing::Values(
        Failure{"Unknown", L"--bogus", 2, "unknown argument '--bogus'"},
        Failure{"NoSeconds", L"--exit-after", 2, "--exit-after needs"},
        Failure{"BadSeconds", L"--exit-after 5s", 2, "not '5s'"},
        Failure{"ZeroSeconds", L"--exit-after 0", 2, "from 1 to"},
        Failure{"NoSnapshotName", L"--snapshot", 2, "--snapshot needs a file name"},
        // A library that cannot be used leaves its row out; the screen shows the others.
        Failure{"MissingLibrary", L"--dll Z:\\no\\such\\item.dll --exit-after 1", 0,
                "skipped the item 'Morvane': its library Z:\\no\\such\\item.dll is not there"},
        Failure{"NotALibrary", L"--dll \"%Bhost_test_garbage.dll\" --exit-after 1", 0,
                "host_test_garbage.dll cannot be loaded"},
        Failure{"NotAnItem", L"--dll \"%Bhost_not_item.dll\" --exit-after 1", 0,
                "host_not_item.dll is not a Today item: it has no export 240"},
        Failure{"UnknownKey", L"--key sideways", 2, "--key needs one of up, down"},
        Failure{"MenuWithoutHold", L"--menu Options", 2, "add --hold before it"},
        Failure{"SelectMissingRow", L"--select Nowhere --exit-after 20", 6,
                "step 1: Down never brought the highlight to a row 'Nowhere'"},
        Failure{"NoSettingsPage", L"--dll \"%Bhost_no_page.dll\" --open-settings --exit-after 1", 0,
                "has no settings page: its library has no export 241"},
        Failure{"PressNoId", L"--open-settings --press", 2, "--press needs a control id"},
        Failure{"PressNotAnId", L"--open-settings --press 10x8", 2, "not '10x8'"},
        Failure{"PressTooLarge", L"--open-settings --press 65536", 2, "from 1 to 65535"},
        Failure{"PressWithoutSettingsPage", Press(IDC_OPTIONS_FORMAT), 2, "add --open-settings"},
        Failure{"PickNoEntry", L"--open-settings --pick 1011", 2, "as ID=ENTRY"},
        Failure{"PickMissingEntry",
                L"--open-settings " + Pick(IDC_OPTIONS_LAYOUT, L"Sideways") + L"--exit-after 20", 6,
                "step 2: the dialog on top has no entry 'Sideways' in list " +
                    std::to_string(IDC_OPTIONS_LAYOUT)},
        Failure{"DialogSnapshotWithoutSettingsPage", L"--snapshot-dialog x.png", 2,
                "add --open-settings"},
        Failure{"NoDialogSnapshotName", L"--open-settings --snapshot-dialog", 2,
                "--snapshot-dialog needs a file name"},
        Failure{"TwoSnapshots", L"--open-settings --snapshot a.png --snapshot-dialog b.png", 2,
                "cannot be used together"},
        Failure{"PressMissingControl", L"--open-settings --press 4242 --exit-after 20", 6,
                "step 2: the dialog on top has no control 4242"},
        // The default font mode leaves the Fonts dialog's Font... buttons disabled.
        Failure{"PressDisabledControl",
                L"--open-settings " + Press(IDC_OPTIONS_FONTS) + Press(IDC_FONTS_TIME_FONT) +
                    L"--exit-after 20",
                6,
                "step 3: the dialog on top has control " + std::to_string(IDC_FONTS_TIME_FONT) +
                    " disabled"},
        Failure{"PressOpensNoDialog",
                L"--open-settings " + Press(IDC_OPTIONS_ICON) + Press(IDC_ICON_HIDE) +
                    L"--snapshot-dialog \"%Bhost_test_never.png\" --exit-after 6",
                5, "3 of 3 steps made, and what the picture waits for did not come"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TodayScreen, SnapshotShowsStoredColourLayoutAndNoIcon) {
    DeleteSettingsKey();
    RegisterMorvaneAlone();
    ASSERT_EQ(0u, StoreSettings(L"Layout=Stack \"DispType=Time Date\" DispPos=Right HiddenIcon=1 "
                                L"UseColor=1 TextColor=#C00000")
                      .ExitCode);
    ProgramRun run;
    Picture screen = TodaySnapshot(L"", &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    // Two lines of the system font take two rows of 20 units.
    EXPECT_NE(std::string::npos, run.Output.find(RowOf(40))) << run.Output;
    const COLORREF stored = RGB(0xC0, 0, 0);
    EXPECT_GT(screen.CountNear(stored, screen.Width / 2), 5) << "text in the stored colour, right";
    EXPECT_EQ(0, screen.CountNear(stored, 0, screen.Width / 2))
        << "right-aligned pieces leave the left half empty";
    EXPECT_GT(screen.CountNear(stored, 0, -1, Scaled(20)), 4) << "the date stacked under the time";
    EXPECT_EQ(0, screen.Count(IconHubColor)) << "the icon is hidden";
    DeleteSettingsKey();
}

// The Today screen makes its items again once their settings page closes: the item reports its
// height afresh, so a page that stacks two lines gets a row two lines high.
TEST(TodayScreen, SettingsPageThatStacksTwoLinesLeavesARowTwoLinesHigh) {
    DeleteSettingsKey();
    RegisterMorvaneAlone();
    ProgramRun run;
    Picture screen = TodaySnapshot(L"--open-settings " + Pick(IDC_OPTIONS_LAYOUT, L"Stack") +
                                       Pick(IDC_OPTIONS_DISPTYPE, L"Time Date") + Press(IDOK),
                                   &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_NE(std::string::npos, run.Output.find("settings page closed with result 1"))
        << run.Output;
    EXPECT_NE(std::string::npos, run.Output.find(RowOf(40))) << run.Output;
    EXPECT_GT(screen.CountNear(TodayTextColor, 0, -1, Scaled(20), Scaled(40)), 4)
        << "the date drawn in the second row";
    DeleteSettingsKey();
}

// Turned, the screen is 320 pixels wide (at 96 dpi) and a clock placed at the right ends near its
// right edge; turned back, the same holds at 240.
TEST(TodayScreen, LandscapeAndBackWidenAndNarrowTheRow) {
    DeleteSettingsKey();
    RegisterMorvaneAlone();
    ASSERT_EQ(0u, StoreSettings(L"DispPos=Right HiddenIcon=1").ExitCode);
    struct Case {
        const wchar_t* Arguments;
        int Width;
    } cases[] = {{L"--landscape", DeviceScreenHeight}, {L"--landscape --turn", DeviceScreenWidth}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.Arguments));
        ProgramRun run;
        Picture screen = TodaySnapshot(c.Arguments, &run);
        ASSERT_EQ(0u, run.ExitCode) << run.Output;
        EXPECT_EQ(Scaled(c.Width), screen.Width);
        RECT clock = screen.BoundsNear(TodayTextColor, 0, -1, 0, Scaled(20));
        EXPECT_GE(clock.right, screen.Width - Scaled(8)) << "the clock ends at the right";
        EXPECT_LT(clock.right, screen.Width) << "within the right margin";
    }
    DeleteSettingsKey();
}

struct DialogPicture {
    const char* Name;
    const WCHAR* Settings;
    std::wstring Presses;
    const char* Caption;
};

void PrintTo(const DialogPicture& d, std::ostream* out) {
    *out << d.Name;
}

class DialogSnapshot : public ::testing::TestWithParam<DialogPicture> {};

// Each press must bring up the dialog it names; the caption the host reports shows which dialog
// the picture holds, and the picture is that dialog's whole window at the device's full screen.
TEST_P(DialogSnapshot, PicturesTheDialogThePressesOpen) {
    DeleteSettingsKey();
    RegisterMorvaneAlone();
    ASSERT_EQ(0u, StoreSettings(GetParam().Settings).ExitCode);
    std::wstring file = BuildPath("host_test_dialog.png");
    DeleteFileW(file.c_str());
    ProgramRun run = RunToday(L"--open-settings " + GetParam().Presses + L" --snapshot-dialog \"" +
                              file + L"\" --exit-after 30");
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    std::string caption = std::string("(dialog \"") + GetParam().Caption + "\", ";
    EXPECT_NE(std::string::npos, run.Output.find(caption)) << run.Output;

    Picture dialog;
    ASSERT_TRUE(ReadPng(file, &dialog));
    DeleteFileW(file.c_str());
    EXPECT_EQ(Scaled(DeviceScreenWidth), dialog.Width);
    EXPECT_EQ(Scaled(DeviceScreenHeight - DeviceNavBarHeight), dialog.Height)
        << "full screen below the navigation bar";
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    int all = dialog.Width * dialog.Height;
    EXPECT_GT(dialog.Count(face), all / 2) << "the dialog's face fills the picture";
    int dark = dialog.CountWhere(
        [](COLORREF p) { return GetRValue(p) + GetGValue(p) + GetBValue(p) < 200; }, 0, -1, 0, -1);
    EXPECT_GT(dark, 100) << "its texts and frames are drawn";
    DeleteSettingsKey();
}

INSTANTIATE_TEST_SUITE_P(
    SettingsPage, DialogSnapshot,
    ::testing::Values(DialogPicture{"Options", L"", L"", "Dialog"},
                      DialogPicture{"SelectFont", L"FontSel=2",
                                    Press(IDC_OPTIONS_FONTS) + Press(IDC_FONTS_DATE_FONT),
                                    "Select Font"},
                      DialogPicture{"About", L"", Press(IDC_OPTIONS_ICON) + Press(IDC_ICON_ABOUT),
                                    "About Morvane"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
