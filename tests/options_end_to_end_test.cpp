// The settings page of the real morvane.dll, run the way the Today screen runs it: the library
// loaded by path, its item made by export 240 and its page by template 500 with export 241. A
// person changes every dialog's settings; then the registry, the item's next paint and a fresh
// today.exe all show them.
#include "platform/platform.h"
#include "platform/today_host.h"
#include "resources/resource.h"
#include "tests/dialog_driver.h"
#include "tests/options_support.h"

#include <wincodec.h>

#include <string>
#include <vector>

namespace {

const COLORREF Chosen = RGB(200, 30, 60);
const COLORREF HostText = RGB(16, 32, 96);
const int HostWidth = DeviceScreenWidth,
          HostHeight = DeviceScreenHeight - DeviceNavBarHeight - DeviceMenuBarHeight;

// The build folder as Wine sees it (drive Z: is the Linux root).
std::wstring BuildPath(const char* name) {
    std::string path = std::string("Z:") + MORVANE_BUILD_DIR + "/" + name;
    return std::wstring(path.begin(), path.end());
}

// A bare Today screen: white background, the host's text colour.
LRESULT CALLBACK HostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TODAYM_GETCOLOR: return wParam == TODAYCOLOR_TEXT ? HostText : 0;
    case TODAYM_DRAWWATERMARK: {
        const TODAYDRAWWATERMARKINFO* info = (const TODAYDRAWWATERMARKINFO*)lParam;
        FillRect(info->hdc, &info->rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
        return 1;
    }
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Where pixels of one colour (or near it) lie in a picture of 0x00RRGGBB pixels.
struct ColourSpread {
    int Count = 0, Top = -1, Bottom = -1;
};

ColourSpread Find(const std::vector<DWORD>& pixels, int width, COLORREF colour) {
    DWORD wanted = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
    ColourSpread spread;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (!NearColour(pixels[i] & 0xFFFFFF, wanted))
            continue;
        int y = (int)(i / width);
        spread.Count += 1;
        spread.Top = spread.Top < 0 ? y : spread.Top;
        spread.Bottom = y;
    }
    return spread;
}

// What the window shows now, redrawn with its children.
std::vector<DWORD> Capture(HWND window) {
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = HostWidth;
    info.bmiHeader.biHeight = -HostHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, HostWidth, HostHeight, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels((const DWORD*)bits, (const DWORD*)bits + HostWidth * HostHeight);
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
}

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
    }
    for (IUnknown* object :
         {(IUnknown*)converter, (IUnknown*)frame, (IUnknown*)decoder, (IUnknown*)factory})
        if (object)
            object->Release();
    CoUninitialize();
    return ok;
}

// Runs a fresh today.exe that pictures its first paint.
bool FreshTodaySnapshot(const std::wstring& picture) {
    std::wstring command =
        L"\"" + BuildPath("today.exe") + L"\" --snapshot \"" + picture + L"\" --exit-after 30";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::vector<WCHAR> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessW(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return false;
    bool finished = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    if (!finished)
        TerminateProcess(process.hProcess, 99);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return finished && code == 0;
}

DWORD StoredDword(const WCHAR* name) {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    EXPECT_TRUE(ReadSettingsValue(name, &type, &bytes))
        << "no value " << testing::PrintToString(name);
    DWORD value = 0xFFFFFFFF;
    if (bytes.size() == sizeof value)
        memcpy(&value, bytes.data(), sizeof value);
    return value;
}

std::wstring StoredText(const WCHAR* name) {
    DWORD type = 0;
    std::vector<BYTE> bytes;
    EXPECT_TRUE(ReadSettingsValue(name, &type, &bytes));
    bytes.resize(bytes.size() + 2);
    return std::wstring((const WCHAR*)bytes.data());
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteSettingsKey();
        library_ = LoadLibraryW(BuildPath("morvane.dll").c_str());
        ASSERT_NE(library_, nullptr);
        initialize_ = (PFNCUSTOMINITIALIZEITEM)(void*)GetProcAddress(
            library_, MAKEINTRESOURCEA(InitializeCustomItemOrdinal));
        options_ = (DLGPROC)(void*)GetProcAddress(
            library_, MAKEINTRESOURCEA(CustomItemOptionsDlgProcOrdinal));
        ASSERT_NE(initialize_, nullptr);
        ASSERT_NE(options_, nullptr);
        ready_ = CreateEventW(NULL, TRUE, TRUE, SHELL_API_READY_EVENT);

        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = HostWndProc;
        windowClass.hInstance = GetModuleHandleW(NULL);
        windowClass.lpszClassName = L"EndToEndToday";
        RegisterClassW(&windowClass);
        screen_ = CreateWindowExW(0, L"EndToEndToday", L"Today", WS_POPUP | WS_VISIBLE, 0, 0,
                                  HostWidth, HostHeight, NULL, NULL, GetModuleHandleW(NULL), NULL);
        ASSERT_NE(screen_, nullptr);
        listItem_ = TodayRecord(library_);
        item_ = initialize_(&listItem_, screen_);
        ASSERT_NE(item_, nullptr);
        Poll();
    }
    void TearDown() override {
        if (screen_)
            DestroyWindow(screen_);
        if (library_)
            FreeLibrary(library_);
        if (ready_)
            CloseHandle(ready_);
        DeleteSettingsKey();
    }
    // The host's poll, laying the row out again from the height the item reports.
    void Poll() {
        listItem_.cyp = 0;
        SendMessageW(item_, WM_TODAYCUSTOM_QUERYREFRESHCACHE, (WPARAM)&listItem_, 0);
        SetWindowPos(item_, NULL, 0, 0, HostWidth, (int)listItem_.cyp,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HMODULE library_ = NULL;
    PFNCUSTOMINITIALIZEITEM initialize_ = NULL;
    DLGPROC options_ = NULL;
    HANDLE ready_ = NULL;
    HWND screen_ = NULL, item_ = NULL;
    TODAYLISTITEM listItem_ = {};
};

TEST_F(EndToEnd, EveryDialogsChoiceReachesTheRegistryTheItemAndAFreshToday) {
    ColourSpread before = Find(Capture(screen_), HostWidth, HostText);
    ASSERT_GT(before.Count, 20) << "the time in the host's colour";
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
    ColourSpread now = Find(Capture(screen_), HostWidth, Chosen);
    EXPECT_GT(now.Count, 40);
    EXPECT_GT(now.Bottom - now.Top, (int)oneRow) << "date above time";
    EXPECT_EQ(Find(Capture(screen_), HostWidth, HostText).Count, 0);

    // A fresh Today screen reads the same settings when it loads the library.
    std::wstring picture = BuildPath("options_end_to_end.png");
    DeleteFileW(picture.c_str());
    ASSERT_TRUE(FreshTodaySnapshot(picture));
    UINT width = 0, height = 0;
    std::vector<DWORD> pixels;
    ASSERT_TRUE(ReadPng(picture, &width, &height, &pixels));
    ColourSpread fresh = Find(pixels, (int)width, Chosen);
    EXPECT_GT(fresh.Count, 40);
    EXPECT_GT(fresh.Bottom - fresh.Top, (int)oneRow);
    int iconHub = 0; // the icon's red hub, top left
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < 20; ++x)
            iconHub += (pixels[y * width + x] & 0xFFFFFF) == 0xFF0000;
    EXPECT_EQ(iconHub, 0) << "the icon is hidden";
    DeleteFileW(picture.c_str());
}

} // namespace
