// store_settings.exe, which the gallery and the demonstrations store each picture's settings
// with: the twelve values in their stored form, and a mistake refused.
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

TEST(StoreSettings, WritesTheTwelveValuesInTheirStoredForm) {
    DeleteSettingsKey();
    ProgramRun run =
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
        EXPECT_EQ(-ScaleRound(expected.Points, ScreenDpiY(), 72), font.lfHeight) << expected.Name;
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
        ProgramRun run = StoreSettings(L"DispPos=Right \"" + std::wstring(mistake) + L"\"");
        EXPECT_EQ(2u, run.ExitCode) << run.Output;
        EXPECT_NE(std::string::npos, run.Output.find("nothing stored")) << run.Output;
        EXPECT_EQ(1u, StoredDword(L"Layout"));
        EXPECT_EQ(1u, StoredDword(L"DispPos")) << "a refused run stores nothing";
    }
    DeleteSettingsKey();
}

} // namespace
