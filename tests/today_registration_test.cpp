// today.exe reads its items' registration as the device does: rows in their order, keys that
// cannot be shown said, the highlight moved and kept over a reload, the item installed from its
// cabinet and removed again, and installed, upgraded and removed while the screen runs.
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

#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

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

// Morvane installed from its cabinet by the stand-in installer, as tapping the cabinet installs
// it: the library in the device's \Windows (the prefix's C:\windows) and its registration, which
// the screen reads; removed again, the library, its values and the keys it made go, and so does
// its row.
TEST(TodayRegistration, InstalledFromItsCabinetAndRemovedAgain) {
    DeleteSettingsKey();
    ClearTodayItems();
    RunBuilt("wceload.exe", L"--remove \"Morvane developers Morvane\"");
    ASSERT_TRUE(CopyFileW(BuildPath("aygshell.dll").c_str(), L"C:\\windows\\aygshell.dll", FALSE));
    ProgramRun install = RunBuilt("wceload.exe", L"\"" + BuildPath("morvane.cab") + L"\"");
    ASSERT_EQ(0u, install.ExitCode) << install.Output;
    EXPECT_NE(std::string::npos,
              install.Output.find("installed Morvane developers Morvane: 2 files, "
                                  "6 registry values"))
        << install.Output;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                           (std::wstring(TodayItemsKey) + L"\\Morvane").c_str(), 0,
                                           KEY_READ, &key));
    WCHAR dll[MAX_PATH] = L"";
    DWORD dllSize = sizeof dll;
    RegQueryValueExW(key, L"DLL", NULL, NULL, (BYTE*)dll, &dllSize);
    RegCloseKey(key);
    EXPECT_STREQ(L"\\Windows\\morvane.dll", dll);
    ProgramRun run;
    TodaySnapshot(L"--select Morvane", &run);
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_TRUE(SaidInOrder(run.Output, {"highlight on Morvane", RowAt(20, 0).c_str()}))
        << run.Output;

    ProgramRun removal = RunBuilt("wceload.exe", L"--remove \"Morvane developers Morvane\"");
    ASSERT_EQ(0u, removal.ExitCode) << removal.Output;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"C:\\windows\\morvane.dll"));
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, TodayItemsKey, 0, KEY_READ, &key))
        << "the keys the installation made are left";
    run = RunToday(L"--exit-after 1");
    EXPECT_NE(std::string::npos, run.Output.find("no Today items to show")) << run.Output;
    EXPECT_EQ(std::string::npos, run.Output.find("Morvane")) << run.Output;
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

// ---- Installed, upgraded and removed beside a running Today screen ----

const wchar_t MorvaneProgram[] = L"--remove \"Morvane developers Morvane\"";
const wchar_t InstalledLibrary[] = L"C:\\windows\\morvane.dll";

// today.exe running for the length of a case, beside the installer; its output once it ends.
struct RunningToday {
    std::thread Runner;
    ProgramRun Run;
    HWND Screen = NULL;

    bool Start() {
        Runner = std::thread([this] { Run = RunToday(L"--exit-after 120", 180000); });
        for (int waited = 0; !Screen && waited < 30000; waited += 100) {
            Sleep(100);
            Screen = FindWindowW(L"MorvaneTodayScreen", NULL);
        }
        return Screen != NULL;
    }
    void Stop() {
        if (Screen)
            PostMessageW(Screen, WM_CLOSE, 0, 0);
        if (Runner.joinable())
            Runner.join();
    }
    ~RunningToday() { Stop(); }
    // Morvane's window in its row; null when the row is not there.
    HWND Item() const { return FindWindowExW(Screen, NULL, L"Morvane", NULL); }
    // Whether it still answers, drawing its rows.
    bool Answers() const {
        DWORD_PTR result;
        return IsWindow(Screen) &&
               SendMessageTimeoutW(Screen, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    }
};

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

std::map<std::wstring, std::vector<BYTE>> StoredSettings() {
    std::map<std::wstring, std::vector<BYTE>> values;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, SETTINGS_SUBKEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    WCHAR name[64];
    BYTE data[256];
    for (DWORD i = 0, nameSize = 64, size = sizeof data;
         RegEnumValueW(key, i, name, &nameSize, NULL, NULL, data, &size) == ERROR_SUCCESS;
         ++i, nameSize = 64, size = sizeof data)
        values[name].assign(data, data + size);
    RegCloseKey(key);
    return values;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The cabinet's setup library takes the item off the running screen before the installer writes
// and puts it back after: installed, the row appears at once; installed again, it is made again
// over the same settings; removed, it goes with its library and all its registry, and the screen
// runs on. A cabinet without it finds its library held; one whose setup library cancels writes
// nothing.
TEST(TodayRegistration, InstalledUpgradedAndRemovedBesideARunningTodayScreen) {
    DeleteSettingsKey();
    ClearTodayItems();
    RunBuilt("wceload.exe", MorvaneProgram);
    DeleteFileW(InstalledLibrary);
    ASSERT_TRUE(CopyFileW(BuildPath("aygshell.dll").c_str(), L"C:\\windows\\aygshell.dll", FALSE));
    ASSERT_EQ(0u, RunBuilt("wceload.exe", Quoted(BuildPath("builtin-items.cab"))).ExitCode);
    RunningToday today;
    ASSERT_TRUE(today.Start()) << "today.exe showed no screen";
    ASSERT_TRUE(today.Item() == NULL);

    ProgramRun install = RunBuilt("wceload.exe", Quoted(BuildPath("morvane.cab")));
    printf("install: %s", install.Output.c_str());
    ASSERT_EQ(0u, install.ExitCode) << install.Output;
    EXPECT_TRUE(today.Item() != NULL) << "the row did not appear without a restart";

    ASSERT_EQ(0u, StoreSettings(L"Layout=Stack \"TimeFormat=hh:mm:ss\"").ExitCode);
    std::map<std::wstring, std::vector<BYTE>> settings = StoredSettings();
    ASSERT_EQ(12u, settings.size());
    ProgramRun upgrade = RunBuilt("wceload.exe", Quoted(BuildPath("morvane.cab")));
    printf("upgrade: %s", upgrade.Output.c_str());
    ASSERT_EQ(0u, upgrade.ExitCode) << upgrade.Output;
    EXPECT_NE(std::string::npos, upgrade.Output.find("over the earlier installation"));
    EXPECT_TRUE(today.Item() != NULL) << "the row was not made again";
    EXPECT_TRUE(settings == StoredSettings()) << "the upgrade changed the stored settings";

    ProgramRun removal = RunBuilt("wceload.exe", MorvaneProgram);
    printf("removal: %s", removal.Output.c_str());
    ASSERT_EQ(0u, removal.ExitCode) << removal.Output;
    EXPECT_TRUE(today.Item() == NULL) << "the row stayed";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InstalledLibrary));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(TodayItemsKey) + L"\\Morvane"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, SETTINGS_SUBKEY));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Morvane developers Morvane"));
    EXPECT_TRUE(today.Answers()) << "today.exe did not run on";

    // Without a setup library nothing lets the screen go of the library it loaded.
    ASSERT_EQ(0u, RunBuilt("wceload.exe", Quoted(BuildPath("morvane-no-setup.cab"))).ExitCode);
    DWORD_PTR result;
    SendMessageTimeoutW(HWND_BROADCAST, WM_WININICHANGE, TodayReloadItemsFlag, 0, SMTO_ABORTIFHUNG,
                        5000, &result);
    ASSERT_TRUE(today.Item() != NULL);
    ProgramRun held = RunBuilt("wceload.exe", MorvaneProgram);
    printf("removal without a setup library: %s", held.Output.c_str());
    EXPECT_EQ(1u, held.ExitCode);
    EXPECT_NE(std::string::npos, held.Output.find("in use")) << held.Output;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InstalledLibrary));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Morvane developers Morvane"));

    ProgramRun cancelled =
        RunBuilt("wceload.exe", Quoted(BuildPath("test-cabinets\\setup-cancel.cab")));
    EXPECT_EQ(1u, cancelled.ExitCode);
    EXPECT_NE(std::string::npos, cancelled.Output.find("cancelled")) << cancelled.Output;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Apps\\Morvane Tests setup-cancel"));
    EXPECT_TRUE(today.Answers());

    today.Stop();
    printf("today.exe said:\n%s", today.Run.Output.c_str());
    EXPECT_EQ(0u, today.Run.ExitCode) << today.Run.Output;
    EXPECT_NE(std::string::npos, today.Run.Output.find("Morvane: its library")) << today.Run.Output;
    EXPECT_EQ(0u, RunBuilt("wceload.exe", MorvaneProgram).ExitCode);
    ClearTodayItems();
}

} // namespace
