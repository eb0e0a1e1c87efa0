// today.exe and morvane.dll end to end: the stand-in Today screen loads the real library by
// ordinal and pictures it; the library exports ordinal 240 alone and registers its class while
// loaded.
#include "platform/platform.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "tests/test_text.h"
#include "tests/win_support.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include <string>
#include <vector>

namespace {

// The build folder as Wine sees it (drive Z: is the Linux root).
std::wstring BuildPath(const char* name) {
    std::string path = std::string("Z:") + MORVANE_BUILD_DIR + "/" + name;
    return std::wstring(path.begin(), path.end());
}

struct RunResult {
    DWORD ExitCode = 0xFFFFFFFF;
    std::string Output; // standard output and error together
};

// Runs a program of the build folder with the arguments; a run that outlives the limit is ended
// and fails the test. Its output goes to a file rather than a pipe: a desktop process that the
// program may start inherits the handles and would keep a pipe open long after the program ended.
RunResult RunBuilt(const char* program, const std::wstring& arguments, DWORD limit = 60000) {
    RunResult result;
    std::wstring command = L"\"" + BuildPath(program) + L"\" " + arguments;
    std::wstring outputPath = BuildPath("host_test_output.txt");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, 0, NULL);
    if (output == INVALID_HANDLE_VALUE)
        return result;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<WCHAR> line(command.begin(), command.end());
    line.push_back(0);
    BOOL started =
        CreateProcessW(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process);
    CloseHandle(output);
    if (started) {
        if (WaitForSingleObject(process.hProcess, limit) == WAIT_TIMEOUT) {
            ADD_FAILURE() << "today.exe did not finish in " << limit << " ms";
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
        }
        GetExitCodeProcess(process.hProcess, &result.ExitCode);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    HANDLE written = CreateFileW(outputPath.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (written != INVALID_HANDLE_VALUE) {
        char chunk[4096];
        DWORD got;
        while (ReadFile(written, chunk, sizeof chunk, &got, NULL) && got > 0)
            result.Output.append(chunk, got);
        CloseHandle(written);
    }
    DeleteFileW(outputPath.c_str());
    return result;
}

RunResult RunToday(const std::wstring& arguments, DWORD limit = 60000) {
    return RunBuilt("today.exe", arguments, limit);
}

// Decodes a PNG with the system's own codecs into 0x00RRGGBB pixels.
bool ReadPng(const std::wstring& path, UINT* width, UINT* height, std::vector<DWORD>* pixels) {
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = NULL;
    IWICBitmapDecoder* decoder = NULL;
    IWICBitmapFrameDecode* frame = NULL;
    IWICFormatConverter* converter = NULL;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, (void**)&factory)) &&
              SUCCEEDED(factory->CreateDecoderFromFilename(
                  path.c_str(), NULL, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &decoder)) &&
              SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(width, height)) &&
              SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
              SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA,
                                              WICBitmapDitherTypeNone, NULL, 0,
                                              WICBitmapPaletteTypeCustom));
    if (ok) {
        pixels->resize((size_t)*width * *height);
        ok = SUCCEEDED(converter->CopyPixels(NULL, *width * 4, (UINT)pixels->size() * 4,
                                             (BYTE*)pixels->data()));
        for (DWORD& p : *pixels)
            p &= 0xFFFFFF;
    }
    for (IUnknown* object :
         {(IUnknown*)converter, (IUnknown*)frame, (IUnknown*)decoder, (IUnknown*)factory})
        if (object)
            object->Release();
    CoUninitialize();
    return ok;
}

TEST(TodayScreen, SnapshotShowsTheClockWithItsIcon) {
    DeleteSettingsKey();
    std::wstring picture = BuildPath("host_test_today.png");
    DeleteFileW(picture.c_str());
    RunResult run = RunToday(L"--snapshot \"" + picture + L"\" --exit-after 30");
    ASSERT_EQ(0u, run.ExitCode) << run.Output;

    UINT width = 0, height = 0;
    std::vector<DWORD> pixels;
    ASSERT_TRUE(ReadPng(picture, &width, &height, &pixels)) << "not a readable PNG";
    EXPECT_EQ((UINT)DeviceScreenWidth, width);
    EXPECT_EQ((UINT)(DeviceScreenHeight - DeviceNavBarHeight - DeviceMenuBarHeight), height);
    const DWORD theme = 0x102060, iconCentre = 0xFF0000; // today.exe's text colour; the red hub
    int text = 0, icon = 0, below = 0;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            DWORD p = pixels[(size_t)y * width + x];
            text += NearColour(p, theme) && y < 20 && x >= 28;
            icon += p == iconCentre && y < 16 && x < 20;
            below += NearColour(p, theme) && y >= 20;
        }
    EXPECT_GT(text, 15) << "the time drawn in the theme's text colour right of the icon";
    EXPECT_GT(icon, 0);
    EXPECT_EQ(0, below) << "one row of 20 pixels holds the default clock";
    DeleteFileW(picture.c_str());
}

TEST(TodayScreen, DisabledItemMakesNoWindowAndShowsNothing) {
    DeleteSettingsKey();
    std::wstring picture = BuildPath("host_test_disabled.png");
    RunResult run = RunToday(L"--disabled --snapshot \"" + picture + L"\" --exit-after 30");
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    EXPECT_NE(std::string::npos, run.Output.find("the item is disabled and made no window"))
        << run.Output;
    UINT width = 0, height = 0;
    std::vector<DWORD> pixels;
    ASSERT_TRUE(ReadPng(picture, &width, &height, &pixels));
    int drawn = 0;
    for (DWORD p : pixels)
        drawn +=
            NearColour(p, 0x102060) || p == 0xFF0000; // today.exe's text colour; the icon's red hub
    EXPECT_EQ(0, drawn) << "neither clock nor icon on the screen";
    DeleteFileW(picture.c_str());
}

struct Failure {
    const char* Name;
    const WCHAR* Arguments;
    DWORD ExitCode;
    const char* Message;
};

void PrintTo(const Failure& f, std::ostream* out) {
    *out << f.Name;
}

class TodayScreenFailure : public ::testing::TestWithParam<Failure> {
  protected:
    void SetUp() override {
        DeleteSettingsKey(); // the default fonts: the Fonts dialog's Font... buttons are disabled
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
    RunResult run = RunToday(arguments, 30000);
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
        Failure{"MissingLibrary", L"--dll Z:\\no\\such\\item.dll --exit-after 5", 3,
                "item library not found"},
        Failure{"NotALibrary", L"--dll \"%Bhost_test_garbage.dll\" --exit-after 5", 3,
                "cannot load the item library"},
        Failure{"NotAnItem", L"--dll \"%Bhost_not_item.dll\" --exit-after 5", 3,
                "has no export 240"},
        Failure{"PressNoId", L"--open-settings --press", 2, "--press needs a control id"},
        Failure{"PressNotAnId", L"--open-settings --press 10x8", 2, "not '10x8'"},
        Failure{"PressTooLarge", L"--open-settings --press 65536", 2, "from 1 to 65535"},
        Failure{"PressWithoutSettingsPage", L"--press 1008", 2, "add --open-settings"},
        Failure{"PickNoEntry", L"--open-settings --pick 1011", 2, "as ID=ENTRY"},
        Failure{"PickMissingEntry", L"--open-settings --pick 1011=Sideways --exit-after 20", 6,
                "step 1: the dialog on top has no entry 'Sideways' in list 1011"},
        Failure{"DialogSnapshotWithoutSettingsPage", L"--snapshot-dialog x.png", 2,
                "add --open-settings"},
        Failure{"NoDialogSnapshotName", L"--open-settings --snapshot-dialog", 2,
                "--snapshot-dialog needs a file name"},
        Failure{"TwoSnapshots", L"--open-settings --snapshot a.png --snapshot-dialog b.png", 2,
                "cannot be used together"},
        Failure{"PressMissingControl", L"--open-settings --press 4242 --exit-after 20", 6,
                "step 1: the dialog on top has no control 4242"},
        Failure{"PressDisabledControl",
                L"--open-settings --press 1004 --press 1008 --exit-after 20", 6,
                "step 2: the dialog on top has control 1008 disabled"},
        Failure{"PressOpensNoDialog",
                L"--open-settings --press 1016 --press 1015 --snapshot-dialog "
                L"\"%Bhost_test_never.png\" --exit-after 6",
                5, "2 of 2 steps made, and no new dialog came up"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TodayScreen, SettingsPageRunsExport241OrSaysItIsMissing) {
    HMODULE library = LoadLibraryW(BuildPath("morvane.dll").c_str());
    ASSERT_NE(nullptr, library);
    bool hasPage = GetProcAddress(library, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));
    FreeLibrary(library);
    RunResult run = RunToday(L"--open-settings --exit-after 3");
    EXPECT_EQ(0u, run.ExitCode) << run.Output;
    const char* expected = hasPage ? "settings page closed" : "has no export 241";
    EXPECT_NE(std::string::npos, run.Output.find(expected)) << run.Output;
}

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
    WNDCLASSEXW info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExW(library, L"Morvane", &info));

    // Thread attach and detach run the module entry too; they must leave everything in place.
    HANDLE thread = CreateThread(NULL, 0, DoNothing, NULL, 0, NULL);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(GetClassInfoExW(library, L"Morvane", &info));

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
    EXPECT_FALSE(GetClassInfoExW(library, L"Morvane", &info));
    library = NULL;
}

// Settings stored by store_settings.exe, as the gallery stores each picture's.
RunResult StoreSettings(const std::wstring& arguments) {
    return RunBuilt("store_settings.exe", arguments, 30000);
}

DWORD StoredDword(const WCHAR* name) {
    DWORD type = 0, value = 0xDEADBEEF;
    std::vector<BYTE> bytes;
    if (ReadSettingsValue(name, &type, &bytes) && type == REG_DWORD && bytes.size() == 4)
        memcpy(&value, bytes.data(), 4);
    return value;
}

int ScreenDpiY() {
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    return dpi;
}

TEST(StoreSettings, WritesTheTwelveValuesInTheirStoredForm) {
    DeleteSettingsKey();
    RunResult run =
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
        EXPECT_EQ(-MulDiv(expected.Points, ScreenDpiY(), 72), font.lfHeight) << expected.Name;
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
        RunResult run = StoreSettings(L"DispPos=Right \"" + std::wstring(mistake) + L"\"");
        EXPECT_EQ(2u, run.ExitCode) << run.Output;
        EXPECT_NE(std::string::npos, run.Output.find("nothing stored")) << run.Output;
        EXPECT_EQ(1u, StoredDword(L"Layout"));
        EXPECT_EQ(1u, StoredDword(L"DispPos")) << "a refused run stores nothing";
    }
    DeleteSettingsKey();
}

TEST(TodayScreen, SnapshotShowsStoredColourLayoutAndNoIcon) {
    DeleteSettingsKey();
    ASSERT_EQ(0u, StoreSettings(L"Layout=Stack \"DispType=Time Date\" DispPos=Right HiddenIcon=1 "
                                L"UseColor=1 TextColor=#C00000")
                      .ExitCode);
    std::wstring picture = BuildPath("host_test_stored.png");
    RunResult run = RunToday(L"--snapshot \"" + picture + L"\" --exit-after 30");
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    // Two lines of the system font take two rows of 20 units.
    std::string row = "the item's row: " + std::to_string(MulDiv(40, ScreenDpiY(), 96)) + " pixels";
    EXPECT_NE(std::string::npos, run.Output.find(row)) << run.Output;
    UINT width = 0, height = 0;
    std::vector<DWORD> pixels;
    ASSERT_TRUE(ReadPng(picture, &width, &height, &pixels));
    int left = 0, right = 0, secondRow = 0, icon = 0;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x) {
            DWORD p = pixels[(size_t)y * width + x];
            left += NearColour(p, 0xC00000) && x < width / 2;
            right += NearColour(p, 0xC00000) && x >= width / 2;
            secondRow += NearColour(p, 0xC00000) && y >= 20;
            icon += p == 0xFF0000 && y < 16 && x < 20;
        }
    EXPECT_GT(right, 15) << "text in the stored colour, at the right";
    EXPECT_EQ(0, left) << "right-aligned pieces leave the left half empty";
    EXPECT_GT(secondRow, 4) << "the date stacked under the time";
    EXPECT_EQ(0, icon) << "the icon is hidden";
    DeleteFileW(picture.c_str());
    DeleteSettingsKey();
}

// The Today screen makes its items again once their settings page closes: the item reports its
// height afresh, so a page that stacks two lines gets a row two lines high.
TEST(TodayScreen, SettingsPageThatStacksTwoLinesLeavesARowTwoLinesHigh) {
    DeleteSettingsKey();
    std::wstring picture = BuildPath("host_test_settings.png");
    wchar_t steps[160];
    swprintf(steps, 160, L"--pick %d=Stack --pick \"%d=Time Date\" --press %d", IDC_OPTIONS_LAYOUT,
             IDC_OPTIONS_DISPTYPE, IDOK);
    RunResult run = RunToday(L"--open-settings " + std::wstring(steps) + L" --snapshot \"" +
                             picture + L"\" --exit-after 30");
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    std::string row = "the item's row: " + std::to_string(MulDiv(40, ScreenDpiY(), 96)) + " pixels";
    EXPECT_NE(std::string::npos, run.Output.find(row)) << run.Output;
    UINT width = 0, height = 0;
    std::vector<DWORD> pixels;
    ASSERT_TRUE(ReadPng(picture, &width, &height, &pixels));
    int secondRow = 0;
    for (UINT y = 20; y < 40; ++y)
        for (UINT x = 0; x < width; ++x)
            secondRow += NearColour(pixels[(size_t)y * width + x], 0x102060);
    EXPECT_GT(secondRow, 4) << "the date drawn in the second row";
    DeleteFileW(picture.c_str());
    DeleteSettingsKey();
}

// Turned, the screen is 320 pixels wide (at 96 dpi) and a clock placed at the right ends near its
// right edge; turned back, the same holds at 240.
TEST(TodayScreen, LandscapeAndBackWidenAndNarrowTheRow) {
    DeleteSettingsKey();
    ASSERT_EQ(0u, StoreSettings(L"DispPos=Right HiddenIcon=1").ExitCode);
    std::wstring picture = BuildPath("host_test_turned.png");
    struct Case {
        const wchar_t* Arguments;
        int Width;
    } cases[] = {{L"--landscape", DeviceScreenHeight}, {L"--landscape --turn", DeviceScreenWidth}};
    for (const Case& c : cases) {
        RunResult run = RunToday(std::wstring(c.Arguments) + L" --snapshot \"" + picture +
                                 L"\" --exit-after 30");
        ASSERT_EQ(0u, run.ExitCode) << run.Output;
        UINT width = 0, height = 0;
        std::vector<DWORD> pixels;
        ASSERT_TRUE(ReadPng(picture, &width, &height, &pixels));
        EXPECT_EQ((UINT)MulDiv(c.Width, ScreenDpiY(), 96), width) << Utf8(c.Arguments);
        int right = -1;
        for (UINT y = 0; y < 20; ++y)
            for (UINT x = 0; x < width; ++x)
                if (NearColour(pixels[(size_t)y * width + x], 0x102060) && (int)x > right)
                    right = (int)x;
        EXPECT_GE(right, (int)width - 8) << Utf8(c.Arguments) << ": the clock ends at the right";
        EXPECT_LT(right, (int)width - 1) << "within the right margin";
    }
    DeleteFileW(picture.c_str());
    DeleteSettingsKey();
}

struct DialogPicture {
    const char* Name;
    const WCHAR* Settings;
    const WCHAR* Presses;
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
    ASSERT_EQ(0u, StoreSettings(GetParam().Settings).ExitCode);
    std::wstring picture = BuildPath("host_test_dialog.png");
    DeleteFileW(picture.c_str());
    RunResult run = RunToday(L"--open-settings " + std::wstring(GetParam().Presses) +
                             L" --snapshot-dialog \"" + picture + L"\" --exit-after 30");
    ASSERT_EQ(0u, run.ExitCode) << run.Output;
    std::string caption = std::string("(dialog \"") + GetParam().Caption + "\", ";
    EXPECT_NE(std::string::npos, run.Output.find(caption)) << run.Output;

    UINT width = 0, height = 0;
    std::vector<DWORD> pixels;
    ASSERT_TRUE(ReadPng(picture, &width, &height, &pixels));
    int dpi = ScreenDpiY();
    EXPECT_EQ((UINT)MulDiv(DeviceScreenWidth, dpi, 96), width);
    EXPECT_EQ((UINT)MulDiv(DeviceScreenHeight - DeviceNavBarHeight, dpi, 96), height)
        << "full screen below the navigation bar";
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    DWORD faceRgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    size_t faceCount = 0, dark = 0;
    for (DWORD p : pixels) {
        faceCount += p == faceRgb;
        dark += (p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF) < 200;
    }
    EXPECT_GT(faceCount, pixels.size() / 2) << "the dialog's face fills the picture";
    EXPECT_GT(dark, 100u) << "its texts and frames are drawn";
    DeleteFileW(picture.c_str());
    DeleteSettingsKey();
}

INSTANTIATE_TEST_SUITE_P(
    SettingsPage, DialogSnapshot,
    ::testing::Values(DialogPicture{"Options", L"", L"", "Dialog"},
                      DialogPicture{"SelectFont", L"FontSel=2", L"--press 1004 --press 1009",
                                    "Select Font"},
                      DialogPicture{"About", L"", L"--press 1016 --press 1005", "About Morvane"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
