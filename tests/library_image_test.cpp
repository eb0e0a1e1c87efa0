// morvane.dll as a file the Today screen loads: it exports ordinals 240 and 241 alone, registers
// its class while loaded, and carries its dialog templates with their styles and controls.
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

#include <string>
#include <vector>

namespace {

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
    WNDCLASSW info = {};
    ASSERT_TRUE(GetClassInfoW(library, L"Morvane", &info));

    // Thread attach and detach run the module entry too; they must leave everything in place.
    HANDLE thread = CreateThread(NULL, 0, DoNothing, NULL, 0, NULL);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(GetClassInfoW(library, L"Morvane", &info));

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
    EXPECT_FALSE(GetClassInfoW(library, L"Morvane", &info));
    library = NULL;
}

// The templates' styles and control ids as they must stand in the library: the values the item's
// dialogs are laid out with, written out here on purpose as numbers, apart from the resource
// script's flag names, so that each checks the other. An oracle, not a copy.
struct TemplateStyles {
    int Id;
    DWORD Style;
    std::vector<std::pair<int, DWORD>> Controls; // id (-1: none), style, in template order
};
const DWORD Label = 0x50020000, Centred = 0x50020001, Push = 0x50010000, Check = 0x50010003,
            List = 0x50210003;
const TemplateStyles Templates[] = {
    {500,
     0x80C800C0,
     {{-1, Label},
      {1011, List},
      {-1, Label},
      {1010, List},
      {-1, Label},
      {1012, List},
      {1008, Push},
      {1004, Push},
      {-1, Centred},
      {1014, Centred},
      {1013, Centred},
      {1016, Push}}},
    {105,
     0x80C80040,
     {{-1, Label},
      {1003, 0x50210042},
      {-1, Label},
      {1005, 0x50210042},
      {-1, Centred},
      {1014, Centred},
      {1013, Centred}}},
    {106,
     0x80C80040,
     {{1003, List},
      {-1, Label},
      {1008, Push},
      {-1, Label},
      {1009, Push},
      {1006, Check},
      {1007, Push}}},
    {107, 0x80C80040, {{-1, Label}, {-1, Label}, {-1, 0x50000003}}},
    {108, 0x80C80040, {{1015, Check}, {2, Push}, {1005, Push}}},
    {510,
     0x80C000C0,
     {{-1, Label},
      {-1, Label},
      {-1, Label},
      {-1, Label},
      {1100, 0x50210103},
      {1101, 0x50210803},
      {1102, Check},
      {1103, Check},
      {2, Push}}},
};

// Steps over a template's name or ordinal field: 0xFFFF and a number, or a terminated text.
const WORD* SkipNameOrOrdinal(const WORD* p) {
    if (*p == 0xFFFF)
        return p + 2;
    while (*p++ != 0) {
    }
    return p;
}

TEST_F(Library, TemplatesHoldTheirStylesAndControls) {
    for (const TemplateStyles& expected : Templates) {
        SCOPED_TRACE(expected.Id);
        HRSRC found = FindResourceW(library, MAKEINTRESOURCEW(expected.Id), RT_DIALOG);
        ASSERT_NE(nullptr, found);
        const DLGTEMPLATE* dialog = (const DLGTEMPLATE*)LockResource(LoadResource(library, found));
        EXPECT_EQ(expected.Style, dialog->style);
        EXPECT_EQ(0u, dialog->dwExtendedStyle);
        ASSERT_EQ(expected.Controls.size(), (size_t)dialog->cdit);
        const WORD* p = (const WORD*)(dialog + 1);
        p = SkipNameOrOrdinal(SkipNameOrOrdinal(SkipNameOrOrdinal(p))); // menu, class, title
        p = SkipNameOrOrdinal(p + 1);                                   // point size, face
        for (const auto& control : expected.Controls) {
            p = (const WORD*)(((UINT_PTR)p + 3) & ~(UINT_PTR)3); // items are DWORD-aligned
            const DLGITEMTEMPLATE* item = (const DLGITEMTEMPLATE*)p;
            EXPECT_EQ(control.second, item->style) << "control " << control.first;
            EXPECT_EQ((WORD)control.first, item->id);
            p = SkipNameOrOrdinal(SkipNameOrOrdinal((const WORD*)(item + 1))); // class, title
            p += 1 + (*p + 1) / 2;                                             // creation data
        }
    }
}

} // namespace
