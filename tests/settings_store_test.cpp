#include "platform/platform.h"
#include "settings/clock_settings.h"
#include "settings/settings_store.h"
#include "tests/support/fonts.h"
#include "tests/support/settings.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char ProbeLoadAndSave[] = "--probe-load-save";

// The child side of a load and a save, as the options dialog's Done does them in its own process.
int RunLoadAndSaveProbe() {
    EnsureSettingsLoaded();
    printf("%d\n", SaveSettings());
    return 0;
}

void StoreDword(const WCHAR* name, DWORD value) {
    ASSERT_TRUE(WriteSettingsValue(name, REG_DWORD, &value, sizeof value));
}

void StoreFonts(int fontSel, const LOGFONTW& time, const LOGFONTW& date) {
    StoreDword(L"FontSel", (DWORD)fontSel);
    ASSERT_TRUE(WriteSettingsValue(L"TimeFont", REG_BINARY, &time, sizeof time));
    ASSERT_TRUE(WriteSettingsValue(L"DateFont", REG_BINARY, &date, sizeof date));
}

// A record with a distinct byte pattern in every field, formats with text after their terminator.
ClockSettingsRecord DistinctRecord() {
    ClockSettingsRecord r;
    BYTE* bytes = (BYTE*)&r;
    for (size_t i = 0; i < sizeof r; ++i)
        bytes[i] = (BYTE)(i * 7 + 3);
    r.FontSel = FontSelDifferent;
    r.TimeFont = MakeFont(L"DejaVu Sans", -21, 700);
    r.DateFont = MakeFont(L"VL Gothic", -13, 400);
    r.TimeFont.lfEscapement = 12;
    memset(r.TimeFormat, 0, sizeof r.TimeFormat);
    memset(r.DateFormat, 0, sizeof r.DateFormat);
    lstrcpyW(r.TimeFormat, L"hh:mm:ss TT and more text");
    r.TimeFormat[2] = 0; // "hh", then the rest of the earlier text after the terminator
    lstrcpyW(r.DateFormat, L"W, MMMM d, yyyy");
    r.DateFormat[60] = L'Z';
    r.DispType = 3;
    r.DispPos = 2;
    r.Layout = 1;
    r.HiddenIcon = 1;
    r.UseColor = 1;
    r.TextColor = 0x00336699;
    return r;
}

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(SettingsStore, NothingStoredLoadsTheDefaults) {
    LoadedSettings s = LoadInFreshProcess();
    LOGFONTW system = SystemFontRecord();
    EXPECT_EQ(s.Record.FontSel, 0);
    EXPECT_EQ(memcmp(&s.Record.TimeFont, &system, sizeof system), 0);
    EXPECT_EQ(memcmp(&s.Record.DateFont, &system, sizeof system), 0);
    EXPECT_EQ(s.Record.UseColor, 0);
    EXPECT_EQ(s.Record.TextColor, 0u);
    for (COLORREF c : s.Record.CustColors)
        EXPECT_EQ(c, 0u);
    EXPECT_EQ(s.Record.DispType, 0);
    EXPECT_EQ(s.Record.DispPos, 0);
    EXPECT_STREQ(s.Record.TimeFormat, L"HH:mm");
    EXPECT_STREQ(s.Record.DateFormat, L"M/d");
    EXPECT_EQ(s.Record.Layout, 0);
    EXPECT_EQ(s.Record.HiddenIcon, 0);
    EXPECT_EQ(s.Loaded, 1);
    EXPECT_EQ(s.Dirty, 0);
    EXPECT_EQ(s.Metrics, 1);
    EXPECT_EQ(s.Seconds, 0);
    EXPECT_EQ(CountSettingsValues(), -1) << "loading never creates the key";
}

TEST_F(SettingsStore, SaveWritesTwelveValuesWithTheirTypesAndSizes) {
    ClockSettings = DistinctRecord();
    ASSERT_EQ(SaveSettings(), 1);
    EXPECT_EQ(CountSettingsValues(), 12);
    struct {
        const WCHAR* Name;
        DWORD Type;
        size_t Size;
        const void* Field;
    } expected[] = {
        {L"FontSel", REG_DWORD, 4, &ClockSettings.FontSel},
        {L"TimeFont", REG_BINARY, 92, &ClockSettings.TimeFont},
        {L"DateFont", REG_BINARY, 92, &ClockSettings.DateFont},
        {L"UseColor", REG_DWORD, 4, &ClockSettings.UseColor},
        {L"TextColor", REG_DWORD, 4, &ClockSettings.TextColor},
        {L"CustColors", REG_BINARY, 64, ClockSettings.CustColors},
        {L"DispType", REG_DWORD, 4, &ClockSettings.DispType},
        {L"DispPos", REG_DWORD, 4, &ClockSettings.DispPos},
        {L"TimeFormat", REG_SZ, 128, ClockSettings.TimeFormat},
        {L"DateFormat", REG_SZ, 128, ClockSettings.DateFormat},
        {L"Layout", REG_DWORD, 4, &ClockSettings.Layout},
        {L"HiddenIcon", REG_DWORD, 4, &ClockSettings.HiddenIcon},
    };
    for (const auto& e : expected) {
        DWORD type = 0;
        std::vector<BYTE> bytes;
        ASSERT_TRUE(ReadSettingsValue(e.Name, &type, &bytes));
        EXPECT_EQ(type, e.Type);
        ASSERT_EQ(bytes.size(), e.Size);
        EXPECT_EQ(memcmp(bytes.data(), e.Field, e.Size), 0);
    }
}

TEST_F(SettingsStore, SavedRecordComesBackByteForByteInAFreshProcess) {
    const ClockSettingsRecord saved = DistinctRecord();
    ClockSettings = saved;
    ASSERT_EQ(SaveSettings(), 1);

    LoadedSettings s = LoadInFreshProcess();
    EXPECT_EQ(memcmp(&s.Record, &saved, sizeof saved), 0)
        << "every field, tails of the formats too";
    EXPECT_EQ(s.Seconds, 0) << "the s after the terminator does not count";
}

TEST_F(SettingsStore, ReadReturnsOneOnlyWhenAllTwelveAreThere) {
    ClockSettings = DistinctRecord();
    ASSERT_EQ(SaveSettings(), 1);
    memset(&ClockSettings, 0, sizeof ClockSettings);
    EXPECT_EQ(ReadSettings(), 1);
    ClockSettingsRecord expected = DistinctRecord();
    EXPECT_EQ(memcmp(&ClockSettings, &expected, sizeof expected), 0);
}

TEST_F(SettingsStore, MissingKeyLeavesTheRecordAlone) {
    ClockSettings = DistinctRecord();
    MetricsDirty = 0;
    EXPECT_EQ(ReadSettings(), 0);
    ClockSettingsRecord expected = DistinctRecord();
    EXPECT_EQ(memcmp(&ClockSettings, &expected, sizeof expected), 0);
    EXPECT_EQ(MetricsDirty, 0);
}

TEST_F(SettingsStore, OnlyTheFontsStoredStopsAfterThemWithMetricsRaised) {
    StoreFonts(FontSelDifferent, MakeFont(L"DejaVu Serif", -20, 400),
               MakeFont(L"VL Gothic", -12, 700));
    LoadedSettings s = LoadInFreshProcess();
    EXPECT_EQ(s.Record.FontSel, FontSelDifferent);
    EXPECT_STREQ(s.Record.TimeFont.lfFaceName, L"DejaVu Serif");
    EXPECT_STREQ(s.Record.DateFont.lfFaceName, L"VL Gothic");
    EXPECT_EQ(s.Record.DateFont.lfWeight, 700);
    EXPECT_EQ(s.Metrics, 1);
    EXPECT_STREQ(s.Record.TimeFormat, L"HH:mm");
    EXPECT_EQ(s.Record.DispType, 0);

    memset(&ClockSettings, 0, sizeof ClockSettings);
    MetricsDirty = 0;
    EXPECT_EQ(ReadSettings(), 0);
    EXPECT_EQ(MetricsDirty, 1) << "raised as soon as both fonts are read";
}

TEST_F(SettingsStore, StopBeforeTheDateFontLeavesMetricsAlone) {
    StoreDword(L"FontSel", FontSelDifferent);
    LOGFONTW font = MakeFont(L"DejaVu Serif", -20, 400);
    ASSERT_TRUE(WriteSettingsValue(L"TimeFont", REG_BINARY, &font, sizeof font));
    memset(&ClockSettings, 0, sizeof ClockSettings);
    MetricsDirty = 0;
    EXPECT_EQ(ReadSettings(), 0);
    EXPECT_EQ(MetricsDirty, 0);
    EXPECT_STREQ(ClockSettings.TimeFont.lfFaceName, L"DejaVu Serif");
}

TEST_F(SettingsStore, AStopAfterFontSelLeavesAllZeroFontsInDifferentMode) {
    StoreDword(L"FontSel", FontSelDifferent);
    LoadedSettings s = LoadInFreshProcess();
    LOGFONTW zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(&s.Record.TimeFont, &zero, sizeof zero), 0);
    EXPECT_EQ(memcmp(&s.Record.DateFont, &zero, sizeof zero), 0);
}

TEST_F(SettingsStore, ShortValueFillsTheStartOfItsFieldAndTheReadGoesOn) {
    ClockSettings = DistinctRecord();
    ASSERT_EQ(SaveSettings(), 1);
    const BYTE twoBytes[2] = {0x34, 0x12};
    ASSERT_TRUE(WriteSettingsValue(L"TextColor", REG_DWORD, twoBytes, sizeof twoBytes));

    LoadedSettings s = LoadInFreshProcess();
    EXPECT_EQ(s.Record.TextColor, 0x1234u) << "the high half keeps its default 0";
    EXPECT_EQ(s.Record.CustColors[5], DistinctRecord().CustColors[5]) << "the read went on";
    EXPECT_EQ(s.Record.HiddenIcon, 1);
}

TEST_F(SettingsStore, OversizeFormatStopsTheRead) {
    ClockSettings = DistinctRecord();
    ASSERT_EQ(SaveSettings(), 1);
    WCHAR tooLong[65];
    for (WCHAR& unit : tooLong)
        unit = L'H';
    ASSERT_TRUE(WriteSettingsValue(L"TimeFormat", REG_SZ, tooLong, sizeof tooLong));

    LoadedSettings s = LoadInFreshProcess();
    EXPECT_EQ(s.Record.DispPos, 2) << "read before the failure";
    EXPECT_STREQ(s.Record.TimeFormat, L"HH:mm");
    EXPECT_STREQ(s.Record.DateFormat, L"M/d");
    EXPECT_EQ(s.Record.Layout, 0);
    EXPECT_EQ(s.Record.HiddenIcon, 0);
}

TEST_F(SettingsStore, OutOfRangeValuesAreReadAsStored) {
    ClockSettings = DistinctRecord();
    ClockSettings.DispType = 7;
    ClockSettings.Layout = -5;
    ASSERT_EQ(SaveSettings(), 1);
    LoadedSettings s = LoadInFreshProcess();
    EXPECT_EQ(s.Record.DispType, 7);
    EXPECT_EQ(s.Record.Layout, -5);
}

TEST_F(SettingsStore, UnterminatedTextsAreTerminatedInTheirLastUnit) {
    ClockSettings = DistinctRecord();
    for (WCHAR& unit : ClockSettings.TimeFormat)
        unit = L's';
    for (WCHAR& unit : ClockSettings.TimeFont.lfFaceName)
        unit = L'F';
    ASSERT_EQ(SaveSettings(), 1);

    LoadedSettings s = LoadInFreshProcess();
    EXPECT_EQ(s.Record.TimeFormat[FormatCapacity - 1], 0);
    EXPECT_EQ(s.Record.TimeFormat[FormatCapacity - 2], L's') << "every other unit as stored";
    EXPECT_EQ(s.Record.TimeFont.lfFaceName[LF_FACESIZE - 1], 0);
    EXPECT_EQ(s.Record.TimeFont.lfFaceName[0], L'F');
    EXPECT_EQ(s.Seconds, 1);
}

// A stored format whose last unit is text, after an earlier terminator, as a hand-edited store
// can hold. Saved unchanged, it would make the registry add the terminator it takes as forgotten
// (the value after it starts with a zero unit), and the next load would refuse the value as too
// long, losing the format and everything stored after it.
TEST_F(SettingsStore, AFormatEndingInTextSurvivesASaveAndTheNextLoad) {
    ClockSettingsRecord r = DistinctRecord();
    r.Layout = LayoutFlat; // the zero unit after the date format
    ClockSettings = r;
    ASSERT_EQ(SaveSettings(), 1);
    WCHAR dateFormat[FormatCapacity];
    for (WCHAR& unit : dateFormat)
        unit = L'Z';
    lstrcpyW(dateFormat, L"M/d");
    ASSERT_TRUE(WriteSettingsValue(L"DateFormat", REG_SZ, dateFormat, sizeof dateFormat));

    ASSERT_EQ(atoi(RunSelf(L"--probe-load-save").Output.c_str()), 1) << "the save in that process";
    DWORD type;
    std::vector<BYTE> stored;
    ASSERT_TRUE(ReadSettingsValue(L"DateFormat", &type, &stored));
    EXPECT_EQ(stored.size(), sizeof r.DateFormat);

    LoadedSettings s = LoadInFreshProcess();
    EXPECT_STREQ(s.Record.DateFormat, L"M/d");
    EXPECT_EQ(s.Record.DateFormat[FormatCapacity - 2], L'Z') << "the rest of the field as stored";
    EXPECT_EQ(s.Record.Layout, LayoutFlat);
    EXPECT_EQ(s.Record.HiddenIcon, r.HiddenIcon) << "the values after the format were read";
}

TEST_F(SettingsStore, FontSelectionModesAfterLoading) {
    const LOGFONTW time = MakeFont(L"DejaVu Serif", -20, 700);
    const LOGFONTW date = MakeFont(L"VL Gothic", -12, 400);
    const LOGFONTW system = SystemFontRecord();
    struct {
        int FontSel;
        const LOGFONTW* Time;
        const LOGFONTW* Date;
    } cases[] = {
        {0, &system, &system},
        {1, &time, &time},
        {2, &time, &date},
        {9, &time, &date},
    };
    for (const auto& c : cases) {
        DeleteSettingsKey();
        StoreFonts(c.FontSel, time, date);
        LoadedSettings s = LoadInFreshProcess();
        EXPECT_EQ(s.Record.FontSel, c.FontSel);
        EXPECT_EQ(memcmp(&s.Record.TimeFont, c.Time, sizeof time), 0) << "FontSel " << c.FontSel;
        EXPECT_EQ(memcmp(&s.Record.DateFont, c.Date, sizeof date), 0) << "FontSel " << c.FontSel;
    }
}

TEST_F(SettingsStore, StoredTimeFormatSetsTheSecondsFlag) {
    ClockSettings = DistinctRecord();
    struct {
        const WCHAR* Format;
        int Seconds;
    } cases[] = {{L"h:mm:ss TT", 1}, {L"H:mm", 0}, {L"H:mm:SS", 0}};
    for (const auto& c : cases) {
        memset(ClockSettings.TimeFormat, 0, sizeof ClockSettings.TimeFormat);
        lstrcpyW(ClockSettings.TimeFormat, c.Format);
        ASSERT_EQ(SaveSettings(), 1);
        EXPECT_EQ(LoadInFreshProcess().Seconds, c.Seconds);
    }
}

TEST_F(SettingsStore, SecondLoadInAProcessChangesNothing) {
    EnsureSettingsLoaded();
    ClockSettingsRecord first = ClockSettings;
    ClockSettings = DistinctRecord();
    ClockSettings.DispType = 2;
    ASSERT_EQ(SaveSettings(), 1);
    ClockSettings = first;
    EnsureSettingsLoaded();
    EXPECT_EQ(memcmp(&ClockSettings, &first, sizeof first), 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], ProbeSettingsArgument) == 0)
        return PrintLoadedSettings();
    if (argc > 1 && strcmp(argv[1], ProbeLoadAndSave) == 0)
        return RunLoadAndSaveProbe();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
