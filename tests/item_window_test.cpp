// The item window: the seconds timer, the host-drawn background, invalidation on size, the class
// that module attach registers, export 240 and running the module's dialogs.
#include "platform/platform.h"
#include "resources/resource.h"
#include "tests/support/item.h"

namespace {

enum { TestDialogId = 990, TestDialogResult = 42 };

// Waits up to the given time for a timer message for the window, leaving it queued.
bool TimerArrives(HWND window, DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        if (PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_NOREMOVE))
            return true;
        Sleep(20);
    }
    return false;
}

class ItemWindowTest : public ItemTest {};

TEST_F(ItemWindowTest, SecondsTimerRunsOnlyWhileSecondsAreShown) {
    UseTimeFormat(L"HH:mm");
    HWND plain = MakeItem();
    EXPECT_FALSE(TimerArrives(plain, 1500));

    UseTimeFormat(L"HH:mm:ss");
    HWND ticking = MakeItem();
    ASSERT_TRUE(TimerArrives(ticking, 1500));

    // Seconds dropped while the window lives: the next tick still redraws, then the timer stops.
    UseTimeFormat(L"HH:mm");
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, ticking, WM_TIMER, WM_TIMER, PM_REMOVE));
    ValidateRect(ticking, NULL);
    DispatchMessageW(&message);
    RECT update, client;
    ASSERT_TRUE(GetUpdateRect(ticking, &update, FALSE));
    GetClientRect(ticking, &client);
    EXPECT_TRUE(EqualRect(&update, &client));
    EXPECT_FALSE(TimerArrives(ticking, 1500));
}

TEST_F(ItemWindowTest, BackgroundIsTheHostsWatermark) {
    HWND item = MakeItem();
    HDC memory = CreateCompatibleDC(NULL);
    StandInHost.WatermarkRequests = 0;
    EXPECT_EQ(1, SendMessageW(item, WM_ERASEBKGND, (WPARAM)memory, 0));
    EXPECT_EQ(1, StandInHost.WatermarkRequests);
    EXPECT_EQ(memory, StandInHost.LastWatermark.hdc);
    EXPECT_EQ(item, StandInHost.LastWatermark.hwnd);
    RECT client;
    GetClientRect(item, &client);
    EXPECT_TRUE(EqualRect(&client, &StandInHost.LastWatermark.rc));
    DeleteDC(memory);

    Picture c = CaptureItem(item);
    EXPECT_EQ(StandInHost.Watermark, c.At(c.Width - 1, c.Height - 1))
        << "no white class brush shows";
}

TEST_F(ItemWindowTest, ResizeRedrawsTheWholeItemWhereverItSits) {
    HWND item = MakeItem();
    SetWindowPos(item, NULL, 30, 150, 200, 40, SWP_NOZORDER);
    ValidateRect(item, NULL);
    SetWindowPos(item, NULL, 0, 0, 180, 60, SWP_NOZORDER | SWP_NOMOVE);
    RECT update, client;
    ASSERT_TRUE(GetUpdateRect(item, &update, FALSE));
    GetClientRect(item, &client);
    EXPECT_TRUE(EqualRect(&update, &client));
}

TEST_F(ItemWindowTest, ModuleAttachRegistersTheClassAndDetachRemovesIt) {
    HINSTANCE self = GetModuleHandleW(NULL);
    EXPECT_STREQ(L"Morvane", ItemClassName);
    EXPECT_EQ(self, ModuleInstance);
    EXPECT_EQ(nullptr, ItemWindow);
    WNDCLASSW info = {};
    ASSERT_TRUE(GetClassInfoW(self, ItemClassName, &info));
    EXPECT_EQ(0u, info.style);
    EXPECT_EQ((WNDPROC)ItemWndProc, info.lpfnWndProc);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), (HGDIOBJ)info.hbrBackground);
    EXPECT_EQ(nullptr, info.hIcon);
    EXPECT_EQ(nullptr, info.hCursor);
    EXPECT_NE(nullptr, ItemIcon);

    // Attaching again (the library loaded anew) finds the class taken and registers it afresh.
    ModuleAttach(self);
    EXPECT_TRUE(GetClassInfoW(self, ItemClassName, &info));

    ModuleDetach();
    EXPECT_FALSE(GetClassInfoW(self, L"Morvane", &info));
    EXPECT_EQ(nullptr, ItemIcon);
    EXPECT_EQ(nullptr, ModuleInstance);
    ModuleAttach(self); // for TearDown
}

TEST_F(ItemWindowTest, Export240MakesNoWindowForADisabledItem) {
    listItem.fEnabled = FALSE;
    EXPECT_EQ(nullptr, InitializeCustomItem(&listItem, host));
    EXPECT_EQ(nullptr, GetWindow(host, GW_CHILD)) << "no window made";
    EXPECT_EQ(nullptr, ItemWindow);
    EXPECT_EQ(0, SettingsLoaded);
}

TEST_F(ItemWindowTest, Export240MakesANewWindowEachCall) {
    HWND first = InitializeCustomItem(NULL, host); // a host that gives no record at all
    HWND second = InitializeCustomItem(&listItem, host);
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_NE(first, second);
    EXPECT_EQ(second, ItemWindow);
    EXPECT_EQ(1, SettingsLoaded) << "creation loads the settings";
    for (HWND window : {first, second}) {
        EXPECT_EQ(host, GetParent(window));
        EXPECT_TRUE(IsWindowVisible(window));
        RECT bounds;
        GetWindowRect(window, &bounds);
        EXPECT_EQ(DeviceScreenWidth, bounds.right - bounds.left);
        EXPECT_EQ(0, bounds.bottom - bounds.top);
        WCHAR title[64];
        GetWindowTextW(window, title, 64);
        EXPECT_STREQ(L"Morvane", title);
    }
}

INT_PTR CALLBACK EndAtOnce(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return 0;
    EndDialog(dialog, lParam == 0 ? TestDialogResult : -2);
    return 1;
}

TEST_F(ItemWindowTest, ModuleDialogsRunFromTheModulesTemplates) {
    EXPECT_EQ(TestDialogResult, RunModuleDialog(TestDialogId, host, EndAtOnce));
    EXPECT_EQ(-1, RunModuleDialog(TestDialogId + 1, host, EndAtOnce)) << "no such template";
}

} // namespace
