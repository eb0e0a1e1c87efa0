// The settings page: its lists, the flags each pick raises, the preview, the sub-dialogs, and
// saving on Done.
#include "platform/platform.h"
#include "item/module.h"
#include "options/options_dialog.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/options.h"

namespace {

using Options = OptionsTest;

INT_PTR RunOptions() {
    return RunModuleDialog(IDD_OPTIONS, NULL, CustomItemOptionsDlgProc);
}

TEST_F(Options, OpensWithTheStoredValuesSelectedAndThePreviewFilled) {
    ClockSettings.Layout = LayoutStack;
    ClockSettings.DispType = 3;
    ClockSettings.DispPos = DispPosRight;
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [](DriveDialog& d) {
        EXPECT_EQ(d.ShellFlags(), FullScreenWithDone);
        EXPECT_EQ(d.Entries(IDC_OPTIONS_LAYOUT), (std::vector<std::wstring>{L"Flat", L"Stack"}));
        EXPECT_EQ(d.Entries(IDC_OPTIONS_DISPTYPE),
                  (std::vector<std::wstring>{L"Time", L"Date", L"Time Date", L"Date Time"}));
        EXPECT_EQ(d.Entries(IDC_OPTIONS_DISPPOS),
                  (std::vector<std::wstring>{L"Left", L"Center", L"Right"}));
        EXPECT_EQ(d.SelectedText(IDC_OPTIONS_LAYOUT), L"Stack");
        EXPECT_EQ(d.SelectedText(IDC_OPTIONS_DISPTYPE), L"Date Time");
        EXPECT_EQ(d.SelectedText(IDC_OPTIONS_DISPPOS), L"Right");
        EXPECT_EQ(d.Text(IDC_PREVIEW_LINE1), L"4/5 ");
        EXPECT_EQ(d.Text(IDC_PREVIEW_LINE2), L"01:02 ");
        d.Done();
    });
    EXPECT_TRUE(DoneAndStored(RunOptions(), -1)) << "nothing changed, nothing written";
}

TEST_F(Options, EachPickStoresItsIndexAndRaisesItsFlags) {
    struct Case {
        int StartLayout;
        int List;
        const wchar_t* Entry;
        int Layout, DispType, DispPos, Metrics;
        const wchar_t* Line1;
    } cases[] = {
        {LayoutFlat, IDC_OPTIONS_LAYOUT, L"Stack", LayoutStack, 0, 0, 1, L"01:02 "},
        {LayoutStack, IDC_OPTIONS_LAYOUT, L"Flat", LayoutFlat, 0, 0, 1, L"01:02 "},
        {LayoutFlat, IDC_OPTIONS_DISPTYPE, L"Date Time", LayoutFlat, 3, 0, 0, L"4/5 01:02 "},
        {LayoutStack, IDC_OPTIONS_DISPTYPE, L"Date Time", LayoutStack, 3, 0, 1, L"4/5 "},
        {LayoutStack, IDC_OPTIONS_DISPTYPE, L"Time", LayoutStack, 0, 0, 1, L"01:02 "},
        {LayoutFlat, IDC_OPTIONS_DISPPOS, L"Right", LayoutFlat, 0, 2, 0, L"01:02 "},
        {LayoutFlat, IDC_OPTIONS_DISPPOS, L"Left", LayoutFlat, 0, 0, 0, L"01:02 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "list " << c.List << " entry " << c.Entry);
        DeleteSettingsKey();
        ClockSettings.Layout = c.StartLayout;
        ClockSettings.DispType = 0;
        ClockSettings.DispPos = 0;
        SettingsDirty = 0;
        MetricsDirty = 0;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [&](DriveDialog& d) {
            SetDlgItemTextW(d.Window(), IDC_PREVIEW_LINE1, L"stale");
            d.Pick(c.List, c.Entry);
            EXPECT_EQ(SettingsDirty, 1) << "also when the value was already stored";
            EXPECT_EQ(MetricsDirty, c.Metrics);
            EXPECT_EQ(d.Text(IDC_PREVIEW_LINE1), c.Line1) << "the preview is refreshed";
            d.Done();
        });
        EXPECT_EQ(RunOptions(), 1);
        EXPECT_EQ(ClockSettings.Layout, c.Layout);
        EXPECT_EQ(ClockSettings.DispType, c.DispType);
        EXPECT_EQ(ClockSettings.DispPos, c.DispPos);
        EXPECT_EQ(SettingsDirty, 0) << "Done saved";
        EXPECT_EQ(CountSettingsValues(), 12);
    }
}

TEST_F(Options, OtherNotificationsAndEmptySelectionsChangeNothing) {
    ClockSettings.DispType = 7; // only a hand-edited registry holds this
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [](DriveDialog& d) {
        EXPECT_EQ(d.Selection(IDC_OPTIONS_DISPTYPE), -1) << "the list refuses the index";
        EXPECT_EQ(d.Text(IDC_PREVIEW_LINE1), L"01:02 ") << "shows the time alone";
        EXPECT_EQ(d.Command(IDC_OPTIONS_DISPTYPE, CBN_SELCHANGE), 0);
        SendDlgItemMessageW(d.Window(), IDC_OPTIONS_LAYOUT, CB_SETCURSEL, 1, 0);
        EXPECT_EQ(d.Command(IDC_OPTIONS_LAYOUT, CBN_DROPDOWN), 0);
        EXPECT_EQ(d.Command(IDCANCEL, BN_CLICKED), 0);
        EXPECT_TRUE(d.IsOpen()) << "there is no Cancel";
        EXPECT_EQ(SettingsDirty, 0);
        EXPECT_EQ(MetricsDirty, 0);
        d.Done();
    });
    EXPECT_EQ(RunOptions(), 1);
    EXPECT_EQ(ClockSettings.DispType, 7);
    EXPECT_EQ(ClockSettings.Layout, LayoutFlat);
}

TEST_F(Options, DoneAfterAChangeStoresExactlyTheTwelveValues) {
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [](DriveDialog& d) {
        d.Pick(IDC_OPTIONS_DISPPOS, L"Center");
        d.Done();
    });
    EXPECT_EQ(RunOptions(), 1);
    EXPECT_EQ(CountSettingsValues(), 12);
    LoadedSettings fresh = LoadInFreshProcess();
    EXPECT_TRUE(SameBytes(&fresh.Record, &ClockSettings, sizeof ClockSettings));
    EXPECT_EQ(fresh.Record.DispPos, DispPosCenter);
}

// A save that failed leaves SettingsDirty set; opening the page again keeps it, so its Done
// writes the change the item already shows.
TEST_F(Options, AFailedSaveIsRetriedByTheNextOpening) {
    {
        SettingsKeyLocked locked;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [](DriveDialog& d) {
            d.Pick(IDC_OPTIONS_LAYOUT, L"Stack");
            d.Done();
        });
        EXPECT_EQ(RunOptions(), 1);
        EXPECT_EQ(SettingsDirty, 1);
    }
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [](DriveDialog& d) {
        EXPECT_EQ(SettingsDirty, 1);
        d.Done();
    });
    EXPECT_EQ(RunOptions(), 1);
    EXPECT_EQ(SettingsDirty, 0);
    EXPECT_EQ(LoadInFreshProcess().Record.Layout, LayoutStack);
}

TEST_F(Options, OnlyClosingTheFormatDialogRefreshesThePreview) {
    struct Case {
        int Button;
        int Marker;
        bool Refreshed;
    } cases[] = {
        {IDC_OPTIONS_FORMAT, IDC_FORMAT_TIME, true},
        {IDC_OPTIONS_FONTS, IDC_FONTS_MODE, false},
        {IDC_OPTIONS_ICON, IDC_ICON_HIDE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.Button);
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [&](DriveDialog& d) {
            SetDlgItemTextW(d.Window(), IDC_PREVIEW_LINE1, L"stale");
            d.Click(c.Button);
            EXPECT_EQ(d.Text(IDC_PREVIEW_LINE1), c.Refreshed ? L"01:02 " : L"stale");
            d.Done();
        });
        driver.Then(L"Dialog", c.Marker, [](DriveDialog& d) { d.Done(); });
        EXPECT_EQ(RunOptions(), 1);
    }
}

} // namespace
