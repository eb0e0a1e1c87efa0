#include "platform/platform.h"
#include "settings/clock_settings.h"
#include "tests/support/text.h"
#include "tests/support/formats.h"

#include <gtest/gtest.h>

namespace {

TEST(SecondsRule, OnlyALowerCaseSCounts) {
    struct {
        const char* Format;
        int Expected;
    } cases[] = {
        {"h:mm:ss TT", 1}, {"H:mm", 0}, {"H:mm s", 1}, {"HH:mm:SS", 0}, {"", 0}, {"s", 1},
    };
    for (const auto& c : cases) {
        Text format = Utf16(c.Format);
        SetFormats(format.c_str(), nullptr);
        ShowSeconds = 1 - c.Expected;
        ApplySecondsRule();
        EXPECT_EQ(ShowSeconds, c.Expected) << c.Format;
    }
}

TEST(SecondsRule, StopsAtTheTerminator) {
    // An 's' left over from an earlier, longer format lies after the terminator and is not shown.
    SetFormats(Utf16("HH:mm:ss").c_str(), nullptr);
    SetFormats(Utf16("HH:mm").c_str(), nullptr);
    ASSERT_EQ(ClockSettings.TimeFormat[6], TEXT('s'));
    ApplySecondsRule();
    EXPECT_EQ(ShowSeconds, 0);
}

TEST(DispTypeRows, OutOfRangeTypesShowTheTimeAlone) {
    struct {
        int DispType;
        int Count;
        int First;
    } cases[] = {{0, 1, ItemTime}, {1, 1, ItemDate}, {2, 2, ItemTime},  {3, 2, ItemDate},
                 {4, 1, ItemTime}, {7, 1, ItemTime}, {-1, 1, ItemTime}, {0x7FFFFFFF, 1, ItemTime}};
    for (const auto& c : cases) {
        ClockSettings.DispType = c.DispType;
        const DispTypeRow* row = CurrentDispTypeRow();
        EXPECT_GE(row, DispTypeTable);
        EXPECT_LT(row, DispTypeTable + DispTypeCount);
        EXPECT_EQ(row->Count, c.Count) << c.DispType;
        EXPECT_EQ(row->Items[0], c.First) << c.DispType;
    }
}

TEST(FormatFields, CopyCutsAndTerminatesButKeepsTheTail) {
    WCHAR field[8];
    for (WCHAR& unit : field)
        unit = TEXT('x');
    CopyFormat(field, 8, Utf16("abc").c_str());
    EXPECT_EQ(Text(field), Utf16("abc"));
    EXPECT_EQ(field[4], TEXT('x')) << "units after the terminator stay";

    CopyFormat(field, 8, Utf16("abcdefghijk").c_str());
    EXPECT_EQ(Text(field), Utf16("abcdefg"));
}

TEST(FormatFields, TerminateOnlyWhenNoTerminatorIsThere) {
    WCHAR field[4] = {TEXT('a'), TEXT('b'), TEXT('c'), TEXT('d')};
    TerminateField(field, 4);
    EXPECT_EQ(Text(field), Utf16("abc"));

    WCHAR early[4] = {TEXT('a'), 0, TEXT('c'), TEXT('d')};
    TerminateField(early, 4);
    EXPECT_EQ(early[3], TEXT('d')) << "a field that is already terminated is left alone";
}

} // namespace
