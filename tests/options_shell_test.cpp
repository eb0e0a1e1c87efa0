// The shell's dialog preparation as it stands in here: the device-sized dialog, its Done control,
// and the flags it remembers; and the templates' captions in the dialog font of the prefix.
#include "platform/platform.h"
#include "platform/screen_resolution.h"
#include "platform/scaling.h"
#include "item/module.h"
#include "options/options_dialog.h"
#include "platform/shell_dialog.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/options.h"
#include "tests/support/text.h"

namespace {

INT_PTR CALLBACK PlainDlgProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

int Scaled(int pixels, int index) {
    return ScaleRound(pixels, ScreenResolution(index, ReferenceDpi), ReferenceDpi);
}

TEST(ShellDialog, FlagsDecideTheSizeAndTheDoneControl) {
    const int FullScreen = DeviceScreenHeight - DeviceNavBarHeight; // below the navigation bar
    struct Case {
        DWORD Mask, Flags;
        int Height; // device pixels at 96 dpi; 0: the template's own size
        bool Done;
        DWORD Remembered;
    } cases[] = {
        {SHIDIM_FLAGS, FullScreenWithDone, FullScreen, true, FullScreenWithDone},
        {SHIDIM_FLAGS, FullScreenWithDoneAndEmptyMenu, FullScreen, true,
         FullScreenWithDoneAndEmptyMenu},
        {SHIDIM_FLAGS, SHIDIF_SIZEDLG, FullScreen - DeviceMenuBarHeight, false, SHIDIF_SIZEDLG},
        {SHIDIM_FLAGS, SHIDIF_SIPDOWN, 0, false, SHIDIF_SIPDOWN},
        {0, FullScreenWithDone, 0, false, 0}, // the flags are not marked valid
    };
    for (const Case& c : cases) {
        HWND dialog =
            CreateDialogParamW(ModuleInstance, MAKEINTRESOURCEW(IDD_FORMAT), NULL, PlainDlgProc, 0);
        ASSERT_NE(dialog, nullptr);
        RECT before;
        GetWindowRect(dialog, &before);
        SHINITDLGINFO info = {c.Mask, dialog, c.Flags};
        EXPECT_TRUE(SHInitDialog(&info));
        RECT after;
        GetWindowRect(dialog, &after);
        if (c.Height) {
            EXPECT_EQ(after.right - after.left, Scaled(DeviceScreenWidth, LOGPIXELSX)) << c.Flags;
            EXPECT_EQ(after.bottom - after.top, Scaled(c.Height + DeviceNavBarHeight, LOGPIXELSY) -
                                                    Scaled(DeviceNavBarHeight, LOGPIXELSY));
        } else {
            EXPECT_TRUE(EqualRect(&before, &after)) << c.Flags;
        }
        HWND done = GetDlgItem(dialog, IDOK);
        EXPECT_EQ(done != NULL, c.Done) << c.Flags;
        if (done) {
            RECT client, button;
            GetClientRect(dialog, &client);
            GetWindowRect(done, &button);
            MapWindowPoints(NULL, dialog, (POINT*)&button, 2);
            EXPECT_TRUE(GetWindowLongW(done, GWL_STYLE) & WS_VISIBLE);
            EXPECT_GE(button.left, 0);
            EXPECT_LE(button.right, client.right);
            EXPECT_LE(button.bottom, client.bottom);
            EXPECT_GT(button.top, Scaled(110, LOGPIXELSY)) << "below the template's controls";
        }
        DWORD remembered = 0;
        EXPECT_TRUE(ShellDialogFlags(dialog, &remembered));
        EXPECT_EQ(remembered, c.Remembered);
        DestroyWindow(dialog);
    }
    SHINITDLGINFO none = {SHIDIM_FLAGS, NULL, FullScreenWithDone};
    EXPECT_FALSE(SHInitDialog(&none));
    EXPECT_FALSE(SHInitDialog(NULL));
}

TEST(ShellDialog, DoneAndTheEnterKeyEndTheDialogWithOk) {
    for (bool key : {false, true}) {
        DeleteSettingsKey();
        DialogDriver driver;
        driver.Then(L"Dialog", IDC_OPTIONS_LAYOUT, [&](DriveDialog& d) {
            EXPECT_EQ(d.Text(IDOK), L"Done");
            if (!key) {
                d.Done();
                return;
            }
            SetFocus(d.Control(IDC_OPTIONS_FORMAT));
            PostMessageW(d.Control(IDC_OPTIONS_DISPPOS), WM_KEYDOWN, VK_RETURN, 0);
        });
        EXPECT_EQ(RunModuleDialog(IDD_OPTIONS, NULL, CustomItemOptionsDlgProc), 1);
    }
}

// Every caption of every template fits its control in the control's own font, as laid out for the
// device's Tahoma: static texts across their client width, push buttons within their edges, check
// boxes beside their box (text starts 4 pixels after it, as the platform's button draws it). A
// check box with no room beside its box (Select Font's Bold and Italic) shows the box alone and has
// no caption to fit.
TEST(Templates, EveryCaptionFitsItsControl) {
    const int templates[] = {IDD_FORMAT,      IDD_FONTS,   IDD_ABOUT,
                             IDD_ICON_OPTION, IDD_OPTIONS, IDD_SELECT_FONT};
    const int beside = GetSystemMetrics(SM_CXMENUCHECK) + 4;
    int measured = 0;
    for (int id : templates) {
        HWND dialog =
            CreateDialogParamW(ModuleInstance, MAKEINTRESOURCEW(id), NULL, PlainDlgProc, 0);
        ASSERT_NE(dialog, nullptr) << id;
        for (HWND child = GetWindow(dialog, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            WCHAR text[64] = {};
            WCHAR kind[16] = {};
            GetWindowTextW(child, text, 64);
            GetClassNameW(child, kind, 16);
            LONG style = GetWindowLongW(child, GWL_STYLE);
            bool isStatic = lstrcmpiW(kind, L"Static") == 0;
            if (!text[0] || (!isStatic && lstrcmpiW(kind, L"Button") != 0) ||
                (isStatic && (style & SS_TYPEMASK) == SS_ICON))
                continue;
            RECT room;
            GetClientRect(child, &room);
            LONG type = style & BS_TYPEMASK;
            if (!isStatic && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX))
                room.right -= beside;
            else if (!isStatic)
                room.right -= 2 * GetSystemMetrics(SM_CXEDGE); // a push button's raised edges
            if (room.right <= 0)
                continue;
            HDC dc = GetDC(child);
            HGDIOBJ previous = SelectObject(dc, (HFONT)SendMessageW(child, WM_GETFONT, 0, 0));
            RECT extent = {0, 0, 0, 0};
            DrawTextW(dc, text, -1, &extent, DT_CALCRECT | DT_SINGLELINE);
            SelectObject(dc, previous);
            ReleaseDC(child, dc);
            EXPECT_LE(extent.right, room.right)
                << "template " << id << ": \"" << Utf8(text) << "\" is cut";
            ++measured;
        }
        DestroyWindow(dialog);
    }
    EXPECT_GE(measured, 20) << "the templates' captions were found";
}

} // namespace
