#include "platform/platform.h"
#include "format/date_format.h"
#include "format/time_format.h"
#include "settings/clock_settings.h"
#include "tests/support/text.h"
#include "tests/support/formats.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    SYSTEMTIME Time;
    const char* Format;
    const char* Expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << '"' << c.Format << '"';
}

const SYSTEMTIME SampleMoment = MakeTime(2009, 4, 0, 5, 1, 2, 3); // Sunday 5 April 2009, 01:02:03

void SetTimeFormat(const char* format) {
    SetFormats(Utf16(format).c_str(), nullptr);
}

void SetDateFormat(const char* format) {
    SetFormats(nullptr, Utf16(format).c_str());
}

// Runs a formatter into a roomy buffer and checks the returned count against the text.
template <typename Formatter> Text FormatAll(Formatter formatter, const SYSTEMTIME& time) {
    WCHAR buffer[1024];
    for (WCHAR& unit : buffer)
        unit = 0xFFFF;
    int length = formatter(buffer, 1024, &time);
    EXPECT_GE(length, 0);
    EXPECT_EQ(buffer[length], 0) << "terminator right after the text";
    Text text(buffer);
    EXPECT_EQ((size_t)length, text.size());
    return text;
}

class TimeFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(TimeFormatTest, WritesTheTokens) {
    const FormatCase& c = GetParam();
    SetTimeFormat(c.Format);
    EXPECT_EQ(Utf8(FormatAll(FormatTime, c.Time)), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TimeFormatTest,
    ::testing::Values(
        FormatCase{MakeTime(2009, 4, 0, 5, 12, 30, 0), "h:mm tt", "0:30 PM"},
        FormatCase{MakeTime(2009, 4, 0, 5, 12, 30, 0), "hh:mm tt", "00:30 PM"},
        FormatCase{MakeTime(2009, 4, 0, 5, 0, 5, 0), "h:mm tt", "0:05 AM"},
        FormatCase{MakeTime(2009, 4, 0, 5, 23, 59, 59), "hh:mm:ss TT", "11:59:59 午後"},
        FormatCase{MakeTime(2009, 4, 0, 5, 13, 7, 9), "h:m:s", "1:m:s"},
        FormatCase{MakeTime(2009, 4, 0, 5, 13, 7, 9), "HH h", "13 1"},
        FormatCase{SampleMoment, "HHH", "011"}, FormatCase{SampleMoment, "mmm", "02m"},
        FormatCase{SampleMoment, "ttt", "AMt"}, FormatCase{SampleMoment, "T", "T"},
        FormatCase{SampleMoment, "MSx%d", "MSx%d"}, FormatCase{SampleMoment, "", ""}));

class DateFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(DateFormatTest, WritesTheTokens) {
    const FormatCase& c = GetParam();
    SetDateFormat(c.Format);
    EXPECT_EQ(Utf8(FormatAll(FormatDate, c.Time)), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DateFormatTest,
    ::testing::Values(
        FormatCase{SampleMoment, "yyy", "09y"}, FormatCase{SampleMoment, "yyyyy", "2009y"},
        FormatCase{SampleMoment, "y", "y"}, FormatCase{SampleMoment, "MMMMM", "April4"},
        FormatCase{SampleMoment, "Mx", "4x"}, FormatCase{SampleMoment, "I", "I"},
        FormatCase{SampleMoment, "N", "N"}, FormatCase{SampleMoment, "INN", "卯月N"},
        FormatCase{SampleMoment, "WW", " Sunday Sunday"},
        FormatCase{SampleMoment, "YYY", " 日曜日日"}, FormatCase{SampleMoment, "Dmin", "Dmin"},
        FormatCase{MakeTime(2009, 0, 0, 5, 0, 0, 0), "MMM IN M", "Jan 睦月 0"},
        FormatCase{MakeTime(2009, 13, 0, 5, 0, 0, 0), "MMMM IN MM", "January 睦月 13"},
        FormatCase{MakeTime(2009, 6, 7, 5, 0, 0, 0), "ww w W Y", "Sun Su  Sunday 日"},
        FormatCase{MakeTime(2009, 6, 65535, 5, 0, 0, 0), "ww", "Sun"},
        FormatCase{MakeTime(2000, 4, 0, 5, 0, 0, 0), "yy", "00"},
        FormatCase{MakeTime(2100, 4, 0, 5, 0, 0, 0), "yy", "00"},
        FormatCase{MakeTime(999, 4, 0, 5, 0, 0, 0), "yyyy", "999"},
        FormatCase{MakeTime(65535, 12, 6, 31, 0, 0, 0), "yyyy MMM d ww", "65535 Dec 31 Sat"},
        FormatCase{SampleMoment, "", ""}));

// Every preset in its place in its list, and its text at the sample moment.
TEST(Presets, EachIsInItsPlaceAndPrintsItsText) {
    struct Preset {
        const char* Format;
        const char* Text;
    };
    const Preset times[TimePresetCount] = {{"HH:mm", "01:02"},
                                           {"H:mm", "1:02"},
                                           {"hh:mm tt", "01:02 AM"},
                                           {"h:mm tt", "1:02 AM"},
                                           {"HH:mm:ss", "01:02:03"},
                                           {"H:mm:ss", "1:02:03"},
                                           {"hh:mm:ss TT", "01:02:03 午前"},
                                           {"h:mm:ss TT", "1:02:03 午前"}};
    const Preset dates[DatePresetCount] = {{"M/d", "4/5"},
                                           {"MM/dd", "04/05"},
                                           {"M/d (w)", "4/5 (Su)"},
                                           {"M/d (ww)", "4/5 (Sun)"},
                                           {"M/d W", "4/5  Sunday"},
                                           {"yy/M/d", "09/4/5"},
                                           {"yyyy/M/d", "2009/4/5"},
                                           {"yyyy/M/d (Y)", "2009/4/5 (日)"},
                                           {"yyyy/M/d YY", "2009/4/5  日曜日"},
                                           {"yyyy IN d", "2009 卯月 5"},
                                           {"dd-MMM-yy", "05-Apr-09"},
                                           {"W, MMMM d, yyyy", " Sunday, April 5, 2009"}};
    for (int i = 0; i < TimePresetCount; ++i) {
        EXPECT_EQ(Utf8(TimeFormatPresets[i]), times[i].Format) << "time preset " << i;
        SetTimeFormat(times[i].Format);
        EXPECT_EQ(Utf8(FormatAll(FormatTime, SampleMoment)), times[i].Text);
    }
    for (int i = 0; i < DatePresetCount; ++i) {
        EXPECT_EQ(Utf8(DateFormatPresets[i]), dates[i].Format) << "date preset " << i;
        SetDateFormat(dates[i].Format);
        EXPECT_EQ(Utf8(FormatAll(FormatDate, SampleMoment)), dates[i].Text);
    }
}

// Every month and weekday name, through the token that prints it.
TEST(DateFormatNames, EveryMonthAndWeekday) {
    const char* longMonths[] = {"January",   "February", "March",    "April",
                                "May",       "June",     "July",     "August",
                                "September", "October",  "November", "December"};
    const char* jaMonths[] = {"睦月", "如月", "弥生", "卯月",   "皐月", "水無月",
                              "文月", "葉月", "長月", "神無月", "霜月", "師走"};
    SetDateFormat("MMMM|MMM|IN");
    for (int m = 1; m <= 12; ++m) {
        std::string expected = std::string(longMonths[m - 1]) + "|" +
                               std::string(longMonths[m - 1]).substr(0, 3) + "|" + jaMonths[m - 1];
        EXPECT_EQ(Utf8(FormatAll(FormatDate, MakeTime(2009, m, 0, 1, 0, 0, 0))), expected);
    }
    const char* longDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                              "Thursday", "Friday", "Saturday"};
    const char* jaDays[] = {"日", "月", "火", "水", "木", "金", "土"};
    SetDateFormat("w|ww|W|Y|YY");
    for (int d = 0; d < 7; ++d) {
        std::string name = longDays[d];
        std::string expected = name.substr(0, 2) + "|" + name.substr(0, 3) + "| " + name + "|" +
                               jaDays[d] + "| " + jaDays[d] + "曜日";
        EXPECT_EQ(Utf8(FormatAll(FormatDate, MakeTime(2009, 1, d, 1, 0, 0, 0))), expected);
    }
}

// A cut text is bounded, terminated and a prefix of the full text, at every capacity.
template <typename Formatter> void CheckEveryCapacity(Formatter formatter, const SYSTEMTIME& time) {
    const Text full = FormatAll(formatter, time);
    for (int capacity = 0; capacity <= (int)full.size() + 1; ++capacity) {
        WCHAR buffer[1024];
        for (WCHAR& unit : buffer)
            unit = 0xFFFF;
        int length = formatter(buffer, capacity, &time);
        if (capacity == 0) {
            EXPECT_EQ(length, 0);
            EXPECT_EQ(buffer[0], 0xFFFF) << "nothing written without room";
            continue;
        }
        int expected = capacity - 1 < (int)full.size() ? capacity - 1 : (int)full.size();
        EXPECT_EQ(length, expected) << "capacity " << capacity;
        EXPECT_EQ(buffer[length], 0);
        EXPECT_EQ(buffer[capacity], 0xFFFF) << "nothing past the capacity";
        EXPECT_EQ(Text(buffer, length), full.substr(0, length));
    }
}

TEST(FormatTruncation, LongDateFormatsAtEveryCapacity) {
    const char* formats[] = {"W, MMMM d, yyyy", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW",
                             "yyyy/M/d YY IN", "MMMMMMMMMMMMMMMM ww w dd-MMM-yy"};
    for (const char* format : formats) {
        SetDateFormat(format);
        CheckEveryCapacity(FormatDate, MakeTime(2009, 9, 3, 30, 0, 0, 0));
    }
}

TEST(FormatTruncation, LongTimeFormatsAtEveryCapacity) {
    const char* formats[] = {"hh:mm:ss TT", "HH:mm:ss tt TT HH:mm:ss tt TT HH:mm:ss tt TT"};
    for (const char* format : formats) {
        SetTimeFormat(format);
        CheckEveryCapacity(FormatTime, MakeTime(2009, 9, 3, 30, 23, 59, 59));
    }
}

// The widest date a 63-unit format can give: 63 weekday names of ten units each.
TEST(FormatTruncation, WidestDateFitsItsBound) {
    std::string format(63, 'W');
    SetDateFormat(format.c_str());
    Text full = FormatAll(FormatDate, MakeTime(2009, 9, 3, 30, 0, 0, 0));
    EXPECT_EQ(full.size(), 630u);
}

TEST(FormatTruncation, NeverSplitsASurrogatePair) {
    // U+1F600 is copied as a literal pair; room for only its first half drops it entirely.
    SetTimeFormat("H😀");
    SYSTEMTIME time = MakeTime(2009, 4, 0, 5, 1, 2, 3);
    WCHAR buffer[8];
    EXPECT_EQ(FormatTime(buffer, 3, &time), 1);
    EXPECT_EQ(Text(buffer), Utf16("1"));
    EXPECT_EQ(FormatTime(buffer, 4, &time), 3);
    EXPECT_EQ(Text(buffer), Utf16("1😀"));

    SetDateFormat("d😀");
    EXPECT_EQ(FormatDate(buffer, 3, &time), 1);
    EXPECT_EQ(Text(buffer), Utf16("5"));
}

} // namespace
