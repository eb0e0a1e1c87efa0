// The icon option dialog and the About dialog it opens.
#include "platform/platform.h"
#include "item/module.h"
#include "options/about_dialog.h"
#include "options/icon_option_dialog.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/options.h"

namespace {

using IconOption = OptionsTest;

INT_PTR RunIconOption() {
    return RunModuleDialog(IDD_ICON_OPTION, NULL, IconOptionDlgProc);
}

TEST_F(IconOption, DoneStoresTheChoiceAndCancelDropsIt) {
    struct Case {
        int Hidden;
        bool Click, Cancel;
        int DirtyBefore;
        INT_PTR Result;
        int HiddenAfter;
        int ValuesStored; // -1: the key was never written
    } cases[] = {
        {0, true, false, 0, 1, 1, 12},  {1, true, false, 0, 1, 0, 12},
        {1, false, false, 0, 1, 1, -1}, {1, false, false, 1, 1, 1, 12}, // saves another's change
        {0, true, true, 0, 2, 0, -1},   {0, true, true, 1, 2, 0, -1},
    };
    for (const Case& c : cases) {
        DeleteSettingsKey();
        ClockSettings.HiddenIcon = c.Hidden;
        SettingsDirty = c.DirtyBefore;
        MetricsDirty = 0;
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_ICON_HIDE, [&](DriveDialog& d) {
            EXPECT_EQ(d.ShellFlags(), FullScreenWithDoneAndEmptyMenu);
            EXPECT_EQ(d.Checked(IDC_ICON_HIDE), c.Hidden != 0);
            if (c.Click)
                d.Click(IDC_ICON_HIDE);
            EXPECT_EQ(ClockSettings.HiddenIcon, c.Hidden) << "nothing changes before Done";
            if (c.Cancel)
                d.Cancel();
            else
                d.Done();
        });
        EXPECT_EQ(RunIconOption(), c.Result);
        EXPECT_EQ(ClockSettings.HiddenIcon, c.HiddenAfter);
        EXPECT_EQ(SettingsDirty, c.Cancel ? c.DirtyBefore : 0);
        EXPECT_EQ(MetricsDirty, 0) << "the icon does not change the item's height";
        EXPECT_EQ(CountSettingsValues(), c.ValuesStored);
    }
}

TEST_F(IconOption, AFailedSaveKeepsTheChoiceAndTheFlag) {
    SettingsKeyLocked locked;
    DialogDriver driver;
    driver.Then(L"Dialog", IDC_ICON_HIDE, [](DriveDialog& d) {
        d.Click(IDC_ICON_HIDE);
        d.Done();
    });
    EXPECT_EQ(RunIconOption(), 1);
    EXPECT_EQ(ClockSettings.HiddenIcon, 1);
    EXPECT_EQ(SettingsDirty, 1);
}

TEST_F(IconOption, AboutShowsTheProductAndEndsOnDoneOrClose) {
    for (bool close : {false, true}) {
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_ICON_HIDE, [](DriveDialog& d) {
            d.Click(IDC_ICON_ABOUT);
            d.Done();
        });
        driver.Then(L"About Morvane", [&](DriveDialog& d) {
            EXPECT_EQ(d.ShellFlags(), FullScreenWithDoneAndEmptyMenu);
            HWND icon = NULL;
            for (HWND child = GetWindow(d.Window(), GW_CHILD); child;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    icon = child;
            }
            EXPECT_NE(icon, nullptr);
            EXPECT_NE(SendMessageW(icon, STM_GETICON, 0, 0), 0) << "icon 2 is loaded";
            EXPECT_EQ(d.Command(IDCANCEL, BN_CLICKED), 0);
            EXPECT_EQ(d.Command(IDC_ICON_HIDE, BN_CLICKED), 0);
            EXPECT_TRUE(d.IsOpen());
            if (close)
                d.Close();
            else
                d.Done();
        });
        EXPECT_EQ(RunIconOption(), 1);
    }
}

INT_PTR CALLBACK IdleDlgProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

TEST_F(IconOption, AboutCarriesTheNoticeWithItsCopyrightSign) {
    HWND about =
        CreateDialogParamW(ModuleInstance, MAKEINTRESOURCEW(IDD_ABOUT), NULL, IdleDlgProc, 0);
    ASSERT_NE(about, nullptr);
    std::vector<std::wstring> lines;
    for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        WCHAR text[64] = {};
        GetWindowTextW(child, text, 64);
        lines.push_back(text);
    }
    DestroyWindow(about);
    EXPECT_EQ(lines,
              (std::vector<std::wstring>{L"Morvane v1.8", L"\u00A9 2026 Morvane developers"}));
}

} // namespace
