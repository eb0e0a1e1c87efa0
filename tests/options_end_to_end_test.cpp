// The settings page of the real morvane.dll, run the way the Today screen runs it: the library
// loaded by path, its item made by export 240 and its page by template 500 with export 241. A
// person changes every dialog's settings; then the registry, the item's next paint and a fresh
// today.exe all show them.
#include "platform/platform.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/options.h"
#include "tests/support/library.h"
#include "tests/support/pictures.h"
#include "tests/support/today.h"

#include <string>
#include <vector>

namespace {

const COLORREF Chosen = RGB(200, 30, 60);

std::wstring StoredText(const WCHAR* name) {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    EXPECT_TRUE(ReadSettingsValue(name, &type, &bytes));
    bytes.resize(bytes.size() + 2);
    return std::wstring((const WCHAR*)bytes.data());
}

class EndToEnd : public LibraryItem {};

TEST_F(EndToEnd, EveryDialogsChoiceReachesTheRegistryTheItemAndAFreshToday) {
    ASSERT_GT(CaptureWindow(screen_).CountNear(StandInHost.TextColor), 20)
        << "the time in the host's colour";
    const DWORD oneRow = listItem_.cyp;

    DialogDriver driver;
    driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [](DriveDialog& d) {
        d.Pick(IDC_OPTIONS_LAYOUT, L"Stack");
        d.Pick(IDC_OPTIONS_DISPTYPE, L"Date Time");
        d.Click(IDC_OPTIONS_FORMAT);
        EXPECT_EQ(d.Text(IDC_PREVIEW_LINE1), L"2009/4/5 ");
        EXPECT_EQ(d.Text(IDC_PREVIEW_LINE2), L"01:02:03 ");
        d.Click(IDC_OPTIONS_FONTS);
        d.Click(IDC_OPTIONS_ICON);
        d.Done();
    });
    driver.Then(L"Dialog", IDC_FORMAT_TIME, [](DriveDialog& d) {
        d.Pick(IDC_FORMAT_TIME, L"HH:mm:ss");
        d.Pick(IDC_FORMAT_DATE, L"yyyy/M/d");
        d.Done();
    });
    driver.Then(L"Dialog", IDC_FONTS_MODE, [](DriveDialog& d) {
        d.Pick(IDC_FONTS_MODE, L"Use same font for time/date");
        d.Click(IDC_FONTS_TIME_FONT);
        d.Click(IDC_FONTS_USE_COLOR);
        d.Click(IDC_FONTS_COLOR);
        d.Done();
    });
    driver.Then(L"Select Font", IDC_SELECT_FONT_NAME, [](DriveDialog& d) {
        d.Pick(IDC_SELECT_FONT_NAME, L"DejaVu Sans Mono");
        d.Pick(IDC_SELECT_FONT_SIZE, L"14");
        d.Done();
    });
    driver.Then(L"Color", [](DriveDialog& d) { d.PickColor(Chosen); });
    driver.Then(L"Dialog", IDC_ICON_HIDE, [](DriveDialog& d) {
        d.Click(IDC_ICON_HIDE);
        d.Click(IDC_ICON_ABOUT);
        d.Done();
    });
    driver.Then(L"About Morvane", [](DriveDialog& d) { d.Done(); });
    EXPECT_EQ(DialogBoxParamW(library_, MAKEINTRESOURCEW(IDD_OPTIONS), screen_, options_, 0), 1);
    EXPECT_EQ(driver.Seen().size(), 7u);

    EXPECT_EQ(CountSettingsValues(), 12);
    EXPECT_EQ(StoredDword(L"Layout"), 1u);
    EXPECT_EQ(StoredDword(L"DispType"), 3u);
    EXPECT_EQ(StoredText(L"TimeFormat"), L"HH:mm:ss");
    EXPECT_EQ(StoredText(L"DateFormat"), L"yyyy/M/d");
    EXPECT_EQ(StoredDword(L"FontSel"), 1u);
    EXPECT_EQ(StoredDword(L"UseColor"), 1u);
    EXPECT_EQ(StoredDword(L"TextColor"), (DWORD)Chosen);
    EXPECT_EQ(StoredDword(L"HiddenIcon"), 1u);
    DWORD type = 0;
    std::vector<BYTE> font;
    ASSERT_TRUE(ReadSettingsValue(L"DateFont", &type, &font));
    ASSERT_EQ(font.size(), sizeof(LOGFONTW));
    LOGFONTW dateFont;
    memcpy(&dateFont, font.data(), sizeof dateFont);
    EXPECT_STREQ(dateFont.lfFaceName, L"DejaVu Sans Mono") << "the date font follows the time font";
    EXPECT_EQ(dateFont.lfHeight, -19) << "14 points at 96 dpi";

    // The item in this process: its next poll and paint.
    Poll();
    EXPECT_GT(listItem_.cyp, oneRow + oneRow / 2) << "two rows of a larger font";
    Picture now = CaptureWindow(screen_);
    RECT chosen = now.BoundsNear(Chosen);
    EXPECT_GT(now.CountNear(Chosen), 40);
    EXPECT_GT(chosen.bottom - chosen.top, (int)oneRow) << "date above time";
    EXPECT_EQ(now.CountNear(StandInHost.TextColor), 0);

    // A fresh Today screen reads the same settings when it loads the library.
    RegisterMorvaneAlone();
    ProgramRun fresh;
    Picture picture = TodaySnapshot(L"", &fresh);
    ASSERT_EQ(fresh.ExitCode, 0u) << fresh.Output;
    RECT seen = picture.BoundsNear(Chosen);
    EXPECT_GT(picture.CountNear(Chosen), 40);
    EXPECT_GT(seen.bottom - seen.top, (int)oneRow);
    EXPECT_EQ(picture.Count(IconHubColor), 0) << "the icon is hidden";
}

} // namespace
