// today.exe and morvane.dll end to end: the stand-in Today screen reads its items' registration,
// loads the real library by ordinal, moves the highlight and reloads its items as the device does,
// and pictures it; the library exports ordinals 240 and 241 alone and registers its class while
// loaded.
#include "platform/platform.h"
#include "platform/scaling.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "tests/support_pictures.h"
#include "tests/support_process.h"
#include "tests/support_settings.h"
#include "tests/support_today.h"
#include "tests/test_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The colours today.exe's theme gives items.
const COLORREF TodayTextColor = RGB(16, 32, 96), TodayHighlight = RGB(49, 106, 197),
               TodayHighlightedText = RGB(255, 255, 255);
const int TodayHeight = DeviceScreenHeight - DeviceNavBarHeight - DeviceMenuBarHeight;

int ScreenDpiY() {
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi;
}

// A length of a 96-dpi screen on this one.
int Scaled(int pixels) {
    return ScaleRound(pixels, ScreenDpiY(), ReferenceDpi);
}

std::wstring Press(int id) {
    return L"--press " + std::to_wstring(id) + L" ";
}

std::wstring Pick(int id, const wchar_t* entry) {
    return L"--pick \"" + std::to_wstring(id) + L"=" + entry + L"\" ";
}

// Settings stored by store_settings.exe, as the gallery stores each picture's.
ProgramRun StoreSettings(const std::wstring& arguments) {
    return RunBuilt("store_settings.exe", arguments, 30000);
}

// What today.exe says of the item's row: "the item's row: N pixels high".
std::string RowOf(int pixelsAt96) {
    return "the item's row: " + std::to_string(Scaled(pixelsAt96)) + " pixels";
}

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
        Failure{"NoRegistrationFile", L"--register Z:\\no\\such.inf", 3,
                "cannot read the registration Z:\\no\\such.inf"},
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

DWORD WINAPI DoNothing(void*) {
    return 0;
}

class Library : public ::testing::Test {
  protected:
    void SetUp() override {
        library = LoadLibraryW(BuildPath("morvane.dll").c_str());
        ASSERT_NE(nullptr, library);
    }
    void TearDown() override {
        if (library)
            FreeLibrary(library);
    }
    HMODULE library = NULL;
};

TEST_F(Library, ExportsOrdinal240AndNoNames) {
    EXPECT_NE(nullptr, GetProcAddress(library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal)));
    EXPECT_EQ(nullptr, GetProcAddress(library, "InitializeCustomItem"));
    auto* base = (const BYTE*)library;
    auto* nt = (const IMAGE_NT_HEADERS*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(0u, entry.VirtualAddress);
    auto* exports = (const IMAGE_EXPORT_DIRECTORY*)(base + entry.VirtualAddress);
    EXPECT_EQ(0u, exports->NumberOfNames);
    EXPECT_EQ(240u, exports->Base);
}

TEST_F(Library, ClassLivesFromLoadToUnloadAndThreadsChangeNothing) {
    WNDCLASSW info = {};
    ASSERT_TRUE(GetClassInfoW(library, L"Morvane", &info));

    // Thread attach and detach run the module entry too; they must leave everything in place.
    HANDLE thread = CreateThread(NULL, 0, DoNothing, NULL, 0, NULL);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(GetClassInfoW(library, L"Morvane", &info));

    auto initialize = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
        library, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
    HWND parent =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 240, 100, NULL, NULL, NULL, NULL);
    HWND first = initialize(NULL, parent), second = initialize(NULL, parent);
    EXPECT_NE(nullptr, first);
    EXPECT_NE(nullptr, second);
    EXPECT_NE(first, second);
    DestroyWindow(parent);

    FreeLibrary(library);
    EXPECT_FALSE(GetClassInfoW(library, L"Morvane", &info));
    library = NULL;
}

// The templates' styles and control ids as they must stand in the library: the values the item's
// dialogs are laid out with, written out here on purpose as numbers, apart from the resource
// script's flag names, so that each checks the other. An oracle, not a copy.
struct TemplateStyles {
    int Id;
    DWORD Style;
    std::vector<std::pair<int, DWORD>> Controls; // id (-1: none), style, in template order
};
const DWORD Label = 0x50020000, Centred = 0x50020001, Push = 0x50010000, Check = 0x50010003,
            List = 0x50210003;
const TemplateStyles Templates[] = {
    {500,
     0x80C800C0,
     {{-1, Label},
      {1011, List},
      {-1, Label},
      {1010, List},
      {-1, Label},
      {1012, List},
      {1008, Push},
      {1004, Push},
      {-1, Centred},
      {1014, Centred},
      {1013, Centred},
      {1016, Push}}},
    {105,
     0x80C80040,
     {{-1, Label},
      {1003, 0x50210042},
      {-1, Label},
      {1005, 0x50210042},
      {-1, Centred},
      {1014, Centred},
      {1013, Centred}}},
    {106,
     0x80C80040,
     {{1003, List},
      {-1, Label},
      {1008, Push},
      {-1, Label},
      {1009, Push},
      {1006, Check},
      {1007, Push}}},
    {107, 0x80C80040, {{-1, Label}, {-1, Label}, {-1, 0x50000003}}},
    {108, 0x80C80040, {{1015, Check}, {2, Push}, {1005, Push}}},
    {510,
     0x80C000C0,
     {{-1, Label},
      {-1, Label},
      {-1, Label},
      {-1, Label},
      {1100, 0x50210103},
      {1101, 0x50210803},
      {1102, Check},
      {1103, Check},
      {2, Push}}},
};

// Steps over a template's name or ordinal field: 0xFFFF and a number, or a terminated text.
const WORD* SkipNameOrOrdinal(const WORD* p) {
    if (*p == 0xFFFF)
        return p + 2;
    while (*p++ != 0) {
    }
    return p;
}

TEST_F(Library, TemplatesHoldTheirStylesAndControls) {
    for (const TemplateStyles& expected : Templates) {
        SCOPED_TRACE(expected.Id);
        HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(expected.Id), RT_DIALOG);
        ASSERT_NE(nullptr, found);
        const DLGTEMPLATE* dialog = (const DLGTEMPLATE*)LockResource(LoadResource(library, found));
        EXPECT_EQ(expected.Style, dialog->style);
        EXPECT_EQ(0u, dialog->dwExtendedStyle);
        ASSERT_EQ(expected.Controls.size(), (size_t)dialog->cdit);
        const WORD* p = (const WORD*)(dialog + 1);
        p = SkipNameOrOrdinal(SkipNameOrOrdinal(SkipNameOrOrdinal(p))); // menu, class, title
        p = SkipNameOrOrdinal(p + 1);                                   // point size, face
        for (const auto& control : expected.Controls) {
            p = (const WORD*)(((UINT_PTR)p + 3) & ~(UINT_PTR)3); // items are DWORD-aligned
            const DLGITEMTEMPLATE* item = (const DLGITEMTEMPLATE*)p;
            EXPECT_EQ(control.second, item->style) << "control " << control.first;
            EXPECT_EQ((WORD)control.first, item->id);
            p = SkipNameOrOrdinal(SkipNameOrOrdinal((const WORD*)(item + 1))); // class, title
            p += 1 + (*p + 1) / 2;                                             // creation data
        }
    }
}

TEST(StoreSettings, WritesTheTwelveValuesInTheirStoredForm) {
    DeleteSettingsKey();
    ProgramRun run =
        StoreSettings(L"Layout=Stack \"DispType=Date Time\" DispPos=2 HiddenIcon=1 "
                      L"UseColor=1 TextColor=#C01020 FontSel=2 "
                      L"\"TimeFont=DejaVu Sans,14,bold\" \"DateFont=VL Gothic,9,italic\" "
                      L"TimeFormat=h:mm:ss \"DateFormat=yyyy IN d (Y)\"");
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_EQ(12, CountSettingsValues());
    EXPECT_EQ(1u, StoredDword(L"Layout"));
    EXPECT_EQ(3u, StoredDword(L"DispType"));
    EXPECT_EQ(2u, StoredDword(L"DispPos"));
    EXPECT_EQ(1u, StoredDword(L"HiddenIcon"));
    EXPECT_EQ(1u, StoredDword(L"UseColor"));
    EXPECT_EQ((DWORD)RGB(0xC0, 0x10, 0x20), StoredDword(L"TextColor"));
    EXPECT_EQ(2u, StoredDword(L"FontSel"));

    DWORD type = 0;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(ReadSettingsValue(L"DateFormat", &type, &bytes));
    EXPECT_EQ((DWORD)REG_SZ, type);
    ASSERT_EQ(128u, bytes.size()) << "the whole 64-unit field";
    EXPECT_EQ(std::wstring(L"yyyy IN d (Y)"), std::wstring((const WCHAR*)bytes.data()));

    struct {
        const WCHAR* Name;
        const WCHAR* Face;
        int Points;
        LONG Weight;
        BYTE Italic;
    } fonts[] = {{L"TimeFont", L"DejaVu Sans", 14, 700, 0}, {L"DateFont", L"VL Gothic", 9, 400, 1}};
    for (const auto& expected : fonts) {
        ASSERT_TRUE(ReadSettingsValue(expected.Name, &type, &bytes));
        EXPECT_EQ((DWORD)REG_BINARY, type);
        ASSERT_EQ(sizeof(LOGFONTW), bytes.size());
        LOGFONTW font;
        memcpy(&font, bytes.data(), sizeof font);
        EXPECT_EQ(-ScaleRound(expected.Points, ScreenDpiY(), 72), font.lfHeight) << expected.Name;
        EXPECT_EQ(0, font.lfWidth);
        EXPECT_EQ(expected.Weight, font.lfWeight);
        EXPECT_EQ(expected.Italic, font.lfItalic);
        EXPECT_EQ(std::wstring(expected.Face), std::wstring(font.lfFaceName));
    }
    DeleteSettingsKey();
}

TEST(StoreSettings, RefusesAMistakeAndLeavesTheStoredValuesAlone) {
    DeleteSettingsKey();
    ASSERT_EQ(0u, StoreSettings(L"Layout=1 DispPos=Center").ExitCode);
    const WCHAR* mistakes[] = {L"Layout=Sideways",
                               L"TextColor=red",
                               L"TimeFont=VL Gothic",
                               L"TimeFont=,12",
                               L"DateFont=VL Gothic,12,heavy",
                               L"Colour=1",
                               L"HiddenIcon"};
    for (const WCHAR* mistake : mistakes) {
        ProgramRun run = StoreSettings(L"DispPos=Right \"" + std::wstring(mistake) + L"\"");
        EXPECT_EQ(2u, run.ExitCode) << run.Output;
        EXPECT_NE(std::string::npos, run.Output.find("nothing stored")) << run.Output;
        EXPECT_EQ(1u, StoredDword(L"Layout"));
        EXPECT_EQ(1u, StoredDword(L"DispPos")) << "a refused run stores nothing";
    }
    DeleteSettingsKey();
}

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

// ---- The registration, the highlight and the reload, as the device has them ----

const TodayItemKey Calendar{L"Calendar", 1, L"", 1, 0, 0, 1}; // built in, the screen highlights it
const TodayItemKey Tasks{L"Tasks", 3, L"", 1, 0, 3, 0};       // built in, never highlighted

TodayItemKey CustomItem(const wchar_t* name, const char* library, DWORD order) {
    return TodayItemKey{name, 4, BuildPath(library), 1, 1, order, 2};
}

// What today.exe said of the item's row: its height and its top, both at 96 dpi.
std::string RowAt(int pixelsAt96, int topAt96) {
    return RowOf(pixelsAt96) + " high at " + std::to_string(Scaled(topAt96));
}

// Whether the lines come in the output in this order.
bool SaidInOrder(const std::string& output, std::initializer_list<const char*> lines) {
    size_t at = 0;
    for (const char* line : lines) {
        at = output.find(line, at);
        if (at == std::string::npos)
            return false;
        at += strlen(line);
    }
    return true;
}

TEST(TodayRegistration, RowsComeInTheirOrderAndKeysThatCannotBeShownAreSaid) {
    DeleteSettingsKey();
    ClearTodayItems();
    RegisterTodayItem(Calendar);
    RegisterTodayItem(CustomItem(L"NoPage", "host_no_page.dll", 1));
    RegisterTodayItem(CustomItem(L"Morvane", "morvane.dll", 2));
    TodayItemKey missing = CustomItem(L"Missing", "no_such_item.dll", 3);
    RegisterTodayItem(missing);
    RegisterTodayItem(CustomItem(L"Broken", "morvane.dll", 4));
    HKEY broken;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(TodayItemsKey) + L"\\Broken").c_str(),
                            0, KEY_ALL_ACCESS, &broken));
    RegSetValueExW(broken, L"Type", 0, REG_SZ, (const BYTE*)L"4", 4);
    RegCloseKey(broken);

    ProgramRun run;
    Picture screen = TodaySnapshot(L"", &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_NE(std::string::npos, run.Output.find("skipped the item 'Missing': its library " +
                                                 Utf8(missing.Dll) + " is not there"))
        << run.Output;
    EXPECT_NE(std::string::npos,
              run.Output.find("skipped the item 'Broken': its Type is not a DWORD"))
        << run.Output;
    EXPECT_NE(std::string::npos, run.Output.find(RowAt(20, 40))) << "below Calendar and NoPage";
    EXPECT_GT(screen.CountNear(TodayTextColor, 0, -1, 0, Scaled(20)), 5) << "Calendar's own text";
    EXPECT_EQ(0, screen.Count(IconHubColor, 0, -1, 0, Scaled(40)));
    EXPECT_GT(screen.Count(IconHubColor, 0, -1, Scaled(40), Scaled(60)), 0) << "the clock's icon";
}

// Down from nothing: Calendar, then past NoPage (which refuses) to Morvane, where it stays (Tasks
// takes no highlight); Enter is Morvane's action; F5 makes the items again and the highlight
// stays on Morvane.
TEST(TodayRegistration, HighlightMovesAsTheDeviceMovesItAndOutlivesAReload) {
    DeleteSettingsKey();
    ClearTodayItems();
    RegisterTodayItem(Calendar);
    RegisterTodayItem(CustomItem(L"NoPage", "host_no_page.dll", 1));
    RegisterTodayItem(CustomItem(L"Morvane", "morvane.dll", 2));
    RegisterTodayItem(Tasks);
    ASSERT_TRUE(CopyFileW(BuildPath("ctlpnl.exe").c_str(), L"C:\\windows\\ctlpnl.exe", FALSE));
    std::wstring log = BuildPath("host_test_control_panel.log");
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"MORVANE_CONTROL_PANEL_LOG", log.c_str());

    ProgramRun run;
    Picture screen = TodaySnapshot(L"--key down --key down --key down --key enter --key f5", &run);
    SetEnvironmentVariableW(L"MORVANE_CONTROL_PANEL_LOG", NULL);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_TRUE(SaidInOrder(run.Output, {"highlight on Calendar", "NoPage refused the highlight",
                                         "highlight on Morvane", "action on Morvane",
                                         "loading the items again (F5)", "highlight on Morvane"}))
        << run.Output;
    EXPECT_EQ(std::string::npos, run.Output.find("highlight on Tasks")) << run.Output;
    int row = Scaled(20) * DeviceScreenWidth;
    EXPECT_GT(screen.Count(TodayHighlight, 0, -1, Scaled(40), Scaled(60)), row / 2)
        << "Morvane's row on the highlight";

    // The action started the stand-in control panel with the applet of Clock & Alarms.
    std::string said;
    for (int tries = 0; tries < 100 && said.empty(); ++tries, Sleep(100)) {
        HANDLE file = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  NULL, OPEN_EXISTING, 0, NULL);
        char text[256] = {};
        DWORD got = 0;
        if (file != INVALID_HANDLE_VALUE) {
            ReadFile(file, text, sizeof text - 1, &got, NULL);
            CloseHandle(file);
        }
        said = text;
    }
    EXPECT_NE(std::string::npos, said.find("asked for applet cplmain.cpl,16")) << said;
    if (HWND page = FindWindowW(L"MorvaneControlPanel", L"Clock & Alarms"))
        PostMessageW(page, WM_CLOSE, 0, 0);
    DeleteFileW(log.c_str());
}

// docs/morvane.inf's own lines, written as its CAB writes them, with the library where the CAB
// puts it: the device's \Windows, the prefix's C:\windows.
TEST(TodayRegistration, TheCabsRegistrationIsWhatTheScreenReads) {
    DeleteSettingsKey();
    ClearTodayItems();
    for (const char* file : {"morvane.dll", "aygshell.dll"}) {
        std::wstring to = L"C:\\windows\\" + std::wstring(file, file + strlen(file));
        ASSERT_TRUE(CopyFileW(BuildPath(file).c_str(), to.c_str(), FALSE)) << file;
    }
    ProgramRun run;
    TodaySnapshot(L"--register \"" + SourcePath("docs/morvane.inf") + L"\" --select Morvane", &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_TRUE(SaidInOrder(run.Output,
                            {"registered 6 values", "highlight on Morvane", RowAt(20, 0).c_str()}))
        << run.Output;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                           (std::wstring(TodayItemsKey) + L"\\Morvane").c_str(), 0,
                                           KEY_READ, &key));
    DWORD selectability = 0, size = sizeof selectability;
    WCHAR dll[MAX_PATH] = L"";
    DWORD dllSize = sizeof dll;
    RegQueryValueExW(key, L"Selectability", NULL, NULL, (BYTE*)&selectability, &size);
    RegQueryValueExW(key, L"DLL", NULL, NULL, (BYTE*)dll, &dllSize);
    RegCloseKey(key);
    EXPECT_EQ(2u, selectability);
    EXPECT_STREQ(L"\\Windows\\morvane.dll", dll);
}

// Tap and hold, "Options...", two stacked lines and Done: the item asks the screen to load its
// items again, and its row is at once two lines high.
TEST(TodayRegistration, TapAndHoldSettingsPageThatStacksTwoLinesReloadsTheItems) {
    DeleteSettingsKey();
    RegisterMorvaneAlone();
    ProgramRun run;
    Picture screen = TodaySnapshot(L"--hold Morvane --menu \"Options\x2026\" " +
                                       Pick(IDC_OPTIONS_LAYOUT, L"Stack") +
                                       Pick(IDC_OPTIONS_DISPTYPE, L"Time Date") + Press(IDOK),
                                   &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_TRUE(
        SaidInOrder(run.Output, {"highlight on Morvane", "loading the items again (a program asked",
                                 RowOf(40).c_str()}))
        << run.Output;
    EXPECT_GT(screen.CountNear(TodayHighlightedText, 0, -1, Scaled(20), Scaled(40)), 4)
        << "the date drawn in the second row, on the highlight the hold took";
    DeleteSettingsKey();
}

} // namespace
