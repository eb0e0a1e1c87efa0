// The Format dialog: its lists at opening, picks that take effect at once, typed formats on Done.
#include "platform/platform.h"
#include "item/module.h"
#include "options/format_dialog.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/options.h"
#include "tests/support/formats.h"

namespace {

using Format = OptionsTest;

INT_PTR RunFormat() {
    return RunModuleDialog(IDD_FORMAT, NULL, FormatDlgProc);
}

// The formats as the dialog finds them: stored, the seconds rule applied.
void SetStoredFormats(const wchar_t* time, const wchar_t* date) {
    SetFormats(time, date);
    ApplySecondsRule();
}

TEST_F(Format, ListsHoldThePresetsAndACurrentFormatThatIsNoneOfThem) {
    struct Case {
        const wchar_t* Time;
        const wchar_t* Date;
        size_t TimeEntries;
        int TimeSelected;
        size_t DateEntries;
        int DateSelected;
    } cases[] = {
        {L"HH:mm:ss", L"M/d", 8, 4, 12, 0},
        {L"h:mm:ss TT", L"W, MMMM d, yyyy", 8, 7, 12, 11},
        {L"hh:MM", L"m/d", 9, 0, 13, 0}, // letter case counts
        {L"", L"yyyy IN d", 9, 0, 12, 9},
    };
    for (const Case& c : cases) {
        SetStoredFormats(c.Time, c.Date);
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_FORMAT_TIME, [&](DriveDialog& d) {
            EXPECT_EQ(d.ShellFlags(), FullScreenWithDone);
            std::vector<std::wstring> times = d.Entries(IDC_FORMAT_TIME);
            std::vector<std::wstring> dates = d.Entries(IDC_FORMAT_DATE);
            ASSERT_EQ(times.size(), c.TimeEntries);
            ASSERT_EQ(dates.size(), c.DateEntries);
            EXPECT_EQ(times.back(), TimeFormatPresets[TimePresetCount - 1]);
            EXPECT_EQ(dates[dates.size() - DatePresetCount], DateFormatPresets[0]);
            EXPECT_EQ(d.Selection(IDC_FORMAT_TIME), c.TimeSelected);
            EXPECT_EQ(d.Selection(IDC_FORMAT_DATE), c.DateSelected);
            EXPECT_EQ(d.Text(IDC_FORMAT_TIME), c.Time);
            EXPECT_EQ(d.Text(IDC_FORMAT_DATE), c.Date);
            d.Done();
        });
        EXPECT_TRUE(DoneAndStored(RunFormat(), -1)) << "Done without a change writes nothing";
    }
}

TEST_F(Format, TheDisplayTypeEnablesItsFormatBoxes) {
    struct Case {
        int DispType;
        bool Time, Date;
    } cases[] = {{0, true, false},
                 {1, false, true},
                 {2, true, true},
                 {3, true, true},
                 {7, true, true}}; // an unknown type leaves both as the template has them
    for (const Case& c : cases) {
        ClockSettings.DispType = c.DispType;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_FORMAT_TIME, [&](DriveDialog& d) {
            EXPECT_EQ(d.Enabled(IDC_FORMAT_TIME), c.Time) << c.DispType;
            EXPECT_EQ(d.Enabled(IDC_FORMAT_DATE), c.Date) << c.DispType;
            d.Done();
        });
        EXPECT_EQ(RunFormat(), 1);
        EXPECT_STREQ(ClockSettings.TimeFormat, L"HH:mm") << "a disabled box compares equal";
        EXPECT_STREQ(ClockSettings.DateFormat, L"M/d");
    }
}

TEST_F(Format, APickTakesEffectAtOnceAndDoneSavesIt) {
    ClockSettings.DispType = 2;
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_FORMAT_TIME, [](DriveDialog& d) {
        d.Pick(IDC_FORMAT_TIME, L"H:mm:ss");
        EXPECT_STREQ(ClockSettings.TimeFormat, L"H:mm:ss");
        EXPECT_EQ(ShowSeconds, 1);
        EXPECT_EQ(SettingsDirty, 1);
        EXPECT_EQ(d.Text(IDC_PREVIEW_LINE1), L"1:02:03 4/5 ");

        d.Pick(IDC_FORMAT_DATE, L"dd-MMM-yy");
        EXPECT_EQ(ShowSeconds, 1) << "a date pick leaves the seconds alone";
        EXPECT_EQ(d.Text(IDC_PREVIEW_LINE1), L"1:02:03 05-Apr-09 ");

        d.Pick(IDC_FORMAT_TIME, L"HH:mm");
        EXPECT_EQ(ShowSeconds, 0);
        d.Done();
    });
    EXPECT_EQ(RunFormat(), 1);
    EXPECT_EQ(SettingsDirty, 0);
    LoadedSettings fresh = LoadInFreshProcess();
    EXPECT_STREQ(fresh.Record.TimeFormat, L"HH:mm");
    EXPECT_STREQ(fresh.Record.DateFormat, L"dd-MMM-yy");
}

TEST_F(Format, TypedTextCountsOnlyOnDone) {
    struct Case {
        const wchar_t* Typed;
        const wchar_t* Stored;
        int Seconds;
    } cases[] = {
        {L"H.mm s", L"H.mm s", 1}, // a lone s is printed as a letter, but still ticks
        {L"HH:mm:SS", L"HH:mm:SS", 0},
        {L"", L"", 0},
        // The box scrolls, so a format far wider than it is typed whole; of 70 units, 63 are kept.
        {L"HH:mm:ss tt | hh:mm TT | H:mm:ss | hh:mm", L"HH:mm:ss tt | hh:mm TT | H:mm:ss | hh:mm",
         1},
        {L"0123456789012345678901234567890123456789012345678901234567890123456789",
         L"012345678901234567890123456789012345678901234567890123456789012", 0},
    };
    for (const Case& c : cases) {
        SetStoredFormats(L"HH:mm", L"M/d");
        SettingsDirty = 0;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_FORMAT_TIME, [&](DriveDialog& d) {
            d.Type(IDC_FORMAT_TIME, c.Typed);
            EXPECT_STREQ(ClockSettings.TimeFormat, L"HH:mm") << "not before Done";
            EXPECT_EQ(SettingsDirty, 0);
            d.Done();
        });
        EXPECT_EQ(RunFormat(), 1);
        EXPECT_STREQ(ClockSettings.TimeFormat, c.Stored);
        EXPECT_EQ(ShowSeconds, c.Seconds) << "typed " << testing::PrintToString(c.Typed);
        EXPECT_EQ(LoadInFreshProcess().Record.TimeFormat, std::wstring(c.Stored));
    }
}

} // namespace
