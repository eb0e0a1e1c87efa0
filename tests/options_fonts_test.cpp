// The Fonts and colour dialog: font modes, the two Font... buttons, and the colour chooser.
#include "platform/platform.h"
#include "item/module.h"
#include "options/fonts_dialog.h"
#include "options/select_font_dialog.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/options.h"

#include <colordlg.h>
#include <stddef.h>

namespace {

using Fonts = OptionsTest;

INT_PTR RunFonts() {
    return RunModuleDialog(IDD_FONTS, NULL, FontsDlgProc);
}

const LOGFONTW TimeFace = MakeFont(L"DejaVu Serif", -21, 700);
const LOGFONTW DateFace = MakeFont(L"VL Gothic", -13, 400);

TEST_F(Fonts, TheModeSelectsItsEntryAndEnablesItsButtons) {
    struct Case {
        int FontSel;
        bool Time, Date;
    } cases[] = {{0, false, false}, {1, true, false}, {2, true, true}};
    for (const Case& c : cases) {
        ClockSettings.FontSel = c.FontSel;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_FONTS_MODE, [&](DriveDialog& d) {
            EXPECT_EQ(d.ShellFlags(), FullScreenWithDone);
            EXPECT_EQ(
                d.Entries(IDC_FONTS_MODE),
                (std::vector<std::wstring>{L"Use default font", L"Use same font for time/date",
                                           L"Use different font for time/date"}));
            EXPECT_EQ(d.Selection(IDC_FONTS_MODE), c.FontSel);
            EXPECT_EQ(d.Enabled(IDC_FONTS_TIME_FONT), c.Time) << c.FontSel;
            EXPECT_EQ(d.Enabled(IDC_FONTS_DATE_FONT), c.Date) << c.FontSel;
            EXPECT_FALSE(d.Enabled(IDC_FONTS_COLOR)) << "no colour of its own yet";
            d.Done();
        });
        EXPECT_EQ(RunFonts(), 1);
        EXPECT_EQ(CountSettingsValues(), -1) << "Done without a change writes nothing";
    }
}

TEST_F(Fonts, PickingAModeAppliesItAtOnce) {
    const LOGFONTW system = SystemFontRecord();
    struct Case {
        const wchar_t* Entry;
        const LOGFONTW* Time;
        const LOGFONTW* Date;
        bool TimeButton, DateButton;
    } cases[] = {
        {L"Use same font for time/date", &TimeFace, &TimeFace, true, false},
        {L"Use default font", &system, &system, false, false},
        {L"Use different font for time/date", &TimeFace, &DateFace, true, true},
    };
    for (const Case& c : cases) {
        ClockSettings.FontSel = FontSelDifferent;
        ClockSettings.TimeFont = TimeFace;
        ClockSettings.DateFont = DateFace;
        SettingsDirty = MetricsDirty = 0;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_FONTS_MODE, [&](DriveDialog& d) {
            d.Pick(IDC_FONTS_MODE, c.Entry);
            EXPECT_TRUE(SameBytes(&ClockSettings.TimeFont, c.Time, sizeof(LOGFONTW)));
            EXPECT_TRUE(SameBytes(&ClockSettings.DateFont, c.Date, sizeof(LOGFONTW)));
            EXPECT_EQ(SettingsDirty, 1);
            EXPECT_EQ(MetricsDirty, 1);
            EXPECT_EQ(d.Enabled(IDC_FONTS_TIME_FONT), c.TimeButton);
            EXPECT_EQ(d.Enabled(IDC_FONTS_DATE_FONT), c.DateButton);
            EXPECT_EQ(d.SelectedText(IDC_FONTS_MODE), c.Entry);
            d.Done();
        });
        EXPECT_TRUE(DoneAndStored(RunFonts(), 12));
    }
}

TEST_F(Fonts, TheColourBoxFlipsUseColorAndCancelIsIgnored) {
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_FONTS_MODE, [](DriveDialog& d) {
        d.Click(IDC_FONTS_USE_COLOR);
        EXPECT_EQ(ClockSettings.UseColor, 1);
        EXPECT_TRUE(d.Checked(IDC_FONTS_USE_COLOR));
        EXPECT_TRUE(d.Enabled(IDC_FONTS_COLOR));
        d.Click(IDC_FONTS_USE_COLOR);
        EXPECT_EQ(ClockSettings.UseColor, 0);
        EXPECT_FALSE(d.Enabled(IDC_FONTS_COLOR));
        EXPECT_EQ(SettingsDirty, 1) << "two clicks still count";

        EXPECT_EQ(d.Command(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(d.IsOpen());
        d.Done();
    });
    EXPECT_TRUE(DoneAndStored(RunFonts(), 12));
}

// The chooser opens on the current colour; OK stores the one chosen, with the custom colours it
// added, and Cancel changes nothing.
TEST_F(Fonts, AColourChosenIsStoredWithTheCustomColoursAndACancelledOneChangesNothing) {
    const COLORREF current = RGB(0x56, 0x34, 0x12), chosen = RGB(10, 200, 30);
    for (bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "OK" : "Cancel");
        ClockSettings.UseColor = 1;
        ClockSettings.TextColor = current;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_FONTS_MODE, [&](DriveDialog& d) {
            d.Click(IDC_FONTS_COLOR);
            EXPECT_EQ(ClockSettings.TextColor, confirm ? chosen : current);
            EXPECT_EQ(SettingsDirty, confirm ? 1 : 0);
            d.Done();
        });
        driver.Then(L"Color", [&](DriveDialog& d) {
            EXPECT_EQ(d.ColorShown(), current) << "opens on the current colour";
            if (confirm) {
                d.PickColor(chosen, true);
                return;
            }
            d.Type(COLOR_RED, L"255");
            d.Cancel();
        });
        INT_PTR result = RunFonts();
        if (!confirm) {
            EXPECT_TRUE(DoneAndStored(result, -1));
            continue;
        }
        EXPECT_EQ(result, 1);
        LoadedSettings fresh = LoadInFreshProcess();
        EXPECT_EQ(fresh.Record.TextColor, chosen);
        EXPECT_EQ(fresh.Record.CustColors[0], chosen);
        EXPECT_EQ(fresh.Record.UseColor, 1);
        DeleteSettingsKey();
    }
}

TEST_F(Fonts, AFontChosenFollowsTheMode) {
    struct Case {
        int FontSel;
        int Button;
        bool TimeChanges, DateChanges;
    } cases[] = {
        {FontSelSame, IDC_FONTS_TIME_FONT, true, true},
        {FontSelDifferent, IDC_FONTS_DATE_FONT, false, true},
        {FontSelDifferent, IDC_FONTS_TIME_FONT, true, false},
    };
    for (const Case& c : cases) {
        ClockSettings.FontSel = c.FontSel;
        ClockSettings.TimeFont = TimeFace;
        ClockSettings.DateFont = c.FontSel == FontSelSame ? TimeFace : DateFace;
        const LOGFONTW dateBefore = ClockSettings.DateFont;
        SettingsDirty = MetricsDirty = 0;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_FONTS_MODE, [&](DriveDialog& d) {
            d.Click(c.Button);
            d.Done();
        });
        driver.Then(L"Select Font", IDC_SELECT_FONT_NAME, [](DriveDialog& d) {
            d.Pick(IDC_SELECT_FONT_NAME, L"DejaVu Sans Mono");
            d.Pick(IDC_SELECT_FONT_SIZE, L"20");
            d.Done();
        });
        EXPECT_EQ(RunFonts(), 1);
        const LOGFONTW& changed =
            c.Button == IDC_FONTS_TIME_FONT ? ClockSettings.TimeFont : ClockSettings.DateFont;
        EXPECT_STREQ(changed.lfFaceName, L"DejaVu Sans Mono");
        EXPECT_EQ(changed.lfHeight, -27);
        EXPECT_EQ(SameBytes(&ClockSettings.TimeFont, &TimeFace, sizeof TimeFace), !c.TimeChanges);
        EXPECT_EQ(SameBytes(&ClockSettings.DateFont, &dateBefore, sizeof dateBefore),
                  !c.DateChanges);
        EXPECT_EQ(MetricsDirty, 1);
        EXPECT_EQ(CountSettingsValues(), 12);
    }
}

TEST_F(Fonts, ACancelledFontChangesNothing) {
    ClockSettings.FontSel = FontSelDifferent;
    ClockSettings.TimeFont = TimeFace;
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_FONTS_MODE, [](DriveDialog& d) {
        d.Click(IDC_FONTS_TIME_FONT);
        d.Done();
    });
    driver.Then(L"Select Font", IDC_SELECT_FONT_NAME, [](DriveDialog& d) {
        d.Pick(IDC_SELECT_FONT_SIZE, L"30");
        d.Cancel();
    });
    EXPECT_EQ(RunFonts(), 1);
    EXPECT_TRUE(SameBytes(&ClockSettings.TimeFont, &TimeFace, sizeof TimeFace));
    EXPECT_EQ(SettingsDirty, 0);
    EXPECT_EQ(MetricsDirty, 0);
}

// The two requests the dialog builds: the colour chooser takes only its own size, and the font
// request is the platform's CHOOSEFONT field for field (60 bytes on the device's width).
TEST(FontsRequests, RecordsHaveThePlatformsLayoutOnThisWidth) {
    const bool narrow = sizeof(void*) == 4;
    EXPECT_EQ(sizeof(CHOOSECOLOR), narrow ? 36u : 72u);
    EXPECT_EQ(sizeof(FontRequest), narrow ? 60u : 104u);
    EXPECT_EQ(sizeof(FontRequest), sizeof(CHOOSEFONT));
    const size_t fields[][2] = {
        {offsetof(FontRequest, hwndOwner), offsetof(CHOOSEFONT, hwndOwner)},
        {offsetof(FontRequest, lpLogFont), offsetof(CHOOSEFONT, lpLogFont)},
        {offsetof(FontRequest, Flags), offsetof(CHOOSEFONT, Flags)},
        {offsetof(FontRequest, hInstance), offsetof(CHOOSEFONT, hInstance)},
        {offsetof(FontRequest, nFontType), offsetof(CHOOSEFONT, nFontType)},
        {offsetof(FontRequest, nSizeMax), offsetof(CHOOSEFONT, nSizeMax)},
    };
    for (const auto& field : fields)
        EXPECT_EQ(field[0], field[1]);
    EXPECT_EQ(FontRequestScreenFonts, CF_SCREENFONTS);
    EXPECT_EQ(FontRequestInitToLogFont, CF_INITTOLOGFONTSTRUCT);
}

} // namespace
